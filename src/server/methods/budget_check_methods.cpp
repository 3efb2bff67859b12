// Budget-wide checks: the value already generated, invitations and number of parties.
#include "server/core/money.h"
#include "server/core/text.h"
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"

namespace ct::server {
namespace {

using nlohmann::json;

SqlParams budget_params(const CallContext& ctx) {
    return {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"seq", ctx.text(2)}};
}

json get_valor_gerado(CallContext& ctx) {
    ResultSet rs = ctx.sql().query("SELECT P.VRRECECONTOREV FROM ENDECONTORCA P WHERE "
                                   "P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc AND "
                                   "P.NRSEQORCAEVE = :seq AND P.IDSITUCONTOREV = :st",
                                   {{"fil", ctx.text(0)},
                                    {"orc", ctx.text(1)},
                                    {"seq", ctx.text(2)},
                                    {"st", std::string(status_generated)}});
    double total = 0.0;
    for (std::size_t i = 0; i < rs.size(); ++i) {
        total = round2(total + round2(rs.number(i, "VRRECECONTOREV")));
    }
    return packet_from_rows({num("VRGERADO")}, {Row{total}});
}

json get_vd_tipo_eve_cust_efet(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const auto expected = sql.scalar("SELECT QTCONVORCA FROM ORCAEVENTO WHERE CDFILIAL = :fil "
                                     "AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq",
                                     budget_params(ctx));
    ResultSet parties = sql.query("SELECT P.QTCONVCONTOREV FROM ENDECONTORCA P WHERE "
                                  "P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc AND "
                                  "P.NRSEQORCAEVE = :seq AND " +
                                      open_party("P"),
                                  budget_params(ctx));
    long long sum = 0;
    bool some_zero = false;
    for (std::size_t i = 0; i < parties.size(); ++i) {
        const long long n = as_integer(parties.at(i, "QTCONVCONTOREV"), 0);
        sum += n;
        some_zero = some_zero || n <= 0;
    }
    std::string key;
    if (expected && !is_null(*expected) && as_integer(*expected) != sum) {
        key = "CONV_DIF";
    } else if (some_zero) {
        key = "CONV_QTD_ZERO";
    }
    return json::array({key.empty(), key});
}

json get_qt_contratantes(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const auto recorded = sql.scalar("SELECT QTCONTRATORCA FROM ORCAEVENTO WHERE CDFILIAL = :fil "
                                     "AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq",
                                     budget_params(ctx));
    if (!recorded || is_null(*recorded)) {
        return true;
    }
    const long long open =
        as_integer(sql.scalar("SELECT COUNT(*) FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND "
                              "P.NRORCAEVENTO = :orc AND P.NRSEQORCAEVE = :seq AND " +
                                  open_party("P"),
                              budget_params(ctx))
                       .value_or(SqlValue{0LL}));
    return open == as_integer(*recorded);
}

} // namespace

void register_budget_check_methods(MethodRegistry& registry) {
    const ArgDef branch = arg::text("filial", size::branch);
    const ArgDef budget = arg::text("orçamento", size::budget);
    registry.add({"GetValorGerado",
                  {branch, budget, arg::text("sequência", size::seq)},
                  false,
                  get_valor_gerado});
    registry.add({"GetVdTipoEveCustEfet",
                  {branch, budget, arg::text_ref("sequência", size::seq)},
                  false,
                  get_vd_tipo_eve_cust_efet});
    registry.add({"GetQtContratantes",
                  {branch, budget, arg::text_ref("sequência", size::seq)},
                  false,
                  get_qt_contratantes});
}

} // namespace ct::server
