// Checks made before the screen may be left: installments that add up, values charged.
#include "server/core/money.h"
#include "server/domain/party_queries.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/packet/packet.h"

namespace ct::server {
namespace {

using nlohmann::json;

json get_vd_parcelas(CallContext& ctx) {
    const FieldList fields = {str("NRENDCLIORCEVE", 10), str("NMFANTCLIE", 50),
                              num("VRRECECONTOREV"), num("VRTOTALPARCELAS")};
    ResultSet rs = ctx.sql().query(
        "SELECT P.NRENDCLIORCEVE, P.NMFANTCLIE, P.VRRECECONTOREV, "
        "(SELECT SUM(F.VRPARCELACONT) FROM FORMAPAGTOCONT F WHERE F.CDFILIAL = P.CDFILIAL AND "
        "F.NRORCAEVENTO = P.NRORCAEVENTO AND F.NRSEQORCAEVE = P.NRSEQORCAEVE AND "
        "F.NRENDCLIORCEVE = P.NRENDCLIORCEVE) AS VRTOTALPARCELAS "
        "FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc AND "
        "P.NRSEQORCAEVE = :seq AND P.IDFORMAPGCONT = 'V' AND " +
            open_party("P") + " ORDER BY P.NRENDCLIORCEVE",
        {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"seq", ctx.text(2)}});
    std::vector<Row> rows;
    for (std::size_t i = 0; i < rs.size(); ++i) {
        const double charged = rs.number(i, "VRRECECONTOREV");
        const double sum = round2(rs.number(i, "VRTOTALPARCELAS"));
        if (!same_money(charged, sum)) {
            rows.push_back(
                {rs.text(i, "NRENDCLIORCEVE"), rs.text(i, "NMFANTCLIE"), round2(charged), sum});
        }
    }
    return packet_from_rows(fields, rows);
}

json get_vd_valor_contrat(CallContext& ctx) {
    const auto missing = ctx.sql().scalar(
        "SELECT COUNT(*) FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc "
        "AND P.NRSEQORCAEVE = :seq AND (P.VRRECECONTOREV IS NULL OR P.VRRECECONTOREV < 0.005) "
        "AND " +
            open_party("P"),
        {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"seq", ctx.text(2)}});
    return !missing || as_integer(*missing) == 0;
}

} // namespace

void register_closing_check_methods(MethodRegistry& registry) {
    const ArgDef branch = arg::text("filial", size::branch);
    const ArgDef budget = arg::text("orçamento", size::budget);
    const ArgDef seq_ref = arg::text_ref("sequência", size::seq);
    registry.add({"GetVdParcelas", {branch, budget, seq_ref}, false, get_vd_parcelas});
    registry.add({"GetVdValorContrat", {branch, budget, seq_ref}, false, get_vd_valor_contrat});
}

} // namespace ct::server
