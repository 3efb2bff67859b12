// Removal of the parties the user marked: contract check, deletion and cancellation.
#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/methods/party_support.h"

#include <fmt/format.h>
#include <set>

namespace ct::server {
namespace {

using nlohmann::json;

std::string display_name(const Packet& parties, const PackedRow& row, const StoredParty& stored) {
    const std::string typed = trim(parties.text(row, "NMFANTCLIE"));
    return typed.empty() ? trim(stored.name) : typed;
}

json get_exist_contrato(CallContext& ctx) {
    const Packet& parties = ctx.packet(0);
    require_rows(parties);
    std::string names;
    for (const PackedRow* marked : marked_rows(parties)) {
        const PackedRow& row = *marked;
        const PartyKey key = party_key_of(parties, row);
        StoredParty stored;
        if (key.party.empty() || !fetch_party(ctx.sql(), key, stored)) {
            continue;
        }
        const bool issued = ctx.sql()
                                .scalar("SELECT 1 FROM CONTRATO WHERE CDFILIAL = :fil AND "
                                        "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq AND "
                                        "NRENDCLIORCEVE = :nr",
                                        key.params())
                                .has_value();
        if (issued) {
            names += (names.empty() ? "" : ", ") + display_name(parties, row, stored);
        }
    }
    return names;
}

// The quota responsible goes with the last party of the budget that holds its client.
void release_responsible_if_gone(Sql& sql, const PartyKey& key, const std::string& client) {
    if (client.empty()) {
        return;
    }
    const SqlParams params = {{"fil", key.branch}, {"orc", key.budget}, {"cli", client}};
    const bool still_party = sql.scalar("SELECT 1 FROM ENDECONTORCA WHERE CDFILIAL = :fil AND "
                                        "NRORCAEVENTO = :orc AND CDCLIENCONTORCA = :cli",
                                        params)
                                 .has_value();
    if (!still_party) {
        sql.exec("DELETE FROM ORCARESPCOTA WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND "
                 "CDCLIENCONTORCA = :cli",
                 params);
    }
}

// Parties that named the removed client as their substitute lose it when no party of the
// sequence holds that client any more.
void clear_substitute_if_gone(Sql& sql, const PartyKey& key, const std::string& client) {
    if (client.empty()) {
        return;
    }
    sql.exec("UPDATE ENDECONTORCA SET CDCLICONTSUBORE = NULL WHERE CDFILIAL = :fil AND "
             "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq AND CDCLICONTSUBORE = :cli AND NOT "
             "EXISTS (SELECT 1 FROM ENDECONTORCA O WHERE O.CDFILIAL = :fil2 AND O.NRORCAEVENTO "
             "= :orc2 AND O.NRSEQORCAEVE = :seq2 AND O.CDCLIENCONTORCA = :cli2)",
             {{"fil", key.branch},
              {"orc", key.budget},
              {"seq", key.seq},
              {"cli", client},
              {"fil2", key.branch},
              {"orc2", key.budget},
              {"seq2", key.seq},
              {"cli2", client}});
}

json set_del_cont(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const Packet& parties = ctx.packet(0);
    const std::string company = trim(ctx.text(1));
    require_rows(parties);
    std::set<std::string> checked_budgets;
    for (const PackedRow* marked : marked_rows(parties)) {
        const PackedRow& row = *marked;
        const PartyKey key = party_key_of(parties, row);
        StoredParty stored;
        if (key.party.empty() || !fetch_party(sql, key, stored, true)) {
            continue; // never saved, or already deleted by someone else
        }
        if (checked_budgets.insert(key.branch + "|" + key.budget + "|" + key.seq).second) {
            require_open_budget(sql, key.branch, key.budget, key.seq);
            // The deletion is made in the company the user works in, which must be the branch's.
            if (!company.empty()) {
                require_branch_company(sql, key.branch, company);
            }
        }
        if (has_paid_account(sql, key)) {
            throw AppError(fmt::format("O contratante {} possui conta a receber baixada e não "
                                       "pode ser excluído.",
                                       display_name(parties, row, stored)));
        }
        remove_party_dependents(sql, key);
        sql.exec("DELETE FROM ENDECONTORCA WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND "
                 "NRSEQORCAEVE = :seq AND NRENDCLIORCEVE = :nr",
                 key.params());
        release_responsible_if_gone(sql, key, stored.client);
        clear_substitute_if_gone(sql, key, stored.client);
        ctx.note_change(key.audited());
    }
    PartyKey shown;
    if (!parties.rows.empty()) {
        shown = party_key_of(parties, parties.rows.front());
    }
    return parties_with_totals(sql, shown.branch, shown.budget, shown.seq);
}

json set_cancel_mult_cont(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const Packet& parties = ctx.packet(0);
    require_rows(parties);
    for (const PackedRow* marked : marked_rows(parties)) {
        const PackedRow& row = *marked;
        const PartyKey key = party_key_of(parties, row);
        StoredParty stored;
        if (key.party.empty()) {
            continue;
        }
        if (!fetch_party(sql, key, stored, true)) {
            throw AppError(fmt::format("O contratante {} foi excluído por outro usuário. "
                                       "Recarregue os dados e repita a operação.",
                                       key.party));
        }
        if (stored.status == status_cancelled) {
            continue;
        }
        if (has_paid_account(sql, key)) {
            throw AppError("N_PARAM_CONTARECBAIXADA");
        }
        sql.exec("DELETE FROM CONTAREC WHERE CDFILIAL = :fil AND NRORCAEVENTO = :orc AND "
                 "NRSEQORCAEVE = :seq AND NRENDCLIORCEVE = :nr",
                 key.params());
        SqlParams params = key.params();
        params.push_back({"st", std::string(status_cancelled)});
        sql.exec("UPDATE ENDECONTORCA SET IDSITUCONTOREV = :st WHERE CDFILIAL = :fil AND "
                 "NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq AND NRENDCLIORCEVE = :nr",
                 params);
        ctx.note_change(key.audited());
    }
    return nullptr;
}

} // namespace

void register_party_removal_methods(MethodRegistry& registry) {
    const ArgDef parties = arg::packet("contratantes", party_known_fields());
    registry.add({"GetExistContrato", {parties}, false, get_exist_contrato});
    registry.add(
        {"SetDelCont", {parties, arg::text("empresa", size::company)}, true, set_del_cont});
    registry.add({"SetCancelMultCont", {parties}, true, set_cancel_mult_cont});
}

} // namespace ct::server
