#include "server/packet/delta_applier.h"

#include "server/core/errors.h"
#include "server/core/money.h"
#include "server/core/text.h"

#include <cmath>
#include <fmt/format.h>

namespace ct::server {
namespace {

std::string where_key(const RowValues& key, SqlParams& params) {
    std::string where;
    for (std::size_t i = 0; i < key.values.size(); ++i) {
        const auto& [column, value] = key.values[i];
        if (!where.empty()) {
            where += " AND ";
        }
        const std::string p = fmt::format("k{}", i);
        where += column + " = :" + p;
        params.push_back({p, value});
    }
    return where;
}

std::string right_trimmed(const SqlValue& v) {
    std::string t = as_text(v);
    while (!t.empty() && t.back() == ' ') {
        t.pop_back();
    }
    return t;
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

SqlValue DeltaApplier::to_stored(const nlohmann::json& value, const StoredColumn& column) {
    if (value.is_null()) {
        return std::monostate{};
    }
    switch (column.kind) {
    case ColumnKind::text:
        if (value.is_string()) {
            return value.get<std::string>();
        }
        if (value.is_boolean()) {
            return std::string(value.get<bool>() ? "S" : "N");
        }
        if (value.is_number_integer()) {
            return std::to_string(value.get<long long>());
        }
        return fmt::format("{}", value.get<double>());
    case ColumnKind::money:
    case ColumnKind::number:
    case ColumnKind::integer: {
        if (!value.is_number()) {
            throw invalid_params(fmt::format("{} must be a number", column.name));
        }
        const double d = value.get<double>();
        if (column.kind == ColumnKind::money) {
            return round2(d);
        }
        if (column.kind == ColumnKind::number) {
            return d;
        }
        if (std::floor(d) != d || std::fabs(d) > 1e15) {
            throw invalid_params(fmt::format("{} must be a whole number", column.name));
        }
        return static_cast<long long>(d);
    }
    case ColumnKind::datetime: {
        std::string norm = value.is_string() ? normalize_datetime(value.get<std::string>()) : "";
        if (norm.empty()) {
            throw invalid_params(fmt::format("{} must be a valid date", column.name));
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

RowValues DeltaApplier::stored_values(const Packet& delta, const Row& row) const {
    RowValues out;
    for (const auto& column : mapping_.columns) {
        const int i = delta.index(column.name);
        if (i >= 0) {
            out.values.emplace_back(column.name,
                                    to_stored(row[static_cast<std::size_t>(i)], column));
        }
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

void DeltaApplier::check_keys(const Packet& delta) const {
    for (const auto& column : mapping_.columns) {
        if (column.key && !delta.has(column.name)) {
            throw invalid_params(fmt::format("the packet for {} lacks the key field {}",
                                             mapping_.table, column.name));
        }
    }
}

std::string DeltaApplier::describe(const RowValues& key) const {
    return key.values.empty() ? std::string() : right_trimmed(key.values.back().second);
}

std::optional<RowValues> DeltaApplier::fetch(const RowValues& key) {
    SqlParams params;
    std::string columns;
    for (const auto& c : mapping_.columns) {
        columns += (columns.empty() ? "" : ", ") + c.name;
    }
    const std::string where = where_key(key, params);
    ResultSet rs = sql_.query(fmt::format("SELECT {} FROM {} WHERE {}{}", columns, mapping_.table,
                                          where, sql_.lock_rows()),
                              params);
    if (rs.empty()) {
        return std::nullopt;
    }
    RowValues out;
    for (std::size_t i = 0; i < mapping_.columns.size(); ++i) {
        out.values.emplace_back(mapping_.columns[i].name, rs.rows.front()[i]);
    }
    return out;
}

void DeltaApplier::insert(RowValues& row) {
    if (before_insert) {
        before_insert(row);
    }
    std::string columns;
    std::string placeholders;
    SqlParams params;
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        const std::string p = fmt::format("v{}", i);
        columns += (i ? ", " : "") + row.values[i].first;
        placeholders += (i ? ", :" : ":") + p;
        params.push_back({p, row.values[i].second});
    }
    sql_.exec(fmt::format("INSERT INTO {} ({}) VALUES ({})", mapping_.table, columns, placeholders),
              params);
}

DeltaOutcome DeltaApplier::apply(const Packet& delta) {
    if (!delta.is_delta) {
        throw invalid_params("a delta packet was expected");
    }
    check_keys(delta);
    DeltaOutcome outcome;
    for (const auto& change : delta.delta) {
        if (change.op == DeltaChange::Op::insert) {
            RowValues row = stored_values(delta, change.new_row);
            insert(row);
            outcome.inserted.push_back(std::move(row));
            continue;
        }
        const RowValues old_values = stored_values(delta, change.old_row);
        const RowValues key = key_of(old_values);
        const std::optional<RowValues> stored = fetch(key);
        if (!stored) {
            throw AppError(
                fmt::format("{} {} foi excluído por outro usuário. Recarregue os dados e "
                            "repita a operação.",
                            mapping_.label, describe(key)));
        }
        if (change.op == DeltaChange::Op::remove) {
            if (before_delete) {
                before_delete(key);
            }
            SqlParams params;
            const std::string where = where_key(key, params);
            sql_.exec(fmt::format("DELETE FROM {} WHERE {}", mapping_.table, where), params);
            ++outcome.deleted;
            continue;
        }
        const RowValues new_values = stored_values(delta, change.new_row);
        RowValues changed;
        bool all_old = true;
        bool all_new = true;
        for (std::size_t i = 0; i < new_values.values.size(); ++i) {
            const auto& [name, new_value] = new_values.values[i];
            const SqlValue& old_value = old_values.values[i].second;
            const ColumnKind kind = mapping_.find(name)->kind;
            if (same(old_value, new_value, kind)) {
                continue;
            }
            const SqlValue& now = *stored->find(name);
            all_old = all_old && same(now, old_value, kind);
            all_new = all_new && same(now, new_value, kind);
            changed.values.emplace_back(name, new_value);
        }
        if (changed.values.empty() || (all_new && !all_old)) {
            ++outcome.unchanged;
            continue;
        }
        if (!all_old) {
            throw AppError(
                fmt::format("{} {} foi alterado por outro usuário. Recarregue os dados e "
                            "repita a operação.",
                            mapping_.label, describe(key)));
        }
        SqlParams params;
        std::string set;
        for (std::size_t i = 0; i < changed.values.size(); ++i) {
            const std::string p = fmt::format("s{}", i);
            set += (i ? ", " : "") + changed.values[i].first + " = :" + p;
            params.push_back({p, changed.values[i].second});
        }
        const std::string where = where_key(key, params);
        sql_.exec(fmt::format("UPDATE {} SET {} WHERE {}", mapping_.table, set, where), params);
        if (after_modify) {
            after_modify(key, new_values);
        }
        ++outcome.modified;
    }
    return outcome;
}

} // namespace ct::server
