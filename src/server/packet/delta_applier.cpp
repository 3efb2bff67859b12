#include "server/packet/delta_applier.h"

#include "server/core/errors.h"
#include "server/core/money.h"
#include "server/core/text.h"
#include "server/core/worked_ahead.h"
#include "server/db/sql_array.h"

#include <algorithm>
#include <cmath>
#include <fmt/format.h>
#include <map>
#include <unordered_set>

namespace ct::server {
namespace {

// Changes whose stored rows are read with one statement; fewer than read_alone are read one by
// one (a screen's save of a few rows need not run the statement made for a hundred).
constexpr std::size_t read_batch = 100;
constexpr std::size_t read_alone = 8;

// What a value of each kind is cast to where PostgreSQL cannot tell its type from the column it
// goes to (a parameter compared, a value unpacked from an array).
const char* sql_type(ColumnKind kind) {
    switch (kind) {
    case ColumnKind::money:
    case ColumnKind::number:
        return "NUMERIC";
    case ColumnKind::integer:
        return "BIGINT";
    case ColumnKind::datetime:
        return "TIMESTAMP";
    case ColumnKind::text:
        break;
    }
    return "VARCHAR";
}

std::string right_trimmed(const SqlValue& v) {
    std::string t = as_text(v);
    while (!t.empty() && t.back() == ' ') {
        t.pop_back();
    }
    return t;
}

// "A = :k0 AND B = :k1" over the key columns, parameters numbered from `first`.
std::string key_condition(const TableMapping& mapping, const std::vector<std::size_t>& keys,
                          std::size_t first) {
    std::string where;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        where +=
            fmt::format("{}{} = :k{}", i ? " AND " : "", mapping.columns[keys[i]].name, first + i);
    }
    return where;
}

// A parameter's name: a letter and a number. Named for every row of a big delta, where
// formatting the name cost as much as binding its value.
std::string numbered(char letter, std::size_t number) {
    std::string name(1, letter);
    name += std::to_string(number);
    return name;
}

void add_key_params(SqlParams& params, const RowValues& key, std::size_t first) {
    for (std::size_t i = 0; i < key.values.size(); ++i) {
        params.push_back({numbered('k', first + i), key.values[i].second});
    }
}

// The key as one text, as the stale-row check compares texts (trailing blanks ignored).
std::string key_text(const RowValues& key) {
    std::string out;
    for (const auto& [name, value] : key.values) {
        out += right_trimmed(value);
        out += '\x1f';
    }
    return out;
}

} // namespace

// Where the mapping's columns sit in one delta, and the statement texts for it: worked out once
// per delta, not per row or per cell.
struct DeltaApplier::Plan {
    std::vector<int> position;                // per mapping column: its index in the packet, or -1
    std::vector<std::size_t> present;         // mapping columns the packet carries
    std::vector<std::size_t> keys;            // mapping columns of the key
    std::string read_one;                     // the stored row of one key
    std::string where_many;                   // read_batch keys, for reading rows ahead
    std::map<std::string, std::string> reads; // by the columns read
    std::string remove;
    std::map<std::string, std::string> inserts;       // by column list
    std::map<std::string, std::string> updates;       // by changed columns
    std::map<std::string, std::string> batch_updates; // by changed columns, many rows
    // A modify checks its old values in its own UPDATE: reading the row first would cost as
    // much as writing it.
    bool guarded = false;
};

namespace {

// Whether a modify's packet cells differ in stored column c.
bool differs_in(const DeltaChange& change, const std::vector<int>& position, std::size_t c) {
    const auto p = static_cast<std::size_t>(position[c]);
    return !PackedRow::same_at(change.old_row, change.new_row, p);
}

// Whether they differ in some stored column.
bool differs(const DeltaChange& change, const std::vector<std::size_t>& present,
             const std::vector<int>& position) {
    return std::any_of(present.begin(), present.end(),
                       [&](std::size_t c) { return differs_in(change, position, c); });
}

} // namespace

const StoredColumn* TableMapping::find(std::string_view name) const {
    for (const auto& c : columns) {
        if (iequals(c.name, name)) {
            return &c;
        }
    }
    return nullptr;
}

const SqlValue* RowValues::find(std::string_view column) const {
    for (const auto& [name, value] : values) {
        if (iequals(name, column)) {
            return &value;
        }
    }
    return nullptr;
}

void RowValues::set(const std::string& column, SqlValue value) {
    for (auto& [name, v] : values) {
        if (iequals(name, column)) {
            v = std::move(value);
            return;
        }
    }
    values.emplace_back(column, std::move(value));
}

std::string RowValues::text(std::string_view column) const {
    const SqlValue* v = find(column);
    return v ? as_text(*v) : std::string();
}

SqlValue DeltaApplier::to_stored(const Cell& value, const StoredColumn& column) {
    if (value.is_null()) {
        return std::monostate{};
    }
    const std::string& label = column.label.empty() ? column.name : column.label;
    switch (column.kind) {
    case ColumnKind::text:
        if (value.is_string()) {
            return std::string(value.text());
        }
        if (value.is_boolean()) {
            return std::string(value.boolean() ? "S" : "N");
        }
        if (value.is_integer()) {
            return std::to_string(value.integer());
        }
        return fmt::format("{}", value.number());
    case ColumnKind::money:
    case ColumnKind::number:
    case ColumnKind::integer: {
        if (!value.is_number() || !std::isfinite(value.number())) {
            throw invalid_params(fmt::format("{} deve ser um número", column.name));
        }
        const double d = value.number();
        if (column.kind == ColumnKind::money) {
            return stored_money(d, label);
        }
        if (column.kind == ColumnKind::number) {
            return d;
        }
        if (std::floor(d) != d) {
            throw invalid_params(fmt::format("{} deve ser um número inteiro", column.name));
        }
        return stored_integer(d, label);
    }
    case ColumnKind::datetime: {
        std::string norm = value.is_string() ? normalize_datetime(value.text()) : "";
        if (norm.empty()) {
            throw invalid_params(fmt::format("{} deve ser uma data válida", column.name));
        }
        return norm;
    }
    }
    return std::monostate{};
}

bool DeltaApplier::same(const SqlValue& a, const SqlValue& b, ColumnKind kind) {
    switch (kind) {
    case ColumnKind::text:
        return right_trimmed(a) == right_trimmed(b);
    case ColumnKind::money:
        if (is_null(a) || is_null(b)) {
            return is_null(a) && is_null(b);
        }
        return same_money(as_double(a), as_double(b));
    case ColumnKind::number:
    case ColumnKind::integer:
        if (is_null(a) || is_null(b)) {
            return is_null(a) && is_null(b);
        }
        return std::fabs(as_double(a) - as_double(b)) < 1e-9;
    case ColumnKind::datetime:
        if (is_null(a) || is_null(b)) {
            return is_null(a) && is_null(b);
        }
        return normalize_datetime(as_text(a)) == normalize_datetime(as_text(b));
    }
    return false;
}

RowValues DeltaApplier::stored_values(const Plan& plan, const PackedRow& row) const {
    RowValues out;
    out.values.reserve(plan.present.size());
    for (std::size_t c : plan.present) {
        const StoredColumn& column = mapping_.columns[c];
        out.values.emplace_back(column.name,
                                to_stored(row[static_cast<std::size_t>(plan.position[c])], column));
    }
    return out;
}

RowValues DeltaApplier::key_of(const RowValues& row) const {
    RowValues key;
    for (const auto& column : mapping_.columns) {
        if (column.key) {
            const SqlValue* v = row.find(column.name);
            key.values.emplace_back(column.name, v ? *v : SqlValue{});
        }
    }
    return key;
}

RowValues DeltaApplier::key_of(const Plan& plan, const PackedRow& row) const {
    RowValues key;
    key.values.reserve(plan.keys.size());
    for (std::size_t c : plan.keys) {
        const StoredColumn& column = mapping_.columns[c];
        key.values.emplace_back(column.name,
                                to_stored(row[static_cast<std::size_t>(plan.position[c])], column));
    }
    return key;
}

// Refuses what the stored form of the row would refuse (numbers, whole numbers, dates); texts
// take any value.
void DeltaApplier::check_values(const Plan& plan, const PackedRow& row) const {
    for (std::size_t c : plan.present) {
        const StoredColumn& column = mapping_.columns[c];
        if (column.kind != ColumnKind::text) {
            to_stored(row[static_cast<std::size_t>(plan.position[c])], column);
        }
    }
}

void DeltaApplier::check_keys(const Packet& delta) const {
    for (const auto& column : mapping_.columns) {
        if (column.key && !delta.has(column.name)) {
            throw invalid_params(fmt::format("o pacote de {} não traz o campo-chave {}",
                                             mapping_.table, column.name));
        }
    }
}

std::string DeltaApplier::describe(const RowValues& key) const {
    return key.values.empty() ? std::string() : right_trimmed(key.values.back().second);
}

// Reads the stored rows of the modifies and deletes among changes [begin, end) with one
// statement (the last keys repeated to fill it, so that one prepared statement serves), and of
// them only the key and the columns some modify may change.
void DeltaApplier::read_ahead(Plan& plan, const Packet& delta, std::size_t begin, std::size_t end) {
    read_.clear();
    std::vector<RowValues> keys;
    std::vector<bool> wanted(mapping_.columns.size(), false);
    for (std::size_t c : plan.keys) {
        wanted[c] = true;
    }
    for (std::size_t i = begin; i < end; ++i) {
        const DeltaChange& change = delta.delta[i];
        if (change.op == DeltaChange::Op::insert) {
            continue;
        }
        if (change.op == DeltaChange::Op::modify && plan.guarded &&
            differs(change, plan.present, plan.position)) {
            continue; // checked by its own UPDATE
        }
        try {
            keys.push_back(key_of(plan, change.old_row));
        } catch (const RpcError&) {
            // Refused when its change comes, after the changes before it.
        }
        if (change.op == DeltaChange::Op::modify) {
            for (std::size_t c : plan.present) {
                const auto p = static_cast<std::size_t>(plan.position[c]);
                wanted[c] = wanted[c] || !PackedRow::same_at(change.old_row, change.new_row, p);
            }
        }
    }
    if (keys.size() < read_alone) {
        return;
    }
    write_pending(plan); // rows read ahead are read as the earlier changes left them
    std::vector<std::size_t> columns;
    std::string names;
    for (std::size_t c = 0; c < wanted.size(); ++c) {
        if (wanted[c]) {
            names += (columns.empty() ? "" : ", ") + mapping_.columns[c].name;
            columns.push_back(c);
        }
    }
    if (plan.where_many.empty()) {
        for (std::size_t i = 0; i < read_batch; ++i) {
            plan.where_many +=
                fmt::format("{}({})", i ? " OR " : "",
                            key_condition(mapping_, plan.keys, i * plan.keys.size()));
        }
    }
    std::string& text = plan.reads[names];
    if (text.empty()) {
        text = fmt::format("SELECT {} FROM {} WHERE {}{}", names, mapping_.table, plan.where_many,
                           sql_.lock_rows());
    }
    SqlParams params;
    params.reserve(read_batch * plan.keys.size());
    for (std::size_t i = 0; i < read_batch; ++i) {
        add_key_params(params, keys[std::min(i, keys.size() - 1)], i * plan.keys.size());
    }
    RowValues found;
    sql_.query(
        text, params, [](const std::vector<std::string>&) {},
        [&](std::vector<SqlValue>& cells) {
            StoredRow row(mapping_.columns.size());
            for (std::size_t k = 0; k < columns.size(); ++k) {
                row[columns[k]] = std::move(cells[k]);
            }
            found.values.clear();
            for (std::size_t c : plan.keys) {
                found.values.emplace_back(mapping_.columns[c].name, row[c]);
            }
            read_[key_text(found)] = std::move(row);
        });
}

std::optional<DeltaApplier::StoredRow> DeltaApplier::stored_row(Plan& plan, const RowValues& key) {
    // A row read ahead serves once: after its change, or for a key met again, read it anew.
    if (auto it = read_.find(key_text(key)); it != read_.end()) {
        StoredRow row = std::move(it->second);
        read_.erase(it);
        return row;
    }
    write_pending(plan);
    SqlParams params;
    add_key_params(params, key, 0);
    ResultSet rs = sql_.query(plan.read_one, params);
    if (rs.empty()) {
        return std::nullopt;
    }
    return std::move(rs.rows.front());
}

void DeltaApplier::insert(Plan& plan, RowValues& row) {
    write_pending(plan);
    if (before_insert) {
        before_insert(row);
    }
    std::string names;
    for (const auto& [name, value] : row.values) {
        names += name;
        names += ',';
    }
    std::string& text = plan.inserts[names];
    if (text.empty()) {
        std::string columns;
        std::string placeholders;
        for (std::size_t i = 0; i < row.values.size(); ++i) {
            columns += (i ? ", " : "") + row.values[i].first;
            placeholders += fmt::format("{}:v{}", i ? ", " : "", i);
        }
        text =
            fmt::format("INSERT INTO {} ({}) VALUES ({})", mapping_.table, columns, placeholders);
    }
    SqlParams params;
    params.reserve(row.values.size());
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        params.push_back({numbered('v', i), row.values[i].second});
    }
    sql_.exec(text, std::move(params));
}

void DeltaApplier::remove(Plan& plan, const RowValues& key) {
    write_pending(plan);
    if (before_delete) {
        before_delete(key);
    }
    SqlParams params;
    add_key_params(params, key, 0);
    sql_.exec(plan.remove, std::move(params));
}

std::optional<DeltaApplier::ColumnSet> DeltaApplier::differing(const Plan& plan,
                                                               const DeltaChange& change) const {
    if (change.op != DeltaChange::Op::modify || plan.present.size() > sizeof(ColumnSet) * 8) {
        return std::nullopt;
    }
    ColumnSet differ = 0;
    for (std::size_t i = 0; i < plan.present.size(); ++i) {
        if (differs_in(change, plan.position, plan.present[i])) {
            differ |= ColumnSet{1} << i;
        }
    }
    return differ;
}

std::vector<DeltaApplier::ColumnChange>
DeltaApplier::changes_of(const Plan& plan, const DeltaChange& change,
                         std::optional<ColumnSet> differ) const {
    std::vector<ColumnChange> changes;
    for (std::size_t i = 0; i < plan.present.size(); ++i) {
        const std::size_t c = plan.present[i];
        const bool cells_differ =
            differ ? ((*differ >> i) & 1) != 0 : differs_in(change, plan.position, c);
        if (!cells_differ) {
            continue;
        }
        const auto p = static_cast<std::size_t>(plan.position[c]);
        const StoredColumn& column = mapping_.columns[c];
        SqlValue old_value = to_stored(change.old_row[p], column);
        SqlValue new_value = to_stored(change.new_row[p], column);
        if (!same(old_value, new_value, column.kind)) {
            changes.push_back({c, std::move(old_value), std::move(new_value)});
        }
    }
    return changes;
}

// Writes the columns a modify changes; false when there is nothing to write (nothing changed,
// or the stored row already holds the new values).
bool DeltaApplier::modify(Plan& plan, std::vector<ColumnChange> changes, const RowValues& key,
                          const StoredRow& stored) {
    bool all_old = true;
    bool all_new = true;
    for (const ColumnChange& change : changes) {
        const ColumnKind kind = mapping_.columns[change.column].kind;
        all_old = all_old && same(stored[change.column], change.old_value, kind);
        all_new = all_new && same(stored[change.column], change.new_value, kind);
    }
    if (changes.empty() || (all_new && !all_old)) {
        return false;
    }
    if (!all_old) {
        throw AppError(fmt::format("{} {} foi alterado por outro usuário. Recarregue os dados e "
                                   "repita a operação.",
                                   mapping_.label, describe(key)));
    }
    PendingUpdate update{columns_key(changes, false), std::move(changes), key, false};
    if (sql_.engine() == Engine::postgresql) {
        defer(plan, std::move(update));
    } else {
        write_together(plan, {&update}); // a statement costs SQLite no round trip
    }
    return true;
}

bool DeltaApplier::written_unread(Plan& plan, const DeltaChange& change, const RowValues& key,
                                  std::optional<ColumnSet> differ) {
    if (!plan.guarded || change.op != DeltaChange::Op::modify) {
        return false;
    }
    // The old row's values were checked; a new value equal to its old one needs no check.
    std::vector<ColumnChange> changes;
    try {
        changes = changes_of(plan, change, differ);
    } catch (const std::exception&) {
        return false; // a refusal comes in its usual order, after the row is read
    }
    if (changes.empty()) {
        return false;
    }
    PendingUpdate update{columns_key(changes, true), std::move(changes), key, true};
    if (sql_.engine() == Engine::postgresql) {
        defer(plan, std::move(update)); // checked when written, with the others of its batch
    } else if (!write_together(plan, {&update}).empty()) {
        return false;
    }
    if (!read_.empty()) {
        read_.erase(key_text(key)); // read ahead for another change of it, and now stale
    }
    return true;
}

std::string DeltaApplier::columns_key(const std::vector<ColumnChange>& changes, bool guarded) {
    std::string columns = guarded ? "guarded:" : "";
    for (const ColumnChange& change : changes) {
        columns += std::to_string(change.column);
        columns += ',';
    }
    return columns;
}

void DeltaApplier::defer(Plan& plan, PendingUpdate update) {
    std::string key = key_text(update.key);
    if (pending_keys_.count(key)) {
        write_pending(plan); // a row met again: its earlier change goes first
    }
    pending_keys_.insert(std::move(key));
    pending_.push_back(std::move(update));
}

// A guarded modify its UPDATE missed: checked as any other against the row as it is now.
void DeltaApplier::recheck(Plan& plan, const PendingUpdate& update) {
    const std::optional<StoredRow> stored = stored_row(plan, update.key);
    if (!stored) {
        refuse_gone(update.key);
    }
    if (!modify(plan, update.changes, update.key, *stored)) {
        --outcome_.modified;
        ++outcome_.unchanged;
    }
}

void DeltaApplier::refuse_gone(const RowValues& key) const {
    throw AppError(fmt::format("{} {} foi excluído por outro usuário. Recarregue os dados e "
                               "repita a operação.",
                               mapping_.label, describe(key)));
}

DeltaOutcome DeltaApplier::apply(const Packet& delta) {
    if (!delta.is_delta) {
        throw invalid_params("esperava-se um pacote de alterações (delta)");
    }
    check_keys(delta);

    Plan plan;
    std::string all_columns;
    for (std::size_t c = 0; c < mapping_.columns.size(); ++c) {
        const StoredColumn& column = mapping_.columns[c];
        plan.position.push_back(delta.index(column.name));
        if (plan.position.back() >= 0) {
            plan.present.push_back(c);
        }
        if (column.key) {
            plan.keys.push_back(c);
        }
        all_columns += (c ? ", " : "") + column.name;
    }
    const std::string select = fmt::format("SELECT {} FROM {} WHERE ", all_columns, mapping_.table);
    plan.read_one = select + key_condition(mapping_, plan.keys, 0) + std::string(sql_.lock_rows());
    plan.remove = fmt::format("DELETE FROM {} WHERE {}", mapping_.table,
                              key_condition(mapping_, plan.keys, 0));
    // A hook after each modify needs to know at once whether it was written.
    plan.guarded = sql_.engine() == Engine::sqlite || !after_modify;

    outcome_ = {};
    const std::size_t count = delta.delta.size();
    // Reads only the plan's columns and positions, which stay as they are from here on. Its
    // items need no allocation: a thread freeing what another allocates, while that one goes on
    // allocating, contends for the allocator's lock and cost more than the work saved.
    WorkedAhead<Prepared> ahead(count,
                                [&](std::size_t i) { return prepare(plan, delta.delta[i]); });
    for (std::size_t begin = 0; begin < count; begin += read_batch) {
        const std::size_t end = std::min(count, begin + read_batch);
        read_ahead(plan, delta, begin, end);
        for (std::size_t i = begin; i < end; ++i) {
            try {
                apply_change(plan, delta.delta[i], ahead.take(i));
            } catch (const AppError&) {
                write_pending(plan); // a refusal of an earlier change comes first
                throw;
            } catch (const RpcError&) {
                write_pending(plan);
                throw;
            }
        }
    }
    write_pending(plan);
    read_.clear();
    return std::move(outcome_);
}

std::optional<DeltaApplier::Prepared> DeltaApplier::prepare(const Plan& plan,
                                                            const DeltaChange& change) const {
    if (change.op == DeltaChange::Op::insert) {
        return std::nullopt;
    }
    check_values(plan, change.old_row);
    return Prepared{differing(plan, change)};
}

void DeltaApplier::apply_change(Plan& plan, const DeltaChange& change,
                                std::optional<Prepared> prepared) {
    if (change.op == DeltaChange::Op::insert) {
        RowValues row = stored_values(plan, change.new_row);
        insert(plan, row);
        outcome_.inserted.push_back(key_of(row));
        return;
    }
    if (!prepared) {
        prepared = prepare(plan, change);
    }
    const RowValues key = key_of(plan, change.old_row);
    if (!written_unread(plan, change, key, prepared->differ)) {
        const std::optional<StoredRow> stored = stored_row(plan, key);
        if (!stored) {
            refuse_gone(key);
        }
        if (change.op == DeltaChange::Op::remove) {
            remove(plan, key);
            ++outcome_.deleted;
            return;
        }
        check_values(plan, change.new_row);
        if (!modify(plan, changes_of(plan, change, prepared->differ), key, *stored)) {
            ++outcome_.unchanged;
            return;
        }
    }
    if (after_modify) {
        write_pending(plan);
        after_modify(key, stored_values(plan, change.new_row));
    }
    ++outcome_.modified;
}

void DeltaApplier::write_pending(Plan& plan) {
    if (pending_.empty()) {
        return;
    }
    const std::vector<PendingUpdate> pending = std::move(pending_);
    pending_.clear();
    pending_keys_.clear();
    std::map<std::string, std::vector<const PendingUpdate*>> by_columns;
    for (const PendingUpdate& p : pending) {
        by_columns[p.columns].push_back(&p);
    }
    std::vector<const PendingUpdate*> missed;
    auto write = [&](const std::vector<const PendingUpdate*>& rows) {
        const std::vector<const PendingUpdate*> out = write_together(plan, rows);
        missed.insert(missed.end(), out.begin(), out.end());
    };
    for (auto& [columns, rows] : by_columns) {
        if (rows.size() < read_alone) {
            for (const PendingUpdate* p : rows) {
                write({p});
            }
            continue;
        }
        write(rows);
    }
    for (const PendingUpdate* update : missed) {
        recheck(plan, *update);
    }
    write_pending(plan); // what the rechecks wrote
}

// "The column holds exactly this old value", as each engine says it. Exact equality is enough
// for the stale-row check to pass (a text equal byte for byte, a number equal to the last bit),
// so a row the guarded UPDATE matches is one the check would have let through; a row it misses
// (changed, deleted, or equal only as the check compares) is read and checked. PostgreSQL gets
// a money value as text with the binary noise of a double: compared at the cent, as stored.
std::string DeltaApplier::holds(const StoredColumn& column, const std::string& target,
                                const std::string& value) const {
    if (sql_.engine() == Engine::sqlite) {
        return fmt::format("{} IS {}", target, value);
    }
    if (column.kind == ColumnKind::money) {
        return fmt::format("{} IS NOT DISTINCT FROM ROUND({}, 2)", target, value);
    }
    return fmt::format("{} IS NOT DISTINCT FROM {}", target, value);
}

// One UPDATE for one row, or for many rows of the same changed columns. Returns the guarded rows
// it did not write.
std::vector<const DeltaApplier::PendingUpdate*>
DeltaApplier::write_together(Plan& plan, const std::vector<const PendingUpdate*>& rows) {
    const PendingUpdate& first = *rows.front();
    const std::size_t width = first.changes.size();
    const std::size_t keys = plan.keys.size();
    const bool sqlite = sql_.engine() == Engine::sqlite;
    auto column_of = [&](std::size_t i) -> const StoredColumn& {
        return mapping_.columns[first.changes[i].column];
    };
    SqlParams params;
    if (rows.size() == 1) {
        params.reserve(2 * width + keys);
        std::string& text = plan.updates[first.columns];
        if (text.empty()) {
            std::string set;
            std::string guard;
            for (std::size_t i = 0; i < width; ++i) {
                set += fmt::format("{}{} = :s{}", i ? ", " : "", column_of(i).name, i);
                if (first.guarded) {
                    const std::string old_value =
                        sqlite ? fmt::format(":o{}", i)
                               : fmt::format("CAST(:o{} AS {})", i, sql_type(column_of(i).kind));
                    guard += " AND " + holds(column_of(i), column_of(i).name, old_value);
                }
            }
            text = fmt::format("UPDATE {} SET {} WHERE {}{}", mapping_.table, set,
                               key_condition(mapping_, plan.keys, 0), guard);
        }
        for (std::size_t i = 0; i < width; ++i) {
            params.push_back({numbered('s', i), first.changes[i].new_value});
        }
        add_key_params(params, first.key, 0);
        if (first.guarded) {
            for (std::size_t i = 0; i < width; ++i) {
                params.push_back({numbered('o', i), first.changes[i].old_value});
            }
        }
        const long long written = sql_.exec(text, std::move(params));
        if (first.guarded && written == 0) {
            return {&first};
        }
        return {};
    }
    // Many rows: PostgreSQL's, all in one statement. Each column of keys, new values and old
    // values goes as one array, which the statement unpacks row by row, so that no value is
    // bound on its own.
    std::string& text = plan.batch_updates[first.columns];
    if (text.empty()) {
        std::string arrays;
        std::string names;
        auto unpack = [&](const std::string& name, ColumnKind kind) {
            arrays += fmt::format("{}CAST(:{} AS {}[])", arrays.empty() ? "" : ", ", name,
                                  sql_type(kind));
            names += fmt::format("{}{}", names.empty() ? "" : ", ", name);
        };
        std::string set;
        std::string where;
        std::string returning;
        for (std::size_t k = 0; k < keys; ++k) {
            const StoredColumn& column = mapping_.columns[plan.keys[k]];
            unpack(fmt::format("k{}", k), column.kind);
            where += fmt::format("{}T.{} = V.k{}", k ? " AND " : "", column.name, k);
            returning += fmt::format("{}T.{}", k ? ", " : "", column.name);
        }
        for (std::size_t i = 0; i < width; ++i) {
            unpack(fmt::format("s{}", i), column_of(i).kind);
            set += fmt::format("{}{} = V.s{}", i ? ", " : "", column_of(i).name, i);
        }
        for (std::size_t i = 0; first.guarded && i < width; ++i) {
            unpack(fmt::format("o{}", i), column_of(i).kind);
            where +=
                " AND " + holds(column_of(i), "T." + column_of(i).name, fmt::format("V.o{}", i));
        }
        text = fmt::format("UPDATE {} AS T SET {} FROM unnest({}) AS V({}) WHERE {}{}",
                           mapping_.table, set, arrays, names, where,
                           first.guarded ? " RETURNING " + returning : std::string());
    }
    std::vector<SqlArray> columns(keys + width * (first.guarded ? 2 : 1));
    for (const PendingUpdate* row : rows) {
        std::size_t at = 0;
        for (const auto& [name, value] : row->key.values) {
            columns[at++].add(value);
        }
        for (const ColumnChange& change : row->changes) {
            columns[at++].add(change.new_value);
        }
        for (std::size_t i = 0; first.guarded && i < width; ++i) {
            columns[at++].add(row->changes[i].old_value);
        }
    }
    for (std::size_t k = 0; k < keys; ++k) {
        params.push_back({fmt::format("k{}", k), columns[k].take()});
    }
    for (std::size_t i = 0; i < width; ++i) {
        params.push_back({fmt::format("s{}", i), columns[keys + i].take()});
    }
    for (std::size_t i = 0; first.guarded && i < width; ++i) {
        params.push_back({fmt::format("o{}", i), columns[keys + width + i].take()});
    }
    if (!first.guarded) {
        sql_.exec(text, std::move(params));
        return {};
    }
    std::unordered_set<std::string> written;
    RowValues found;
    sql_.query(
        text, params, [](const std::vector<std::string>&) {},
        [&](std::vector<SqlValue>& cells) {
            found.values.clear();
            for (std::size_t k = 0; k < keys; ++k) {
                found.values.emplace_back(mapping_.columns[plan.keys[k]].name, std::move(cells[k]));
            }
            written.insert(key_text(found));
        });
    std::vector<const PendingUpdate*> missed;
    for (const PendingUpdate* row : rows) {
        if (!written.count(key_text(row->key))) {
            missed.push_back(row);
        }
    }
    return missed;
}

} // namespace ct::server
