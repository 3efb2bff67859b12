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
    const Row& row = change.op == DeltaChange::Op::remove ? change.old_row : change.new_row;
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
    const double value = round2(round2(last.number(0, "VRPARCELACONT")) + round2(amount));
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
        throw invalid_params("argument 1 (installments) must be a delta");
    }
    std::set<std::string> budgets;
    std::set<std::string> parties;
    for (const auto& change : delta.delta) {
        const PartyKey key = installment_party(delta, change);
        if (budgets.insert(key.branch + "|" + key.budget + "|" + key.seq).second) {
            require_open_budget(sql, key.branch, key.budget, key.seq);
        }
        StoredParty party;
        if (change.op != DeltaChange::Op::remove &&
            parties.insert(key.branch + "|" + key.budget + "|" + key.seq + "|" + key.party)
                .second &&
            !fetch_party(sql, key, party)) {
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
    const PartyKey key = key_from_args(ctx);
    ctx.sql().exec(std::string("DELETE FROM FORMAPAGTOCONT WHERE ") + party_where, key.params());
    return empty_packet(installment_fields());
}

json get_forma_ptgo(CallContext& ctx) {
    return installments_packet(ctx.sql(), key_from_args(ctx));
}

// New values keep the installments' percentages of the charged value; the last one takes the
// cents. Without stored percentages the shares of the current values are kept.
std::vector<double> installment_shares(const ResultSet& rs) {
    std::vector<double> shares;
    bool have_percentages = true;
    double percent_total = 0.0;
    double value_total = 0.0;
    for (std::size_t i = 0; i < rs.size(); ++i) {
        have_percentages = have_percentages && !is_null(rs.at(i, "VRPEFORMAPGCON"));
        percent_total += rs.number(i, "VRPEFORMAPGCON");
        value_total += round2(rs.number(i, "VRPARCELACONT"));
    }
    for (std::size_t i = 0; i < rs.size(); ++i) {
        if (have_percentages && percent_total > 0) {
            shares.push_back(rs.number(i, "VRPEFORMAPGCON") / 100.0);
        } else if (value_total > 0) {
            shares.push_back(round2(rs.number(i, "VRPARCELACONT")) / value_total);
        } else {
            shares.push_back(1.0 / static_cast<double>(rs.size()));
        }
    }
    return shares;
}

void rescale_installments(Sql& sql, const PartyKey& key, double charged) {
    ResultSet rs = sql.query(std::string("SELECT QTDIAFORMAPGCON, VRPEFORMAPGCON, VRPARCELACONT "
                                         "FROM FORMAPAGTOCONT WHERE ") +
                                 party_where + " ORDER BY QTDIAFORMAPGCON",
                             key.params());
    if (rs.empty()) {
        return;
    }
    const std::vector<double> shares = installment_shares(rs);
    double sum = 0.0;
    for (std::size_t i = 0; i < rs.size(); ++i) {
        const bool last = i + 1 == rs.size();
        const double value = last ? round2(charged - sum) : round2(charged * shares[i]);
        sum = round2(sum + value);
        SqlParams params = key.params();
        params.push_back({"vr", value});
        params.push_back({"dias", rs.at(i, "QTDIAFORMAPGCON")});
        std::string set = "VRPARCELACONT = :vr";
        if (last && charged > 0) {
            set += ", VRPEFORMAPGCON = :pe";
            params.push_back({"pe", round2(value * 100.0 / charged)});
        }
        sql.exec(fmt::format("UPDATE FORMAPAGTOCONT SET {} WHERE {} AND QTDIAFORMAPGCON = :dias",
                             set, party_where),
                 params);
    }
}

json atualiza_parcelas(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const Packet& parties = ctx.packet(0);
    require_rows(parties);
    std::set<std::string> done;
    for (const Row& row : parties.rows) {
        const PartyKey key = party_key_of(parties, row);
        StoredParty party;
        if (key.party.empty() ||
            !done.insert(key.branch + "|" + key.budget + "|" + key.seq + "|" + key.party).second ||
            !fetch_party(sql, key, party)) {
            continue;
        }
        const bool open = party.status != status_cancelled && party.status != status_refunded;
        if (open && party.mode == "V") {
            rescale_installments(sql, key, party.charged);
        }
    }
    return nullptr;
}

} // namespace

void register_installment_methods(MethodRegistry& registry) {
    const std::vector<ArgSpec> party_args = {
        arg::text("branch", size::branch), arg::text("budget", size::budget),
        arg::text("sequence", size::seq), arg::text("party", size::party)};
    registry.add({"GetFormaPtgo", party_args, false, get_forma_ptgo});
    registry.add({"DeletaParcelas", party_args, true, deleta_parcelas});
    registry.add({"SetFormaPagto",
                  {arg::packet("installments", installment_fields())},
                  true,
                  set_forma_pagto});
    registry.add({"AtualizaParcelas",
                  {arg::packet("parties", party_known_fields())},
                  true,
                  atualiza_parcelas});
}

} // namespace ct::server
