#pragma once

#include "server/db/sql.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace soci {
class row;
class session;
class statement;
} // namespace soci

namespace ct::server {

class PgStatement;

// How a column of a result is read on SQLite: as text, a double, or an integer of 32 or 64 bits.
enum class ReadKind { text, real, int32, int64 };

// The kind SOCI gives a column of this declared type (a null one is an expression's, read as
// text), or none for a declared type that is left to SOCI.
std::optional<ReadKind> sqlite_column_kind(const char* declared);

// A cell of a row SOCI read, as the server holds it: a date as ISO text, an unknown kind as null.
SqlValue soci_cell(const soci::row& row, std::size_t i);

// One statement prepared on a session (parsed by SQLite, planned by PostgreSQL once) and run
// again and again with new values. Its parameters keep the names and kinds (text or null,
// double, integer) of the first binding: `shape_of` gives what a binding must match.
// On SQLite a statement runs on the engine's own interface: SOCI's copies and allocations per
// execution were half the time of the ten thousand UPDATEs of a big save, and per cell read most of
// the time of reading a budget's parties. On PostgreSQL a query runs on libpq for the same reason
// (`PgStatement`); other statements stay with SOCI.
class PreparedStatement {
public:
    enum class Kind { exec, query };

    PreparedStatement(soci::session& session, Engine engine, Kind kind, std::string_view text,
                      const SqlParams& params);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement&) = delete;
    PreparedStatement& operator=(const PreparedStatement&) = delete;

    // Names and kinds of a binding, appended to `out`: statements are reused per text and shape.
    static void append_shape(std::string& out, const SqlParams& params);

    // Runs with these values (same shape as at preparation). For a query, true when a first
    // row is there (read it with `row()`, then `fetch()` for the next ones).
    bool run(const SqlParams& params);
    bool run(SqlParams&& params);
    bool fetch();
    // The values of the row at hand, by the column's kind: null, text, double or integer.
    void read(std::vector<SqlValue>& cells) const;
    // After the last row: lets go of what the engine's client library holds of the result
    // (libpq keeps the last row it gave until the statement runs again).
    void release_result();
    long long affected_rows();
    // Its session is about to close (see PgStatement::session_ending).
    void session_ending();
    // Whether it may run again after a failed run (one on libpq holds nothing of it).
    bool reusable_after_failure() const { return pg_ != nullptr; }
    // The query's column names, upper-cased (PostgreSQL folds them to lower case): worked out at
    // the first row read and kept.
    const std::vector<std::string>& columns();

private:
    struct Slot;
    struct SqliteStatement;
    template <typename Params> void bind_values(Params&& params);
    bool execute();

    Engine engine_;
    Kind kind_;
    std::vector<Slot> slots_; // never resized after preparation: the statement holds addresses
    std::unique_ptr<soci::row> row_;
    std::vector<std::string> columns_;
    std::unique_ptr<soci::statement> statement_;        // through SOCI, or
    std::unique_ptr<SqliteStatement> sqlite_;           // straight on SQLite, or
    std::unique_ptr<PgStatement> pg_;                   // a query straight on libpq
    std::vector<std::optional<std::string>> pg_values_; // its values as text, reused
};

} // namespace ct::server
