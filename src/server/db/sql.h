#pragma once

#include "server/db/database_url.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace ct::server {

class Connection;

// A bound parameter or a fetched cell. Dates travel as ISO 8601 text.
using SqlValue = std::variant<std::monostate, std::string, double, long long>;

struct SqlParam {
    std::string name;
    SqlValue value;
};
using SqlParams = std::vector<SqlParam>;

inline bool is_null(const SqlValue& value) {
    return std::holds_alternative<std::monostate>(value);
}
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

// Called with the (upper-cased) column names once, before the first row.
using ColumnsHandler = std::function<void(const std::vector<std::string>& columns)>;
// Called for each row; the cells are reused for the next row, so move out what is kept.
using RowHandler = std::function<void(std::vector<SqlValue>& cells)>;

// Statements on one session, every value bound (named parameters ":name"). Each text is
// prepared once per session and reused with new values: build texts once, never with values.
class Sql {
public:
    explicit Sql(Connection& connection);

    Engine engine() const;

    // Returns the number of rows the statement touched.
    long long exec(std::string_view query, const SqlParams& params = {});
    long long exec(std::string_view query, SqlParams&& params);
    // A count of the rows the session's statements inserted, changed or deleted, that grows with
    // each row touched: a call that leaves it as it found it changed nothing.
    long long rows_touched() const;
    ResultSet query(std::string_view query, const SqlParams& params = {});
    // Reads the rows one by one without keeping them.
    void query(std::string_view query, const SqlParams& params, const ColumnsHandler& columns,
               const RowHandler& row);
    // First column of the first row, if any.
    std::optional<SqlValue> scalar(std::string_view query, const SqlParams& params = {});
    // Runs a statement once without keeping it prepared: scripts and one-off settings.
    void exec_once(std::string_view query);

    // A text that stays the same for as long as nothing is committed to the database: what a
    // reading call reads after taking it may be given again while it holds. On SQLite it is
    // taken inside the call's transaction and holds on this session only.
    std::string read_version();

    // After a failure: when the session turns out to be gone, opens it again and returns true
    // (whatever ran on it before is lost, so only a caller that ran nothing yet may go on).
    bool reopen_if_lost();
    // Before a call that runs without a transaction: a session the server ended while it sat
    // idle is opened again (a local look at its socket, not a round trip).
    void reopen_if_dropped();

    // " FOR UPDATE" where the engine locks rows read for a later write (SQLite locks the file).
    std::string_view lock_rows() const {
        return engine() == Engine::postgresql ? " FOR UPDATE" : "";
    }

private:
    template <typename Params> long long run_exec(std::string_view query, Params&& params);

    Connection& connection_;
    long long rows_touched_ = 0;
};

} // namespace ct::server
