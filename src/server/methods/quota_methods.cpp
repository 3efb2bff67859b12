// The budget's quota responsible: naming and releasing it.
#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/domain/party_queries.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"

#include <fmt/format.h>

namespace ct::server {
namespace {

using nlohmann::json;

void name_responsible(Sql& sql, const SqlParams& params, const std::string& current,
                      const std::string& client) {
    if (current == client) {
        return;
    }
    if (!current.empty()) {
        throw AppError("O orçamento já possui responsável pelas cotas: altere o responsável "
                       "antes de definir outro.");
    }
    const bool party = sql.scalar("SELECT 1 FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND "
                                  "P.NRORCAEVENTO = :orc AND P.CDCLIENCONTORCA = :cli AND " +
                                      open_party("P"),
                                  params)
                           .has_value();
    if (!party) {
        throw AppError(fmt::format("O cliente {} não é contratante do orçamento.", client));
    }
    // Two users naming different responsibles at once: the second finds the first's.
    const long long named =
        sql.exec("INSERT INTO ORCARESPCOTA (CDFILIAL, NRORCAEVENTO, CDCLIENCONTORCA) VALUES "
                 "(:fil, :orc, :cli) ON CONFLICT (CDFILIAL, NRORCAEVENTO) DO NOTHING",
                 params);
    if (named != 1) {
        throw AppError("O orçamento já possui responsável pelas cotas: altere o responsável "
                       "antes de definir outro.");
    }
}

void release_responsible(Sql& sql, const SqlParams& params, const std::string& current,
                         const std::string& client) {
    if (current.empty() || current != client) {
        throw AppError("O contratante informado não é o responsável pelas cotas do orçamento.");
    }
    const bool generated =
        sql.scalar("SELECT 1 FROM ENDECONTORCA P WHERE P.CDFILIAL = :fil AND P.NRORCAEVENTO = "
                   ":orc AND P.CDCLIENCONTORCA = :cli AND (P.IDSITUCONTOREV = 'CNTGERADA' OR "
                   "EXISTS (SELECT 1 FROM CONTAREC C WHERE C.CDFILIAL = P.CDFILIAL AND "
                   "C.NRORCAEVENTO = P.NRORCAEVENTO AND C.NRSEQORCAEVE = P.NRSEQORCAEVE AND "
                   "C.NRENDCLIORCEVE = P.NRENDCLIORCEVE))",
                   params)
            .has_value();
    if (generated) {
        throw AppError("RESP_COTAS_ORCA_FECH");
    }
    const bool children = sql.scalar("SELECT 1 FROM ORCAEVENTO WHERE CDFILIAL = :fil AND "
                                     "NRORCAEVENTOPAI = :orc AND IDORCAFILHODISTRATO = 'S'",
                                     {params[0], params[1]})
                              .has_value();
    if (children) {
        throw AppError("EXIST_ORCA_DISTRATO");
    }
    sql.exec("DELETE FROM ORCARESPCOTA WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc",
             {params[0], params[1]});
}

json set_lider_turma(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const std::string flag = trim(ctx.text(3));
    const std::string client = trim(ctx.text(4));
    if (flag != "S" && flag != "N") {
        throw AppError(fmt::format("Opção inválida para o responsável pelas cotas: \"{}\".", flag));
    }
    if (client.empty()) {
        throw AppError("Contratante não informado.");
    }
    const SqlParams params = {{"fil", ctx.text(0)}, {"orc", ctx.text(1)}, {"cli", client}};
    const auto stored = sql.scalar(std::string("SELECT CDCLIENCONTORCA FROM ORCARESPCOTA WHERE "
                                               "CDFILIAL = :fil AND NRORCAEVENTO = :orc") +
                                       std::string(sql.lock_rows()),
                                   {params[0], params[1]});
    const std::string current = stored ? trim(as_text(*stored)) : std::string();
    if (flag == "S") {
        name_responsible(sql, params, current, client);
    } else {
        release_responsible(sql, params, current, client);
    }
    return nullptr;
}

} // namespace

void register_quota_methods(MethodRegistry& registry) {
    registry.add({"SetLiderTurma",
                  {arg::text("filial", size::branch), arg::text("orçamento", size::budget),
                   arg::text_ref("sequência", size::seq), arg::text("opção", size::flag),
                   arg::text("cliente", size::client)},
                  true,
                  set_lider_turma});
}

} // namespace ct::server
