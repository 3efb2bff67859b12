#pragma once

#include "server/db/database_url.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace soci {
class session;
}

namespace ct::server {

// A bound parameter or a fetched cell. Dates travel as ISO 8601 text.
using SqlValue = std::variant<std::monostate, std::string, double, long long>;

struct SqlParam {
    std::string name;
    SqlValue value;
};
using SqlParams = std::vector<SqlParam>;

bool is_null(const SqlValue& value);
// Text of a cell; null gives the empty text, numbers their shortest decimal form.
std::string as_text(const SqlValue& value);
// Number of a cell; null and unreadable text give the fallback.
double as_double(const SqlValue& value, double fallback = 0.0);
long long as_integer(const SqlValue& value, long long fallback = 0);

// Rows fetched whole; column names upper-cased (PostgreSQL folds them to lower case).
class ResultSet {
public:
    std::vector<std::string> columns;
    std::vector<std::vector<SqlValue>> rows;

    bool empty() const { return rows.empty(); }
    std::size_t size() const { return rows.size(); }
    // Index of a column, or -1.
    int column(std::string_view name) const;
    const SqlValue& at(std::size_t row, std::string_view name) const;
    std::string text(std::size_t row, std::string_view name) const;
    double number(std::size_t row, std::string_view name) const;
};

// Statements on one session, every value bound (named parameters ":name").
class Sql {
public:
    Sql(soci::session& session, Engine engine)
        : session_(session)
        , engine_(engine) {}

    Engine engine() const { return engine_; }
    soci::session& session() { return session_; }

    // Returns the number of rows the statement touched.
    long long exec(std::string_view query, const SqlParams& params = {});
    ResultSet query(std::string_view query, const SqlParams& params = {});
    // First column of the first row, if any.
    std::optional<SqlValue> scalar(std::string_view query, const SqlParams& params = {});

    // " FOR UPDATE" where the engine locks rows read for a later write (SQLite locks the file).
    std::string_view lock_rows() const {
        return engine_ == Engine::postgresql ? " FOR UPDATE" : "";
    }

private:
    soci::session& session_;
    Engine engine_;
};

} // namespace ct::server
