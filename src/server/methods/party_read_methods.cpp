// Party reads: the parties with their totals, quota responsible, client lists and the
// duplicate checks made before a party is saved.
#include "server/core/text.h"
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/packet/packet.h"

namespace ct::server {
namespace {

using nlohmann::json;

json get_contratante(CallContext& ctx) {
    return parties_with_totals(ctx.sql(), ctx.text(0), ctx.text(1), ctx.text(2));
}

json get_lider_turma(CallContext& ctx) {
    return packet_from_result(
        {str("CDCLIENCONTORCA", 21)},
        ctx.sql().query("SELECT CDCLIENCONTORCA FROM ORCARESPCOTA WHERE CDFILIAL = :fil AND "
                        "NRORCAEVENTO = :orc",
                        {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}}));
}

json get_cliente(CallContext& ctx) {
    return packet_from_result(
        client_list_fields(),
        ctx.sql().query("SELECT NRINSJURCLIE, NMFANTCLIE, CDCLIENTE, IDTPIJURCLIE FROM CLIENTE "
                        "ORDER BY NMFANTCLIE, CDCLIENTE"));
}

json get_cont_sub(CallContext& ctx) {
    return packet_from_result(
        client_list_fields(),
        ctx.sql().query("SELECT P.NRINSJURCLIE, P.NMFANTCLIE, "
                        "COALESCE(P.CDCLIENTE, P.CDCLIENCONTORCA) AS CDCLIENTE, P.IDTPIJURCLIE "
                        "FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc "
                        "AND P.NRSEQORCAEVE = :seq AND P.NRENDCLIORCEVE <> :party AND " +
                            open_party("P") + " ORDER BY P.NMFANTCLIE, P.NRENDCLIORCEVE",
                        {{"fil", ctx.text(0)},
                         {"orc", ctx.text(1)},
                         {"seq", ctx.text(2)},
                         {"party", ctx.text(3)}}));
}

json get_cliente_ja_cad(CallContext& ctx) {
    const FieldList fields = {str("NRENDCLIORCEVE", 10)};
    const std::string& code = ctx.text(2);
    const std::string& seq = ctx.text(3);
    if (trim(code).empty()) {
        return empty_packet(fields);
    }
    std::string query = "SELECT P.NRENDCLIORCEVE FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND "
                        "P.NRORCAEVENTO = :orc AND P.CDCLIENCONTORCA = :cli AND " +
                        open_party("P");
    SqlParams params = {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"cli", code}};
    if (!trim(seq).empty()) {
        query += " AND P.NRSEQORCAEVE = :seq";
        params.push_back({"seq", seq});
    }
    return packet_from_result(fields,
                              ctx.sql().query(query + " ORDER BY P.NRENDCLIORCEVE", params));
}

// An inscription as stored (unmasked) and its digits, to match masked and unmasked forms.
SqlParams inscription_params(const std::string& inscription) {
    const std::string digits = only_digits(inscription);
    return {{"ins", trim(inscription)}, {"dig", digits.empty() ? trim(inscription) : digits}};
}

json get_clie(CallContext& ctx) {
    const std::string& inscription = ctx.text(0);
    if (trim(inscription).empty()) {
        return json::array({empty_packet(client_fields()), empty_packet(client_address_fields())});
    }
    ResultSet client = ctx.sql().query(
        "SELECT NRINSJURCLIE, CDCLIENTE, NMFANTCLIE, NMRAZSOCCLIE, IDTPIJURCLIE FROM CLIENTE "
        "WHERE NRINSJURCLIE = :ins OR NRINSJURCLIE = :dig ORDER BY CDCLIENTE",
        inscription_params(inscription));
    if (client.size() > 1) {
        client.rows.resize(1);
    }
    json address = empty_packet(client_address_fields());
    if (!client.empty()) {
        address = packet_from_result(
            client_address_fields(),
            ctx.sql().query(
                "SELECT C.CDCLIENTE, C.NRINSJURCLIE, C.IDTPIJURCLIE, C.NMRAZSOCCLIE, "
                "C.NMFANTCLIE, E.CDPAIS, E.SGESTADO, E.CDMUNICIPIO, E.DSENDECLIE, E.NMBAIRCLIE, "
                "E.DSCOMPENDCLI, E.NRCEPCLIE, E.NRTELECLIE, E.NRRAMALCLIE, E.NRFAXCLIE, "
                "E.NMCONTCLIE, E.DSEMAILCLIE, E.NRTELECLIE1, E.NRRAMALCLIE1, E.CDBAIRRO, "
                "E.NRCELULARCLI, E.NRTELRESICLI, E.DSEMAILCLIE2 "
                "FROM CLIENTE C JOIN ENDECLIE E ON E.CDCLIENTE = C.CDCLIENTE "
                "WHERE C.CDCLIENTE = :cli",
                {{"cli", client.text(0, "CDCLIENTE")}}));
    }
    return json::array({packet_from_result(client_fields(), client), address});
}

json vd_contratante(CallContext& ctx) {
    const FieldList fields = {str("CDCLIENTE", 21), str("CDFILIAL", 4), str("NRORCAEVENTO", 10),
                              fixed("NRSEQORCAEVE", 2), str("NRINSJURCLIE", 20)};
    const std::string& inscription = ctx.text(3);
    if (trim(inscription).empty()) {
        return empty_packet(fields);
    }
    SqlParams params = inscription_params(inscription);
    params.push_back({"fil", ctx.text(0)});
    params.push_back({"orc", ctx.text(1)});
    params.push_back({"seq", ctx.text(2)});
    return packet_from_result(
        fields,
        ctx.sql().query("SELECT COALESCE(P.CDCLIENTE, P.CDCLIENCONTORCA) AS CDCLIENTE, "
                        "P.CDFILIAL, P.NRORCAEVENTO, P.NRSEQORCAEVE, P.NRINSJURCLIE "
                        "FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc "
                        "AND P.NRSEQORCAEVE = :seq AND (P.NRINSJURCLIE = :ins OR "
                        "P.NRINSJURCLIE = :dig) AND " +
                            open_party("P") + " ORDER BY P.NRENDCLIORCEVE",
                        params));
}

} // namespace

void register_party_read_methods(MethodRegistry& registry) {
    const ArgDef branch = arg::text("filial", size::branch);
    const ArgDef budget = arg::text("orçamento", size::budget);
    const ArgDef seq = arg::text("sequência", size::seq);
    const ArgDef seq_ref = arg::text_ref("sequência", size::seq);
    registry.add({"GetContratante", {branch, budget, seq_ref}, false, get_contratante, true});
    registry.add({"GetLiderTurma", {branch, budget}, false, get_lider_turma});
    registry.add({"GetCliente", {}, false, get_cliente});
    registry.add({"GetContSub",
                  {branch, budget, seq, arg::text("contratante", size::party)},
                  false,
                  get_cont_sub});
    registry.add({"GetClienteJaCad",
                  {branch, budget, arg::text("código do cliente", size::client), seq},
                  false,
                  get_cliente_ja_cad});
    registry.add({"GetClie",
                  {arg::text("inscrição", size::inscription), arg::text_ref("tipo de pessoa", 1)},
                  false,
                  get_clie});
    registry.add({"VdContratante",
                  {branch, budget, seq_ref, arg::text_ref("inscrição", size::inscription)},
                  false,
                  vd_contratante});
}

} // namespace ct::server
