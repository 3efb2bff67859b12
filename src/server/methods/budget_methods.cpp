// Budget, branch and company reads of the filter panel, and storing the budget's company.
#include "server/core/errors.h"
#include "server/core/money.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/methods/party_support.h"
#include "server/packet/packet.h"

namespace ct::server {
namespace {

using nlohmann::json;

json get_empresa_orca(CallContext& ctx) {
    const FieldList fields = {str("CDEMPRESAORCA", 2)};
    ResultSet rs = ctx.sql().query(
        "SELECT CDEMPRESAORCA FROM ORCAEVENTO WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc "
        "ORDER BY NRSEQORCAEVE",
        {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}});
    if (rs.empty()) {
        return empty_packet(fields);
    }
    return packet_from_rows(fields, {{as_text(rs.rows.front().front())}});
}

// The row of the given sequence, or of sequence "00" when that one does not exist.
ResultSet budget_row(Sql& sql, const std::string& branch, const std::string& budget,
                     const std::string& seq, const std::string& columns) {
    const std::string query = "SELECT " + columns +
                              " FROM ORCAEVENTO WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc "
                              "AND NRSEQORCAEVE = :seq";
    ResultSet rs = sql.query(query, {{"fil", branch}, {"orc", budget}, {"seq", seq}});
    if (rs.empty() && seq != "00") {
        rs = sql.query(query, {{"fil", branch}, {"orc", budget}, {"seq", std::string("00")}});
    }
    return rs;
}

json get_situacao_orca(CallContext& ctx) {
    ResultSet rs = budget_row(ctx.sql(), ctx.text(0), ctx.text(1), ctx.text(2),
                              "IDSITUORCEVE, IDORCAFILHODISTRATO");
    if (rs.empty()) {
        return json::array({false, false});
    }
    const std::string status = rs.text(0, "IDSITUORCEVE");
    // Closed ("3") and cancelled ("4") budgets no longer let their parties change.
    const bool locked = status == "3" || status == "4";
    const bool child = rs.text(0, "IDORCAFILHODISTRATO") == "S";
    return json::array({locked, child});
}

json get_pesq_orca(CallContext& ctx) {
    const FieldList fields = {str("NRORCAEVENTO", 15), num("VRTOTALOREV"), num("VRCONVEXTADU"),
                              num("VRCONVEXTCRI")};
    return packet_from_result(
        fields, ctx.sql().query("SELECT NRORCAEVENTO, VRTOTALOREV, VRCONVEXTADU, VRCONVEXTCRI "
                                "FROM ORCAEVENTO WHERE CDFILIAL = :fil AND NRSEQORCAEVE = '00' "
                                "ORDER BY NRORCAEVENTO",
                                {{"fil", ctx.text(0)}}));
}

json get_vd_orca_even(CallContext& ctx) {
    const FieldList fields = {str("CDFILIAL", 4), str("NRORCAEVENTO", 10), num("VRTOTALOREV")};
    return packet_from_result(
        fields,
        ctx.sql().query("SELECT CDFILIAL, NRORCAEVENTO, VRTOTALOREV FROM ORCAEVENTO "
                        "WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND "
                        "NRSEQORCAEVE = :seq",
                        {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"seq", ctx.text(2)}}));
}

json get_vr_total(CallContext& ctx) {
    ResultSet rs = ctx.sql().query(
        "SELECT VRTOTALOREV, VRCONVEXTADU, VRCONVEXTCRI FROM ORCAEVENTO WHERE CDFILIAL = :fil AND "
        "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq",
        {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"seq", ctx.text(2)}});
    if (rs.empty()) {
        return json::array({0.0, 0.0, 0.0});
    }
    return json::array({round2(rs.number(0, "VRTOTALOREV")), round2(rs.number(0, "VRCONVEXTADU")),
                        round2(rs.number(0, "VRCONVEXTCRI"))});
}

json get_param_orca(CallContext& ctx) {
    return packet_from_result(
        {str("IDQTCONVOBRIGATORCA", 1)},
        ctx.sql().query("SELECT IDQTCONVOBRIGATORCA FROM PARAMORCA ORDER BY IDPARAMORCA"));
}

json get_ende_fili(CallContext& ctx) {
    const FieldList fields = {str("CDPAIS", 4), str("SGESTADO", 2), str("CDMUNICIPIO", 4),
                              str("NMMUNICIPIO", 30), str("NMPAIS", 30)};
    return packet_from_result(
        fields,
        ctx.sql().query("SELECT F.CDPAIS, F.SGESTADO, F.CDMUNICIPIO, M.NMMUNICIPIO, P.NMPAIS "
                        "FROM FILIAL F LEFT JOIN PAIS P ON P.CDPAIS = F.CDPAIS "
                        "LEFT JOIN MUNICIPIO M ON M.CDPAIS = F.CDPAIS AND "
                        "M.SGESTADO = F.SGESTADO AND M.CDMUNICIPIO = F.CDMUNICIPIO "
                        "WHERE F.CDFILIAL = :fil",
                        {{"fil", ctx.text(0)}}));
}

json get_empresa(CallContext& ctx) {
    const FieldList fields = {str("CDEMPRESA", 2), str("NMEMPRESA", 40), str("IDTPIJUREMPR", 1),
                              str("NRINSJUREMPR", 20), str("NMRAZSOCEMPR", 80)};
    const std::string base =
        "SELECT E.CDEMPRESA, E.NMEMPRESA, E.IDTPIJUREMPR, E.NRINSJUREMPR, E.NMRAZSOCEMPR "
        "FROM EMPRESA E JOIN FILIALEMPRESA FE ON FE.CDEMPRESA = E.CDEMPRESA "
        "WHERE FE.CDFILIAL = :fil";
    if (ctx.text(2) == "T") {
        return packet_from_result(
            fields, ctx.sql().query(base + " ORDER BY E.CDEMPRESA", {{"fil", ctx.text(0)}}));
    }
    return packet_from_result(fields,
                              ctx.sql().query(base + " AND E.CDEMPRESA = :emp",
                                              {{"fil", ctx.text(0)}, {"emp", ctx.text(1)}}));
}

json set_empresa_orca(CallContext& ctx) {
    const std::string& company = ctx.text(0);
    const std::string& branch = ctx.text(1);
    const std::string& budget = ctx.text(2);
    require_branch_company(ctx.sql(), branch, company);
    ctx.sql().exec("UPDATE ORCAEVENTO SET CDEMPRESAORCA = :emp WHERE CDFILIAL = :fil AND "
                   "NRORCAEVENTO = :orc",
                   {{"emp", company}, {"fil", branch}, {"orc", budget}});
    return nullptr;
}

} // namespace

void register_budget_methods(MethodRegistry& registry) {
    const ArgDef branch = arg::text("filial", size::branch);
    const ArgDef budget = arg::text("orçamento", size::budget);
    const ArgDef seq_ref = arg::text_ref("sequência", size::seq);
    registry.add({"GetEmpresaOrca", {branch, budget}, false, get_empresa_orca});
    registry.add({"GetSituacaoOrca", {branch, budget, seq_ref}, false, get_situacao_orca});
    registry.add({"GetPesqOrca", {branch}, false, get_pesq_orca});
    registry.add({"GetVdOrcaEven", {branch, budget, seq_ref}, false, get_vd_orca_even});
    registry.add({"GetVrTotal", {branch, budget, seq_ref}, false, get_vr_total});
    registry.add({"GetParamOrca", {}, false, get_param_orca});
    registry.add({"GetEndeFili", {branch}, false, get_ende_fili});
    registry.add({"GetEmpresa",
                  {branch, arg::text("empresa", size::company), arg::text("opção", size::flag)},
                  false,
                  get_empresa});
    registry.add({"SetEmpresaOrca",
                  {arg::text("empresa", size::company), branch, budget},
                  true,
                  set_empresa_orca});
}

} // namespace ct::server
