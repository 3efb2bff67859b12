#include "server/db/sql.h"

#include "server/core/text.h"
#include "server/db/connection.h"
#include "server/db/prepared_statement.h"

#include <charconv>
#include <fmt/format.h>

namespace ct::server {
std::string as_text(const SqlValue& value) {
    if (const auto* s = std::get_if<std::string>(&value)) {
        return *s;
    }
    if (const auto* d = std::get_if<double>(&value)) {
        return fmt::format("{}", *d);
    }
    if (const auto* i = std::get_if<long long>(&value)) {
        return std::to_string(*i);
    }
    return {};
}

double as_double(const SqlValue& value, double fallback) {
    if (const auto* d = std::get_if<double>(&value)) {
        return *d;
    }
    if (const auto* i = std::get_if<long long>(&value)) {
        return static_cast<double>(*i);
    }
    if (const auto* s = std::get_if<std::string>(&value)) {
        const std::string t = trim(*s);
        double out = 0;
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), out);
        if (ec == std::errc() && end == t.data() + t.size() && !t.empty()) {
            return out;
        }
    }
    return fallback;
}

long long as_integer(const SqlValue& value, long long fallback) {
    if (const auto* i = std::get_if<long long>(&value)) {
        return *i;
    }
    if (std::holds_alternative<std::monostate>(value)) {
        return fallback;
    }
    const double d = as_double(value, static_cast<double>(fallback));
    return static_cast<long long>(d);
}

int ResultSet::column(std::string_view name) const {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        if (iequals(columns[i], name)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

const SqlValue& ResultSet::at(std::size_t row, std::string_view name) const {
    const int c = column(name);
    if (c < 0) {
        throw std::out_of_range(fmt::format("no column {} in the result", name));
    }
    return rows.at(row).at(static_cast<std::size_t>(c));
}

std::string ResultSet::text(std::size_t row, std::string_view name) const {
    return as_text(at(row, name));
}

double ResultSet::number(std::size_t row, std::string_view name) const {
    return as_double(at(row, name));
}

Sql::Sql(Connection& connection)
    : connection_(connection) {}

Engine Sql::engine() const {
    return connection_.engine();
}

template <typename Params> long long Sql::run_exec(std::string_view query, Params&& params) {
    PreparedStatement& st = connection_.statement(query, params, false);
    try {
        st.run(std::forward<Params>(params));
        const long long touched = st.affected_rows();
        if (touched > 0 && engine() == Engine::postgresql) {
            rows_touched_ += touched;
        }
        return touched;
    } catch (...) {
        connection_.drop(st);
        throw;
    }
}

long long Sql::rows_touched() const {
    // SQLite counts them itself (a statement that is not a change leaves its count as it was,
    // which its count of the last statement does not).
    return connection_.engine() == Engine::sqlite ? connection_.own_changes() : rows_touched_;
}

long long Sql::exec(std::string_view query, const SqlParams& params) {
    return run_exec(query, params);
}

long long Sql::exec(std::string_view query, SqlParams&& params) {
    return run_exec(query, std::move(params));
}

void Sql::query(std::string_view query, const SqlParams& params, const ColumnsHandler& columns,
                const RowHandler& row_handler) {
    PreparedStatement& st = connection_.statement(query, params, true);
    try {
        bool have = st.run(params);
        std::vector<SqlValue> cells;
        bool first = true;
        while (have) {
            if (first) {
                columns(st.columns());
                first = false;
            }
            st.read(cells); // sized again: the handler may have taken them
            row_handler(cells);
            have = st.fetch();
        }
        st.release_result();
    } catch (...) {
        connection_.drop(st);
        throw;
    }
}

ResultSet Sql::query(std::string_view query, const SqlParams& params) {
    ResultSet out;
    this->query(
        query, params, [&](const std::vector<std::string>& names) { out.columns = names; },
        [&](std::vector<SqlValue>& cells) { out.rows.push_back(std::move(cells)); });
    return out;
}

void Sql::exec_once(std::string_view query) {
    connection_.exec_once(query);
}

std::string Sql::read_version() {
    if (engine() == Engine::postgresql) {
        // Any commit from now on changes the snapshot: a transaction it shows running ends, or
        // one it does not know completes.
        return "pg " + as_text(scalar("SELECT pg_current_snapshot()::text").value_or(SqlValue{}));
    }
    // data_version moves when another session commits; this session's own writes move its
    // count of changed rows instead.
    const long long data_version = as_integer(scalar("PRAGMA data_version").value_or(SqlValue{}));
    return fmt::format("sqlite {} {} {}", connection_.serial(), data_version,
                       connection_.own_changes());
}

void Sql::reopen_if_dropped() {
    if (connection_.dropped_while_idle()) {
        connection_.reopen();
    }
}

bool Sql::reopen_if_lost() {
    if (!connection_.lost()) {
        return false;
    }
    connection_.reopen();
    return true;
}

std::optional<SqlValue> Sql::scalar(std::string_view query, const SqlParams& params) {
    ResultSet rs = this->query(query, params);
    if (rs.empty() || rs.rows.front().empty()) {
        return std::nullopt;
    }
    return rs.rows.front().front();
}

} // namespace ct::server
