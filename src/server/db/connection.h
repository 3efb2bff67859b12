#pragma once

#include "server/db/database_url.h"
#include "server/db/sql.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

namespace soci {
class session;
}

namespace ct::server {

class PreparedStatement;

// One database session with the statements prepared on it. A statement is prepared the
// first time its text runs with a given binding shape and reused afterwards, for as long as the
// session lives. A session found broken after a failure is opened again, dropping its statements.
class Connection {
public:
    enum class Opening { now, later };

    // Opening::later leaves the session closed until reopen() (a pool's spare sessions).
    explicit Connection(const DatabaseUrl& url, Opening opening = Opening::now);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    Engine engine() const { return url_.engine; }
    soci::session& session() { return *session_; }
    bool is_open() const { return session_ != nullptr; }

    // The prepared statement for this text and binding shape (prepared now if need be).
    PreparedStatement& statement(std::string_view text, const SqlParams& params, bool query);
    // Forgets a statement that failed: whatever state it was left in is not reused.
    void drop(PreparedStatement& statement);
    // Runs a statement once, unprepared: scripts and session settings.
    void exec_once(std::string_view text);

    // True when the engine reports the session gone (a PostgreSQL server restarted or the
    // network dropped it); checked after a failure, never by a round trip of its own.
    bool lost() const;
    // True when an idle PostgreSQL session has anything to read: with no statement running that
    // is the server's farewell (the session was ended) or, rarely, a notice; either way the
    // session is best opened again.
    bool dropped_while_idle() const;
    // Opens the session again, with its settings and no prepared statements.
    void reopen();

    std::size_t prepared_count() const { return statements_.size(); }

    // A number no other session of this process ever had, a session opened again included.
    std::uint64_t serial() const { return serial_; }
    // SQLite: the rows this session inserted, changed or deleted since it was opened, whether
    // committed or not (0 on PostgreSQL).
    long long own_changes() const;

private:
    struct Entry {
        std::unique_ptr<PreparedStatement> statement;
        std::uint64_t used = 0;
    };

    void open();
    void apply_settings();
    // Statements in one text, through the simple protocol (no values bound).
    void exec_on_postgresql(const char* text);
    void evict_oldest();

    DatabaseUrl url_;
    std::unique_ptr<soci::session> session_;
    std::unordered_map<std::string, Entry> statements_;
    std::string key_; // reused to build lookup keys
    std::uint64_t clock_ = 0;
    std::uint64_t serial_ = 0;
};

} // namespace ct::server
