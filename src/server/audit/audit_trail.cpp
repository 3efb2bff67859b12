#include "server/audit/audit_trail.h"

#include "server/auth/crypto.h"
#include "server/auth/gate.h"
#include "server/core/text.h"
#include "server/db/sql_array.h"

#include <algorithm>
#include <ctime>
#include <fmt/format.h>
#include <functional>
#include <map>
#include <mutex>
#include <string_view>
#include <unordered_set>

namespace ct::server::audit {
namespace {

std::string local_time_now() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return fmt::format("{:04}-{:02}-{:02}T{:02}:{:02}:{:02}", local.tm_year + 1900,
                       local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

// The INSERT of `count` audit rows of one call (a text per count, so each is prepared once).
// What every row of the call shares is bound once (:c, :d, :p, :m), the keys row by row.
const std::string& insert_text(std::size_t count) {
    static std::mutex mutex;
    static std::map<std::size_t, std::string> texts;
    const std::lock_guard lock(mutex);
    std::string& text = texts[count];
    if (text.empty()) {
        text = "INSERT INTO AUDITORIA (NRCHAMADA, DTAUDITORIA, CDOPERADOR, NMMETODO, CDFILIAL, "
               "NRORCAEVENTO, NRSEQORCAEVE, NRENDCLIORCEVE) VALUES ";
        for (std::size_t i = 0; i < count; ++i) {
            text += fmt::format("{}(:c, :d, :p, :m, :f{}, :o{}, :s{}, :n{})", i ? ", " : "", i, i,
                                i, i);
        }
    }
    return text;
}

// On PostgreSQL all the rows in one statement: the keys go as four arrays (branch, budget,
// sequence, party), unpacked in order. A save of 10,000 parties writes its audit in about two
// thirds of the time of the batches. SQLite is quicker with its batches than unpacking JSON.
const char* const insert_postgresql =
    "INSERT INTO AUDITORIA (NRCHAMADA, DTAUDITORIA, CDOPERADOR, NMMETODO, CDFILIAL, NRORCAEVENTO, "
    "NRSEQORCAEVE, NRENDCLIORCEVE) SELECT :c, CAST(:d AS TIMESTAMP), :p, :m, K.f, K.o, K.s, K.n "
    "FROM unnest(CAST(:f AS VARCHAR[]), CAST(:o AS VARCHAR[]), CAST(:s AS VARCHAR[]), "
    "CAST(:n AS VARCHAR[])) WITH ORDINALITY AS K(f, o, s, n, i) ORDER BY K.i";

std::string argument_text(const MethodDef& def, const CallContext& ctx, std::size_t i) {
    if (def.args[i].by_ref) {
        // What the method left in it (SetImpContratante picks the sequence itself).
        const auto& byref = ctx.byref();
        const auto it = byref.find(std::to_string(i));
        if (it != byref.end() && it->is_string()) {
            return trim(it->get_ref<const std::string&>());
        }
    }
    return trim(ctx.text(i));
}

AuditKey budget_of(const MethodDef& def, const CallContext& ctx) {
    AuditKey key;
    const Packet* first_packet = nullptr;
    for (std::size_t i = 0; i < def.args.size(); ++i) {
        const ArgDef& a = def.args[i];
        if (a.kind == ArgKind::packet && !first_packet && !ctx.is_null(i)) {
            first_packet = &ctx.packet(i);
        }
        if (a.kind != ArgKind::string) {
            continue;
        }
        if (a.label == "filial") {
            key.branch = argument_text(def, ctx, i);
        } else if (a.label == "orçamento") {
            key.budget = argument_text(def, ctx, i);
        } else if (a.label == "sequência") {
            key.seq = argument_text(def, ctx, i);
        }
    }
    if (key.branch.empty() && key.budget.empty() && first_packet) {
        const Packet& p = *first_packet;
        const PackedRow* row = nullptr;
        if (!p.rows.empty()) {
            row = &p.rows.front();
        } else if (!p.delta.empty()) {
            const DeltaChange& change = p.delta.front();
            row = change.op == DeltaChange::Op::insert ? &change.new_row : &change.old_row;
        }
        if (row) {
            key.branch = trim(p.text(*row, "CDFILIAL"));
            key.budget = trim(p.text(*row, "NRORCAEVENTO"));
            key.seq = trim(p.text(*row, "NRSEQORCAEVE"));
        }
    }
    return key;
}

SqlValue text_or_null(const std::string& text) {
    return text.empty() ? SqlValue() : SqlValue(text);
}

// What every row of a call shares.
struct CallColumns {
    std::string call;
    std::string time;
    std::string operator_code;
    std::string method;
};

void insert_in_batches(Sql& sql, const CallColumns& fixed, const std::vector<AuditKey>& keys) {
    // A save of thousands of parties must not pay a round trip for each.
    constexpr std::size_t batch = 100;
    for (std::size_t first = 0; first < keys.size(); first += batch) {
        const std::size_t count = std::min(batch, keys.size() - first);
        SqlParams params;
        params.reserve(4 + 4 * count);
        params.push_back({"c", fixed.call});
        params.push_back({"d", fixed.time});
        params.push_back({"p", fixed.operator_code});
        params.push_back({"m", fixed.method});
        for (std::size_t i = 0; i < count; ++i) {
            const AuditKey& key = keys[first + i];
            const std::string n = std::to_string(i);
            params.push_back({"f" + n, text_or_null(key.branch)});
            params.push_back({"o" + n, text_or_null(key.budget)});
            params.push_back({"s" + n, text_or_null(key.seq)});
            params.push_back({"n" + n, text_or_null(key.party)});
        }
        sql.exec(insert_text(count), std::move(params));
    }
}

void insert_in_one_statement(Sql& sql, const CallColumns& fixed,
                             const std::vector<AuditKey>& keys) {
    SqlArray branch;
    SqlArray budget;
    SqlArray seq;
    SqlArray party;
    for (const AuditKey& key : keys) {
        branch.add(text_or_null(key.branch));
        budget.add(text_or_null(key.budget));
        seq.add(text_or_null(key.seq));
        party.add(text_or_null(key.party));
    }
    // Keys come from stored rows too: the arrays replace bytes that are not UTF-8, which must not
    // fail the call.
    sql.exec(insert_postgresql, {{"c", fixed.call},
                                 {"d", fixed.time},
                                 {"p", fixed.operator_code},
                                 {"m", fixed.method},
                                 {"f", branch.take()},
                                 {"o", budget.take()},
                                 {"s", seq.take()},
                                 {"n", party.take()}});
}

} // namespace

std::vector<AuditKey> changed_keys(const MethodDef& def, const CallContext& ctx) {
    std::vector<AuditKey> keys;
    // A big delta notes thousands of parties: the keys kept are told apart by their positions,
    // hashed and compared by their four texts.
    auto hash = [&keys](std::size_t i) {
        const std::hash<std::string_view> text;
        const AuditKey& k = keys[i];
        return ((text(k.party) * 31 + text(k.seq)) * 31 + text(k.budget)) * 31 + text(k.branch);
    };
    auto same = [&keys](std::size_t a, std::size_t b) { return keys[a] == keys[b]; };
    std::unordered_set<std::size_t, decltype(hash), decltype(same)> seen(
        ctx.noted_changes().size() + 1, hash, same);
    keys.reserve(ctx.noted_changes().size() + 1);
    auto add = [&](AuditKey key) {
        keys.push_back(std::move(key));
        if (!seen.insert(keys.size() - 1).second) {
            keys.pop_back();
        }
    };
    for (const AuditKey& key : ctx.noted_changes()) {
        add(key);
    }
    const AuditKey budget = budget_of(def, ctx);
    for (std::size_t i = 0; i < def.args.size(); ++i) {
        if (def.args[i].kind == ArgKind::string && def.args[i].label == "contratante") {
            add({budget.branch, budget.budget, budget.seq, trim(ctx.text(i))});
        }
    }
    if (keys.empty()) {
        add(budget);
    }
    return keys;
}

void record_call(Sql& sql, const MethodDef& def, const CallContext& ctx) {
    if (auth::session_method(def.name)) {
        return;
    }
    const std::string call = auth::random_hex(8);
    const std::string time = local_time_now();
    const std::vector<AuditKey> keys = changed_keys(def, ctx);
    if (sql.engine() == Engine::postgresql) {
        insert_in_one_statement(sql, {call, time, ctx.caller().operator_code, def.name}, keys);
    } else {
        insert_in_batches(sql, {call, time, ctx.caller().operator_code, def.name}, keys);
    }
}

std::vector<AuditEntry> budget_audit(Sql& sql, const std::string& branch,
                                     const std::string& budget) {
    ResultSet rs = sql.query(
        "SELECT NRCHAMADA, DTAUDITORIA, CDOPERADOR, NMMETODO, CDFILIAL, NRORCAEVENTO, "
        "NRSEQORCAEVE, NRENDCLIORCEVE FROM AUDITORIA WHERE NRORCAEVENTO = :orc AND (:fil = '' OR "
        "CDFILIAL = :fil2) ORDER BY NRAUDITORIA",
        {{"orc", budget}, {"fil", branch}, {"fil2", branch}});
    std::vector<AuditEntry> out;
    for (std::size_t i = 0; i < rs.size(); ++i) {
        out.push_back({rs.text(i, "NRCHAMADA"),
                       rs.text(i, "DTAUDITORIA").substr(0, 19),
                       rs.text(i, "CDOPERADOR"),
                       rs.text(i, "NMMETODO"),
                       {rs.text(i, "CDFILIAL"), rs.text(i, "NRORCAEVENTO"),
                        rs.text(i, "NRSEQORCAEVE"), rs.text(i, "NRENDCLIORCEVE")}});
    }
    return out;
}

} // namespace ct::server::audit
