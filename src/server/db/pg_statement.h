#pragma once

#include "server/db/sql.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace ct::server {

// A query prepared on a PostgreSQL session through libpq itself, its rows read straight from the
// result: SOCI's row converted every cell through its own holders, about a third of the time of
// reading a budget's 10,000 parties. Parameters are named as SOCI names them (":name"); values
// go as text, as SOCI sends them; errors are thrown as SOCI's, so that they are told apart alike.
// Only results whose every column is read here as SOCI reads it (texts, numbers, dates and
// times) are taken: `prepare` gives nothing for any other, which stays with SOCI.
class PgStatement {
public:
    // A value to bind: null, or its text.
    using Value = std::optional<std::string>;

    static std::optional<PgStatement> prepare(pg_conn* conn, std::string_view text,
                                              const std::vector<std::string>& names);
    PgStatement(PgStatement&& other) noexcept;
    PgStatement& operator=(PgStatement&&) = delete;
    PgStatement(const PgStatement&) = delete;
    ~PgStatement();

    // Runs with one value per name given at preparation; true when a first row is there. The
    // rows arrive one by one while they are read: until the last is read or `release` is called,
    // the session runs nothing else.
    bool run(const std::vector<Value>& values);
    bool next();
    void read(std::vector<SqlValue>& cells) const;
    std::vector<std::string> column_names() const;
    void release();
    long long affected_rows() const;
    // The session ends with it: the server forgets the statement then, and a DEALLOCATE now is
    // a round trip for nothing.
    void session_ending() { name_.clear(); }

private:
    enum class Kind : unsigned char { text, number, integer, date, timestamp };

    PgStatement(pg_conn* conn, std::string name);
    bool take_result();
    void finish();

    pg_conn* conn_;
    std::string name_;
    std::vector<int> slot_of_param_; // per $n, the name's index
    std::vector<Kind> kinds_;        // per column
    pg_result* result_ = nullptr;
    int row_ = 0;
    int rows_ = 0;
    bool under_way_ = false; // rows of the last run still to come
};

// The text with each ":name" replaced by its "$n" (numbered in order of first use), outside
// quotes and comments and "::" casts; `used` gets the names in their $ order.
std::string positional_text(std::string_view text, std::vector<std::string>& used);

} // namespace ct::server
