// Installments of a party in mode "V": reading, saving, deleting and rescaling them.
#include "server/core/errors.h"
#include "server/core/money.h"
#include "server/core/text.h"
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/methods/party_support.h"
#include "server/packet/delta_applier.h"

#include <fmt/format.h>
#include <map>
#include <set>
#include <tuple>

namespace ct::server {
namespace {

using nlohmann::json;

const char* const party_where = "CDFILIAL = :fil AND NRORCAEVENTO = :orc AND NRSEQORCAEVE = :seq "
                                "AND NRENDCLIORCEVE = :nr";

json installments_packet(Sql& sql, const PartyKey& key) {
    return packet_from_result(
        installment_fields(),
        sql.query(std::string("SELECT CDFILIAL, NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE, "
                              "QTDIAFORMAPGCON, VRPEFORMAPGCON, DTVENCPARCCONT, VRPARCELACONT, "
                              "DSOBSPARCCONT FROM FORMAPAGTOCONT WHERE ") +
                      party_where + " ORDER BY QTDIAFORMAPGCON",
                  key.params()));
}

PartyKey key_from_args(const CallContext& ctx) {
    return {ctx.text(0), ctx.text(1), ctx.text(2), ctx.text(3)};
}

PartyKey installment_party(const Packet& delta, const DeltaChange& change) {
    const PackedRow& row = change.op == DeltaChange::Op::remove ? change.old_row : change.new_row;
    PartyKey key{trim(delta.text(row, "CDFILIAL")), trim(delta.text(row, "NRORCAEVENTO")),
                 trim(delta.text(row, "NRSEQORCAEVE")), trim(delta.text(row, "NRENDCLIORCEVE"))};
    if (key.branch.empty() || key.budget.empty() || key.seq.empty() || key.party.empty()) {
        throw AppError("A parcela não está ligada a um contratante: salve o contratante antes de "
                       "suas parcelas.");
    }
    return key;
}

// The last installment (by days) of a party takes the value of the installments deleted.
void move_to_last_installment(Sql& sql, const PartyKey& key, double amount) {
    ResultSet last = sql.query(std::string("SELECT QTDIAFORMAPGCON, VRPARCELACONT, "
                                           "VRPEFORMAPGCON FROM FORMAPAGTOCONT WHERE ") +
                                   party_where + " ORDER BY QTDIAFORMAPGCON DESC LIMIT 1",
                               key.params());
    if (last.empty()) {
        return; // nothing left to carry the value
    }
    StoredParty party;
    fetch_party(sql, key, party);
    const double value =
        stored_money(round2(last.number(0, "VRPARCELACONT")) + round2(amount), "da última parcela");
    const SqlValue percent = party.charged > 0 ? SqlValue{round2(value * 100.0 / party.charged)}
                                               : last.at(0, "VRPEFORMAPGCON");
    SqlParams params = key.params();
    params.push_back({"vr", value});
    params.push_back({"pe", percent});
    params.push_back({"dias", last.at(0, "QTDIAFORMAPGCON")});
    sql.exec(std::string("UPDATE FORMAPAGTOCONT SET VRPARCELACONT = :vr, VRPEFORMAPGCON = :pe "
                         "WHERE ") +
                 party_where + " AND QTDIAFORMAPGCON = :dias",
             params);
}

json set_forma_pagto(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const Packet& delta = ctx.packet(0);
    if (!delta.is_delta) {
        throw invalid_params("argumento 1 (parcelas) deve ser um delta");
    }
    std::set<std::string> budgets;
    std::set<std::string> parties;
    for (const auto& change : delta.delta) {
        const PartyKey key = installment_party(delta, change);
        ctx.note_change(key.audited());
        if (budgets.insert(key.branch + "|" + key.budget + "|" + key.seq).second) {
            require_open_budget(sql, key.branch, key.budget, key.seq);
        }
        if (!parties.insert(key.branch + "|" + key.budget + "|" + key.seq + "|" + key.party)
                 .second) {
            continue;
        }
        StoredParty party;
        if (fetch_party(sql, key, party, true)) {
            require_plan_changeable(party);
        } else if (change.op != DeltaChange::Op::remove) {
            throw AppError(fmt::format("O contratante {} não está cadastrado: salve o contratante "
                                       "antes de suas parcelas.",
                                       key.party));
        }
    }

    std::map<std::string, std::pair<PartyKey, double>> moved;
    DeltaApplier applier(sql, installment_table());
    applier.before_delete = [&](const RowValues& row) {
        const PartyKey key{row.text("CDFILIAL"), row.text("NRORCAEVENTO"), row.text("NRSEQORCAEVE"),
                           row.text("NRENDCLIORCEVE")};
        SqlParams params = key.params();
        params.push_back({"dias", *row.find("QTDIAFORMAPGCON")});
        const auto value = sql.scalar(std::string("SELECT VRPARCELACONT FROM FORMAPAGTOCONT "
                                                  "WHERE ") +
                                          party_where + " AND QTDIAFORMAPGCON = :dias",
                                      params);
        auto& entry = moved[key.branch + "|" + key.budget + "|" + key.seq + "|" + key.party];
        entry.first = key;
        entry.second = round2(entry.second + round2(value ? as_double(*value) : 0.0));
    };
    applier.apply(delta);
    for (const auto& [name, entry] : moved) {
        move_to_last_installment(sql, entry.first, entry.second);
    }
    if (delta.delta.empty()) {
        return empty_packet(installment_fields());
    }
    return installments_packet(sql, installment_party(delta, delta.delta.back()));
}

json deleta_parcelas(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const PartyKey key = key_from_args(ctx);
    // A party without installments loses nothing: the screen asks so after every cancel.
    const bool has_installments =
        sql.scalar(std::string("SELECT 1 FROM FORMAPAGTOCONT WHERE ") + party_where, key.params())
            .has_value();
    StoredParty party;
    if (has_installments && fetch_party(sql, key, party, true)) {
        require_plan_changeable(party);
    }
    sql.exec(std::string("DELETE FROM FORMAPAGTOCONT WHERE ") + party_where, key.params());
    return empty_packet(installment_fields());
}

json get_forma_ptgo(CallContext& ctx) {
    return installments_packet(ctx.sql(), key_from_args(ctx));
}

// One installment of a party's plan as stored.
struct Installment {
    SqlValue days;
    double value = 0.0;
    SqlValue percent;
};

// The plan keeps its shape: the new values are shares of the charged value in proportion to the
// current ones (to the percentages when the values add up to nothing), the last installment
// takes the cents left over, and each percentage is again the installment's part of the charged
// value. Only the installments that change are written.
// True when some installment had to change.
bool rescale_plan(Sql& sql, const PartyKey& key, double charged,
                  const std::vector<Installment>& plan) {
    bool changed = false;
    std::vector<double> weights;
    double value_total = 0.0;
    for (const Installment& installment : plan) {
        weights.push_back(round2(installment.value));
        value_total = round2(value_total + round2(installment.value));
    }
    if (value_total == 0.0) {
        for (std::size_t i = 0; i < plan.size(); ++i) {
            weights[i] = is_null(plan[i].percent) ? 0.0 : as_double(plan[i].percent);
        }
    }
    const std::vector<double> values = money::proportionalShares(charged, weights);
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const SqlValue percent =
            charged != 0.0 ? SqlValue{values[i] * 100.0 / charged} : plan[i].percent;
        const bool same_percent =
            is_null(percent)
                ? is_null(plan[i].percent)
                : !is_null(plan[i].percent) && as_double(percent) == as_double(plan[i].percent);
        if (same_money(values[i], plan[i].value) && same_percent) {
            continue;
        }
        SqlParams params = key.params();
        params.push_back({"vr", values[i]});
        params.push_back({"pe", percent});
        params.push_back({"dias", plan[i].days});
        sql.exec(std::string("UPDATE FORMAPAGTOCONT SET VRPARCELACONT = :vr, VRPEFORMAPGCON = :pe "
                             "WHERE ") +
                     party_where + " AND QTDIAFORMAPGCON = :dias",
                 params);
        changed = true;
    }
    return changed;
}

// The plans of a budget's open parties in variable mode, with their charged values, read at
// once: party number -> (charged value, installments by days).
std::map<std::string, std::pair<double, std::vector<Installment>>>
open_variable_plans(Sql& sql, const std::string& branch, const std::string& budget,
                    const std::string& seq) {
    ResultSet rs = sql.query(
        "SELECT F.NRENDCLIORCEVE, F.QTDIAFORMAPGCON, F.VRPARCELACONT, F.VRPEFORMAPGCON, "
        "P.VRRECECONTOREV FROM FORMAPAGTOCONT F JOIN ENDECONTORCA P ON "
        "P.CDFILIAL = F.CDFILIAL AND P.NRORCAEVENTO = F.NRORCAEVENTO AND "
        "P.NRSEQORCAEVE = F.NRSEQORCAEVE AND P.NRENDCLIORCEVE = F.NRENDCLIORCEVE "
        "WHERE P.CDFILIAL = :fil AND P.NRORCAEVENTO = :orc AND P.NRSEQORCAEVE = :seq AND "
        "P.IDSITUCONTOREV = :st AND P.IDFORMAPGCONT = 'V' "
        "ORDER BY F.NRENDCLIORCEVE, F.QTDIAFORMAPGCON",
        {{"fil", branch}, {"orc", budget}, {"seq", seq}, {"st", std::string(status_entered)}});
    std::map<std::string, std::pair<double, std::vector<Installment>>> plans;
    for (std::size_t i = 0; i < rs.size(); ++i) {
        auto& plan = plans[trim(rs.text(i, "NRENDCLIORCEVE"))];
        plan.first = round2(rs.number(i, "VRRECECONTOREV"));
        plan.second.push_back({rs.at(i, "QTDIAFORMAPGCON"), rs.number(i, "VRPARCELACONT"),
                               rs.at(i, "VRPEFORMAPGCON")});
    }
    return plans;
}

// Every open party of the packet that pays in variable installments gets its plan rescaled to
// the value now stored for it. Only "LANCADO" parties: a generated party's accounts were raised
// from its plan, and cancelled or refunded parties are closed.
json atualiza_parcelas(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const Packet& parties = ctx.packet(0);
    require_rows(parties);
    std::map<std::tuple<std::string, std::string, std::string>, std::set<std::string>> wanted;
    if (!parties.rows.empty()) {
        party_key_of(parties, parties.rows.front()); // the packet carries the key fields
    }
    // Fields found once: the whole data of a big budget has thousands of rows.
    const int at[] = {parties.index("CDFILIAL"), parties.index("NRORCAEVENTO"),
                      parties.index("NRSEQORCAEVE"), parties.index("NRENDCLIORCEVE")};
    const auto text = [](const PackedRow& row, int index) {
        const Cell v = row[static_cast<std::size_t>(index)];
        return v.is_string() ? trim(v.text()) : std::string();
    };
    for (const PackedRow& row : parties.rows) {
        std::string party = text(row, at[3]);
        if (!party.empty()) {
            wanted[{text(row, at[0]), text(row, at[1]), text(row, at[2])}].insert(std::move(party));
        }
    }
    for (const auto& [budget, numbers] : wanted) {
        const auto& [branch, number, seq] = budget;
        require_open_budget(sql, branch, number, seq);
        for (const auto& [party, plan] : open_variable_plans(sql, branch, number, seq)) {
            const PartyKey key{branch, number, seq, party};
            if (numbers.count(party) != 0 && rescale_plan(sql, key, plan.first, plan.second)) {
                ctx.note_change(key.audited());
            }
        }
    }
    return nullptr;
}

} // namespace

void register_installment_methods(MethodRegistry& registry) {
    const std::vector<ArgDef> party_args = {
        arg::text("filial", size::branch), arg::text("orçamento", size::budget),
        arg::text("sequência", size::seq), arg::text("contratante", size::party)};
    registry.add({"GetFormaPtgo", party_args, false, get_forma_ptgo});
    registry.add({"DeletaParcelas", party_args, true, deleta_parcelas});
    registry.add(
        {"SetFormaPagto", {arg::packet("parcelas", installment_fields())}, true, set_forma_pagto});
    registry.add({"AtualizaParcelas",
                  {arg::packet("contratantes", party_known_fields())},
                  true,
                  atualiza_parcelas});
}

} // namespace ct::server
