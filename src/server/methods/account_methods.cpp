// Receivable accounts raised from the screen: extra invitations and refunds.
#include "money/refund.h"
#include "server/core/errors.h"
#include "server/core/money.h"
#include "server/core/text.h"
#include "server/domain/records.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/methods/party_support.h"

#include <cmath>
#include <fmt/format.h>

namespace ct::server {
namespace {

using nlohmann::json;

struct BranchParams {
    std::string series;
    std::string operation;
    std::string account_type;
    std::string order_type;
    std::string refund_operation;
};

BranchParams branch_params(Sql& sql, const std::string& branch) {
    ResultSet rs = sql.query("SELECT CDSERIEPADRAO, CDOPERCONVEXTRA, CDTIPOCONTREC, CDTIPOPEDIDO, "
                             "CDOPERDEVOLUCAO FROM PARAMFILIAL WHERE CDFILIAL = :fil",
                             {{"fil", branch}});
    if (rs.empty()) {
        return {};
    }
    return {trim(rs.text(0, "CDSERIEPADRAO")), trim(rs.text(0, "CDOPERCONVEXTRA")),
            trim(rs.text(0, "CDTIPOCONTREC")), trim(rs.text(0, "CDTIPOPEDIDO")),
            trim(rs.text(0, "CDOPERDEVOLUCAO"))};
}

SqlValue text_or_null(const std::string& text) {
    return text.empty() ? SqlValue{} : SqlValue{text};
}

// A receivable account raised from the screen, due in 30 days. Like every account of the suite
// it carries the operation it belongs to and the operator who raised it.
struct NewAccount {
    std::string kind; // IDTIPOCONTAREC
    std::string operation;
    std::string account_type; // may be empty
    std::string series;       // may be empty
    SqlValue invitations;     // extra invitations billed (null for a refund)
    double value = 0.0;
    std::string raised_by;
};

void insert_account(Sql& sql, const PartyKey& key, const NewAccount& account) {
    SqlParams row = key.params();
    row.insert(row.end(), {{"tipo", account.kind},
                           {"op", account.operation},
                           {"tp", text_or_null(account.account_type)},
                           {"se", text_or_null(account.series)},
                           {"qt", account.invitations},
                           {"vr", account.value},
                           {"venc", date_from_today(30)},
                           {"ger", date_from_today(0)},
                           {"usr", account.raised_by}});
    sql.exec("INSERT INTO CONTAREC (CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
             "IDTIPOCONTAREC, CDOPERACAO, CDTIPOCONTREC, CDSERIE, QTCONVEXTRA, VRCONTAREC, "
             "VRPAGOREC, DTVENCCONTAREC, DTGERACONTAREC, CDOPERADOR) VALUES (:fil, :orc, :seq, "
             ":nr, :tipo, :op, :tp, :se, :qt, :vr, 0, :venc, :ger, :usr)",
             row);
}

// The keys the screen translates into the missing branch parameter.
void require_extra_params(const BranchParams& p, const std::string& branch) {
    if (p.series.empty()) {
        throw AppError("N_PARAM_SERIE");
    }
    if (p.operation.empty()) {
        throw AppError("N_PARAM_TIPOOPER");
    }
    if (p.account_type.empty()) {
        throw AppError("N_PARAM_TPCTREC|" + p.operation);
    }
    if (p.order_type.empty()) {
        throw AppError("N_PARAM_PED|" + branch);
    }
}

json set_gerar_conta(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const std::string& branch = ctx.text(0);
    const std::string& budget = ctx.text(1);
    const std::string& seq = ctx.text(2);
    if (trim(ctx.text(3)) != "EXTRA") {
        throw AppError(fmt::format("Tipo de conta não previsto: \"{}\".", ctx.text(3)));
    }
    const BranchParams params = branch_params(sql, branch);
    require_extra_params(params, branch);
    // A signed-in call raises the accounts in its operator's name, whatever the argument says.
    const std::string& raised_by =
        ctx.caller().signed_in ? ctx.caller().operator_code : ctx.text(4);

    ResultSet parties = sql.query(
        "SELECT NRENDCLIORCEVE, QTEXTCONVOREV, QTEXTCONVFATURADO, VREXTCONVOREV FROM ENDECONTORCA "
        "WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq AND "
        "IDSITUCONTOREV = :st AND QTEXTCONVOREV > QTEXTCONVFATURADO ORDER BY NRENDCLIORCEVE" +
            std::string(sql.lock_rows()),
        {{"fil", branch}, {"orc", budget}, {"seq", seq}, {"st", std::string(status_generated)}});
    for (std::size_t i = 0; i < parties.size(); ++i) {
        const long long total = as_integer(parties.at(i, "QTEXTCONVOREV"));
        const long long billed = as_integer(parties.at(i, "QTEXTCONVFATURADO"));
        const double worth = round2(parties.number(i, "VREXTCONVOREV"));
        // Invitations billed before were billed at their share of the value.
        const double value =
            billed == 0
                ? worth
                : round2(worth * static_cast<double>(total - billed) / static_cast<double>(total));
        const PartyKey key{branch, budget, seq, parties.text(i, "NRENDCLIORCEVE")};
        insert_account(sql, key,
                       {"EXTRA", params.operation, params.account_type, params.series,
                        SqlValue{total - billed}, value, raised_by});
        SqlParams billed_now = key.params();
        billed_now.push_back({"qt", total});
        sql.exec("UPDATE ENDECONTORCA SET QTEXTCONVFATURADO = :qt WHERE CDFILIAL = :fil AND "
                 "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq AND NRENDCLIORCEVE = :nr",
                 billed_now);
        ctx.note_change(key.audited());
    }
    return nullptr;
}

PartyKey party_from_args(const CallContext& ctx) {
    return {ctx.text(0), ctx.text(1), ctx.text(2), ctx.text(3)};
}

json paid_packet(Sql& sql, const PartyKey& key) {
    return packet_from_rows({num("VRATUAREC")}, {Row{paid_by_party(sql, key)}});
}

// A party has one refund account at most; its second one is refused with that reason, before
// the amount left to refund (nothing, after a whole refund) is looked at.
void require_no_refund_yet(Sql& sql, const PartyKey& key, const StoredParty& party) {
    const bool refunded =
        party.status == status_refunded ||
        sql.scalar("SELECT 1 FROM CONTAREC WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND "
                   "NRSEQORCAEVE = :seq AND NRENDCLIORCEVE = :nr AND IDTIPOCONTAREC = 'DEVOLUCAO'",
                   key.params())
            .has_value();
    if (refunded) {
        throw AppError(fmt::format("O contratante {} já possui conta de devolução; uma segunda "
                                   "devolução não é permitida.",
                                   trim(party.name)));
    }
}

// What the party paid, asked by the refund command before its dialog opens.
json get_vr_conta(CallContext& ctx) {
    const PartyKey key = party_from_args(ctx);
    StoredParty party;
    if (fetch_party(ctx.sql(), key, party)) {
        require_no_refund_yet(ctx.sql(), key, party);
    }
    return paid_packet(ctx.sql(), key);
}

json set_gera_devolucao(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const PartyKey key = party_from_args(ctx);
    const double value = stored_money(ctx.number(4), "da devolução");
    StoredParty party;
    if (!fetch_party(sql, key, party, true)) {
        throw AppError(fmt::format("O contratante {} não está cadastrado.", key.party));
    }
    require_no_refund_yet(sql, key, party);
    if (value <= 0) {
        throw AppError("O valor da devolução deve ser maior que zero.");
    }
    const double paid = paid_by_party(sql, key);
    if (paid <= 0) {
        throw AppError("Não há recebimento para o contratante selecionado.");
    }
    // The refund dialog refuses the same before sending it.
    if (const auto above = money::refundAboveReceived(value, paid)) {
        throw AppError(*above);
    }
    const BranchParams params = branch_params(sql, key.branch);
    if (params.refund_operation.empty()) {
        throw AppError(fmt::format("Não há operação de devolução parametrizada para a filial {}. "
                                   "Informe-a na tela de Cadastro de Filial.",
                                   key.branch));
    }
    insert_account(sql, key,
                   {"DEVOLUCAO", params.refund_operation, params.account_type, params.series,
                    SqlValue{}, value, ctx.caller().operator_code});
    SqlParams status = key.params();
    status.push_back({"st", std::string(status_refunded)});
    sql.exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = :st WHERE CDFILIAL = :fil AND "
             "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq AND NRENDCLIORCEVE = :nr",
             status);
    return paid_packet(sql, key);
}

} // namespace

void register_account_methods(MethodRegistry& registry) {
    const ArgDef branch = arg::text("filial", size::branch);
    const ArgDef budget = arg::text("orçamento", size::budget);
    const ArgDef seq = arg::text("sequência", size::seq);
    const ArgDef party = arg::text("contratante", size::party);
    registry.add(
        {"SetGerarConta",
         {branch, budget, seq, arg::text("tipo de conta", size::flag), arg::text("operador", 10)},
         true,
         set_gerar_conta});
    registry.add({"GetVrConta", {branch, budget, seq, party}, false, get_vr_conta});
    registry.add({"SetGeraDevolucao",
                  {branch, budget, seq, party, arg::number_ref("valor")},
                  true,
                  set_gera_devolucao});
}

} // namespace ct::server
