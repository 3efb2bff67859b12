// First parties of a budget: its client as party, or the parties of sequence "00" copied into
// another sequence.
#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"

#include <fmt/format.h>

namespace ct::server {
namespace {

using nlohmann::json;

bool sequence_exists(Sql& sql, const std::string& branch, const std::string& budget,
                     const std::string& seq) {
    return sql
        .scalar("SELECT 1 FROM ORCAEVENTO WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND "
                "NRSEQORCAEVE = :seq",
                {{"fil", branch}, {"orc", budget}, {"seq", seq}})
        .has_value();
}

long long party_count(Sql& sql, const std::string& branch, const std::string& budget,
                      const std::string& seq) {
    return as_integer(sql.scalar("SELECT COUNT(*) FROM ENDECONTORCA WHERE CDFILIAL = :fil AND "
                                 "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq",
                                 {{"fil", branch}, {"orc", budget}, {"seq", seq}})
                          .value_or(SqlValue{0LL}));
}

json set_imp_contratante(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const std::string& branch = ctx.text(0);
    const std::string& budget = ctx.text(1);
    const std::string& seq = ctx.text(2);
    if (seq == "00" || party_count(sql, branch, budget, seq) > 0) {
        return nullptr;
    }
    if (!sequence_exists(sql, branch, budget, seq)) {
        throw AppError("Sequência do orçamento não cadastrada.");
    }
    // The copies keep their party numbers: the same party in every sequence of the budget.
    sql.exec(
        "INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
        "CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, QTCONVCONTOREV, IDSITUCONTOREV, "
        "CDPAIS, QTCONVADICCRIANCA, QTCONVADICADULTO, SGESTADO, CDMUNICIPIO, CDBAIRRO, "
        "CDCLICONTSUBORE, CDCLIENCONTORCA, DSENDECLIORE, DSCOENDCLORE, NRTELECLIORE, "
        "NRRAMACLIORE, NRTELECLIOR1, NRRAMACLIOR1, NMCONTCLIORE, NRCEPCLIEORE, NRTELERESOR1, "
        "NRCELCLIORE1, DSEMAILCLOR1, DSEMAILCLOR2, NRFAXCLIEORE, NMRAZSOCCLIE, QTEXTCONVOREV, "
        "VREXTCONVOREV, IDFORMAPGCONT, NRDIAVENCONOREV, QTPARCCONTOREV, IDMESVENCONOREV) "
        "SELECT P.CDFILIAL, P.NRORCAEVENTO, :seq, P.NRENDCLIORCEVE, P.CDCLIENTE, P.NRINSJURCLIE, "
        "P.IDTPIJURCLIE, P.NMFANTCLIE, P.QTCONVCONTOREV, 'LANCADO', P.CDPAIS, "
        "P.QTCONVADICCRIANCA, P.QTCONVADICADULTO, P.SGESTADO, P.CDMUNICIPIO, P.CDBAIRRO, "
        "P.CDCLICONTSUBORE, P.CDCLIENCONTORCA, P.DSENDECLIORE, P.DSCOENDCLORE, P.NRTELECLIORE, "
        "P.NRRAMACLIORE, P.NRTELECLIOR1, P.NRRAMACLIOR1, P.NMCONTCLIORE, P.NRCEPCLIEORE, "
        "P.NRTELERESOR1, P.NRCELCLIORE1, P.DSEMAILCLOR1, P.DSEMAILCLOR2, P.NRFAXCLIEORE, "
        "P.NMRAZSOCCLIE, 0, 0, 'E', 0, 0, 'ATUAL' "
        "FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc AND "
        "P.NRSEQORCAEVE = '00' AND " +
            open_party("P"),
        {{"seq", seq}, {"fil", branch}, {"orc", budget}});
    return nullptr;
}

json set_cliente_contratante(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const std::string& branch = ctx.text(0);
    const std::string& budget = ctx.text(1);
    std::string seq = trim(ctx.text(2));
    if (seq.empty()) {
        const auto lowest =
            sql.scalar("SELECT MIN(O.NRSEQORCAEVE) FROM ORCAEVENTO O WHERE O.CDFILIAL = :fil AND "
                       "O.NRORCAEVENTO = :orc AND NOT EXISTS (SELECT 1 FROM ENDECONTORCA P WHERE "
                       "P.CDFILIAL = O.CDFILIAL AND P.NRORCAEVENTO = O.NRORCAEVENTO AND "
                       "P.NRSEQORCAEVE = O.NRSEQORCAEVE)",
                       {{"fil", branch}, {"orc", budget}});
        seq = lowest ? as_text(*lowest) : std::string();
        if (seq.empty()) {
            throw AppError(sequence_exists(sql, branch, budget, "00")
                               ? "Todas as sequências do orçamento já possuem contratantes."
                               : "Orçamento não cadastrado.");
        }
    }
    ResultSet budget_row = sql.query(
        "SELECT CDCLIENTE, VRTOTALOREV, QTCONVORCA FROM ORCAEVENTO WHERE CDFILIAL = :fil AND "
        "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq",
        {{"fil", branch}, {"orc", budget}, {"seq", seq}});
    if (budget_row.empty()) {
        throw AppError("Orçamento não cadastrado.");
    }
    const std::string client = budget_row.text(0, "CDCLIENTE");
    if (client.empty()) {
        throw AppError("O orçamento não possui cliente cadastrado.");
    }
    const auto already =
        sql.scalar("SELECT 1 FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND "
                   "P.NRORCAEVENTO = :orc AND P.NRSEQORCAEVE = :seq AND "
                   "P.CDCLIENCONTORCA = :cli AND " +
                       open_party("P"),
                   {{"fil", branch}, {"orc", budget}, {"seq", seq}, {"cli", client}});
    if (already) {
        throw AppError("Contratante já cadastrado para o orçamento.");
    }
    const std::string number = next_party_number(sql, branch, budget);
    // The only party carries the whole budget: its realised value and its invitations.
    const long long copied = sql.exec(
        "INSERT INTO ENDECONTORCA (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
        "CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, QTCONVCONTOREV, IDSITUCONTOREV, "
        "CDPAIS, QTCONVADICCRIANCA, QTCONVADICADULTO, SGESTADO, CDMUNICIPIO, CDBAIRRO, "
        "VRRECECONTOREV, CDCLIENCONTORCA, DSENDECLIORE, DSCOENDCLORE, NRTELECLIORE, "
        "NRRAMACLIORE, NRTELECLIOR1, NRRAMACLIOR1, NMCONTCLIORE, NRCEPCLIEORE, NRTELERESOR1, "
        "NRCELCLIORE1, DSEMAILCLOR1, DSEMAILCLOR2, NRFAXCLIEORE, NMRAZSOCCLIE, QTEXTCONVOREV, "
        "VREXTCONVOREV, IDFORMAPGCONT, NRDIAVENCONOREV, QTPARCCONTOREV, IDMESVENCONOREV) "
        "SELECT :fil, :orc, :seq, :nr, C.CDCLIENTE, C.NRINSJURCLIE, C.IDTPIJURCLIE, "
        "C.NMFANTCLIE, COALESCE(:qt, 0), 'LANCADO', E.CDPAIS, 0, 0, E.SGESTADO, E.CDMUNICIPIO, "
        "E.CDBAIRRO, CAST(:vr AS NUMERIC(15,2)), C.CDCLIENTE, E.DSENDECLIE, E.DSCOMPENDCLI, "
        "E.NRTELECLIE, "
        "E.NRRAMALCLIE, E.NRTELECLIE1, E.NRRAMALCLIE1, E.NMCONTCLIE, E.NRCEPCLIE, "
        "E.NRTELRESICLI, E.NRCELULARCLI, E.DSEMAILCLIE, E.DSEMAILCLIE2, E.NRFAXCLIE, "
        "C.NMFANTCLIE, 0, 0, 'E', 0, 0, 'ATUAL' "
        "FROM CLIENTE C LEFT JOIN ENDECLIE E ON E.CDCLIENTE = C.CDCLIENTE "
        "WHERE C.CDCLIENTE = :cli",
        {{"fil", branch},
         {"orc", budget},
         {"seq", seq},
         {"nr", number},
         {"qt", budget_row.at(0, "QTCONVORCA")},
         {"vr", budget_row.at(0, "VRTOTALOREV")},
         {"cli", client}});
    if (copied != 1) {
        throw AppError("Cliente do orçamento não cadastrado.");
    }
    ctx.note_change({branch, budget, seq, number});
    return nullptr;
}

} // namespace

void register_party_import_methods(MethodRegistry& registry) {
    const ArgDef branch = arg::text("filial", size::branch);
    const ArgDef budget = arg::text("orçamento", size::budget);
    registry.add({"SetImpContratante",
                  {branch, budget, arg::text_ref("sequência", size::seq)},
                  true,
                  set_imp_contratante});
    registry.add({"SetClienteContratante",
                  {branch, budget, arg::text("sequência", size::seq)},
                  true,
                  set_cliente_contratante});
}

} // namespace ct::server
