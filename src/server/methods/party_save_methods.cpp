// Saving parties: the party delta with new party numbers, and the clients it introduces.
#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/domain/party_queries.h"
#include "server/domain/records.h"
#include "server/methods/arg_sizes.h"
#include "server/methods/method_groups.h"
#include "server/methods/party_support.h"
#include "server/packet/delta_applier.h"

#include <fmt/format.h>
#include <unordered_map>

namespace ct::server {
namespace {

using nlohmann::json;

// The budget's key, then the party's number.
const char* const key_fields[] = {"CDFILIAL", "NRORCAEVENTO", "NRSEQORCAEVE", "NRENDCLIORCEVE"};

// Party address columns and the registered-address columns they fill.
const std::pair<const char*, const char*> address_columns[] = {
    {"CDPAIS", "CDPAIS"},
    {"SGESTADO", "SGESTADO"},
    {"CDMUNICIPIO", "CDMUNICIPIO"},
    {"DSENDECLIORE", "DSENDECLIE"},
    {"DSCOENDCLORE", "DSCOMPENDCLI"},
    {"NRCEPCLIEORE", "NRCEPCLIE"},
    {"NRTELECLIORE", "NRTELECLIE"},
    {"NRRAMACLIORE", "NRRAMALCLIE"},
    {"NRFAXCLIEORE", "NRFAXCLIE"},
    {"NMCONTCLIORE", "NMCONTCLIE"},
    {"DSEMAILCLOR1", "DSEMAILCLIE"},
    {"NRTELECLIOR1", "NRTELECLIE1"},
    {"NRRAMACLIOR1", "NRRAMALCLIE1"},
    {"CDBAIRRO", "CDBAIRRO"},
    {"NRCELCLIORE1", "NRCELULARCLI"},
    {"NRTELERESOR1", "NRTELRESICLI"},
    {"DSEMAILCLOR2", "DSEMAILCLIE2"},
};

struct BudgetArgs {
    std::string branch;
    std::string budget;
    std::string seq;
};

void refuse_foreign_row(const std::string& column) {
    throw AppError(
        fmt::format("O contratante enviado não pertence ao orçamento informado ({}).", column));
}

// A row's value at a packet position as trimmed text; a text is not copied. Null (or a field
// the packet lacks, position -1) is the empty text.
std::string_view trimmed_at(const PackedRow& row, int index, std::string& scratch) {
    if (index < 0) {
        return {};
    }
    const Cell value = row[static_cast<std::size_t>(index)];
    if (value.is_string()) {
        return trim_view(value.text());
    }
    scratch = Packet::text_of(value);
    return trim_view(scratch);
}

// Every change must concern the budget sequence of the call, and a modify keeps its key.
void check_change_keys(const Packet& delta, const BudgetArgs& args) {
    const std::string expected[] = {args.branch, args.budget, args.seq};
    int index[4];
    for (std::size_t i = 0; i < 4; ++i) {
        index[i] = delta.index(key_fields[i]);
    }
    std::string a;
    std::string b;
    for (const auto& change : delta.delta) {
        const PackedRow& row =
            change.op == DeltaChange::Op::insert ? change.new_row : change.old_row;
        for (std::size_t i = 0; i < 3; ++i) {
            const std::string_view value = trimmed_at(row, index[i], a);
            const bool blank_insert = change.op == DeltaChange::Op::insert && value.empty();
            if (!blank_insert && value != expected[i]) {
                refuse_foreign_row(key_fields[i]);
            }
        }
        if (change.op == DeltaChange::Op::modify) {
            for (int i : index) {
                if (trimmed_at(change.old_row, i, a) != trimmed_at(change.new_row, i, b)) {
                    throw AppError("A chave de um contratante salvo não pode ser alterada.");
                }
            }
        }
    }
}

// The party fields of the payment mode and its fixed-day plan.
const char* const plan_fields[] = {"IDFORMAPGCONT", "NRDIAVENCONOREV", "QTPARCCONTOREV",
                                   "IDMESVENCONOREV"};

// A modify that changes the payment plan of a party that may no longer change it is refused.
void check_plan_changes(Sql& sql, const Packet& delta, const BudgetArgs& args) {
    int index[std::size(plan_fields)];
    for (std::size_t i = 0; i < std::size(plan_fields); ++i) {
        index[i] = delta.index(plan_fields[i]);
    }
    const int party_at = delta.index("NRENDCLIORCEVE");
    std::string a;
    std::string b;
    for (const auto& change : delta.delta) {
        if (change.op != DeltaChange::Op::modify) {
            continue;
        }
        bool changes_plan = false;
        for (int i : index) {
            changes_plan = changes_plan ||
                           trimmed_at(change.old_row, i, a) != trimmed_at(change.new_row, i, b);
        }
        StoredParty party;
        const PartyKey key{args.branch, args.budget, args.seq,
                           std::string(trimmed_at(change.old_row, party_at, a))};
        if (changes_plan && fetch_party(sql, key, party, true)) {
            require_plan_changeable(party);
        }
    }
}

// A refusal that names a party by its number ("O contratante 0000000002 foi alterado por outro
// usuário...", the delta's check of a row changed meanwhile) names it by the name the user has
// on the screen instead.
std::string naming_the_party(const std::string& refusal, const Packet& delta) {
    const std::string& label = party_table().label;
    const int party_at = delta.index("NRENDCLIORCEVE");
    const int name_at = delta.index("NMFANTCLIE");
    std::string a;
    std::string b;
    for (const auto& change : delta.delta) {
        if (change.op == DeltaChange::Op::insert) {
            continue;
        }
        const std::string named =
            fmt::format("{} {} ", label, trimmed_at(change.old_row, party_at, a));
        const std::string_view name = trimmed_at(change.old_row, name_at, b);
        if (!name.empty() && refusal.starts_with(named)) {
            return fmt::format("{} {} {}", label, name, refusal.substr(named.size()));
        }
    }
    return refusal;
}

// The rows of the new-client packet by client code: whole data or the new side of its pending
// changes (the last row of a code wins). Found once per call, not once per saved party.
std::unordered_map<std::string, const PackedRow*> new_client_rows(const Packet& packet) {
    std::unordered_map<std::string, const PackedRow*> rows;
    auto add = [&](const PackedRow& row) { rows[trim(packet.text(row, "CDCLIENTE"))] = &row; };
    if (!packet.is_delta) {
        for (const auto& row : packet.rows) {
            add(row);
        }
        return rows;
    }
    for (const auto& change : packet.delta) {
        if (change.op != DeltaChange::Op::remove) {
            add(change.new_row);
        }
    }
    return rows;
}

std::string code_of(const Packet& delta, const PackedRow& row) {
    std::string code = trim(delta.text(row, "CDCLIENTE"));
    return code.empty() ? trim(delta.text(row, "CDCLIENCONTORCA")) : code;
}

SqlValue nullable_text(std::string text) {
    text = trim(text);
    return text.empty() ? SqlValue{} : SqlValue{std::move(text)};
}

// Registers the client of a saved party row, unless it is registered already. The client's
// own data come from the new-client packet when it names the same client, else from the row.
void register_client(Sql& sql, const Packet& delta, const PackedRow& row, const Packet* clients,
                     const std::unordered_map<std::string, const PackedRow*>& client_rows) {
    const std::string code = code_of(delta, row);
    if (code.empty() ||
        sql.scalar("SELECT 1 FROM CLIENTE WHERE CDCLIENTE = :cli", {{"cli", code}})) {
        return;
    }
    const auto found = client_rows.find(code);
    const PackedRow* client_row = found == client_rows.end() ? nullptr : found->second;
    auto pick = [&](const char* party_field, const char* client_field) {
        if (client_row) {
            std::string v = trim(clients->text(*client_row, client_field));
            if (!v.empty()) {
                return v;
            }
        }
        return trim(delta.text(row, party_field));
    };
    std::string type = pick("IDTPIJURCLIE", "IDTPIJURCLIE");
    if (type.empty()) {
        type = code.substr(0, 1);
    }
    std::string inscription = pick("NRINSJURCLIE", "NRINSJURCLIE");
    if (inscription.empty()) {
        inscription = code.substr(1);
    }
    const std::string name = pick("NMFANTCLIE", "NMFANTCLIE");
    std::string company_name = pick("NMRAZSOCCLIE", "NMRAZSOCCLIE");
    if (inscription.empty() || name.empty()) {
        throw AppError(
            fmt::format("O cliente {} não pode ser cadastrado sem inscrição e nome.", code));
    }
    sql.exec("INSERT INTO CLIENTE (CDCLIENTE, NRINSJURCLIE, IDTPIJURCLIE, NMFANTCLIE, "
             "NMRAZSOCCLIE) VALUES (:cli, :ins, :tp, :nm, :rz)",
             {{"cli", code},
              {"ins", inscription},
              {"tp", type},
              {"nm", name},
              {"rz", company_name.empty() ? name : company_name}});

    std::string columns = "CDCLIENTE";
    std::string values = ":cli";
    SqlParams params = {{"cli", code}};
    std::size_t n = 0;
    auto add = [&](const std::string& column, SqlValue value) {
        const std::string p = fmt::format("a{}", n++);
        columns += ", " + column;
        values += ", :" + p;
        params.push_back({p, std::move(value)});
    };
    for (const auto& [party_field, client_field] : address_columns) {
        add(client_field, nullable_text(pick(party_field, client_field)));
    }
    if (client_row) {
        add("NMBAIRCLIE", nullable_text(clients->text(*client_row, "NMBAIRCLIE")));
    }
    sql.exec(fmt::format("INSERT INTO ENDECLIE ({}) VALUES ({})", columns, values), params);
}

json set_ende_cont(CallContext& ctx) {
    Sql& sql = ctx.sql();
    const Packet& delta = ctx.packet(0);
    if (!delta.is_delta) {
        throw invalid_params("argumento 1 (contratantes) deve ser um delta");
    }
    const BudgetArgs args{ctx.text(2), ctx.text(3), ctx.text(4)};
    const Packet* clients = ctx.is_null(1) ? nullptr : &ctx.packet(1);

    if (!delta.delta.empty()) {
        require_open_budget(sql, args.branch, args.budget, args.seq);
        check_change_keys(delta, args);
        check_plan_changes(sql, delta, args);
    }
    const int party_at = delta.index("NRENDCLIORCEVE");
    std::string number_text;
    for (const auto& change : delta.delta) {
        if (change.op != DeltaChange::Op::insert) {
            ctx.note_change({args.branch, args.budget, args.seq,
                             std::string(trimmed_at(change.old_row, party_at, number_text))});
        }
    }
    PartyNumbers numbers(sql, args.branch, args.budget);
    DeltaApplier applier(sql, party_table());
    applier.before_insert = [&](RowValues& row) {
        row.set("CDFILIAL", args.branch);
        row.set("NRORCAEVENTO", args.budget);
        row.set("NRSEQORCAEVE", args.seq);
        const std::string number = numbers.next();
        row.set("NRENDCLIORCEVE", number);
        ctx.note_change({args.branch, args.budget, args.seq, number});
        if (row.text("IDSITUCONTOREV").empty()) {
            row.set("IDSITUCONTOREV", std::string(status_entered));
        }
    };
    applier.before_delete = [&](const RowValues& key) {
        const PartyKey party{key.text("CDFILIAL"), key.text("NRORCAEVENTO"),
                             key.text("NRSEQORCAEVE"), key.text("NRENDCLIORCEVE")};
        if (has_paid_account(sql, party)) {
            throw AppError(fmt::format("O contratante {} possui conta a receber baixada e não "
                                       "pode ser excluído.",
                                       party.party));
        }
        remove_party_dependents(sql, party);
    };
    DeltaOutcome outcome;
    try {
        outcome = applier.apply(delta);
    } catch (const AppError& refused) {
        throw AppError(naming_the_party(refused.what(), delta));
    }
    numbers.finish();

    // A modify that keeps its client code needs no check: that client came with an earlier save.
    const int client = delta.index("CDCLIENTE");
    const int party_client = delta.index("CDCLIENCONTORCA");
    std::string a;
    std::string b;
    auto code_at = [&](const PackedRow& row, std::string& scratch) {
        const std::string_view code = trimmed_at(row, client, scratch);
        return code.empty() ? trimmed_at(row, party_client, scratch) : code;
    };
    const auto client_rows =
        clients ? new_client_rows(*clients) : std::unordered_map<std::string, const PackedRow*>();
    for (const auto& change : delta.delta) {
        const bool new_code = change.op == DeltaChange::Op::insert ||
                              (change.op == DeltaChange::Op::modify &&
                               code_at(change.old_row, a) != code_at(change.new_row, b));
        if (new_code) {
            register_client(sql, delta, change.new_row, clients, client_rows);
        }
    }

    json totals = totals_packet(sql, args.branch, args.budget, args.seq);
    totals["fields"].push_back({{"name", "NRENDCLIORCEVE"}, {"type", "string"}, {"size", 10}});
    const std::string inserted =
        outcome.inserted.empty() ? std::string() : outcome.inserted.front().text("NRENDCLIORCEVE");
    for (auto& row : totals["rows"]) {
        row.push_back(inserted);
    }
    return totals;
}

} // namespace

void register_party_save_methods(MethodRegistry& registry) {
    registry.add({"SetEndeCont",
                  {arg::packet("contratantes", party_known_fields()),
                   arg::packet_ref_or_null("novo cliente", new_client_fields()),
                   arg::text("filial", size::branch), arg::text("orçamento", size::budget),
                   arg::text("sequência", size::seq)},
                  true,
                  set_ende_cont});
}

} // namespace ct::server
