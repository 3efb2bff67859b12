#include "server/db/connection.h"

#include "server/db/prepared_statement.h"

#include <atomic>
#include <libpq-fe.h>
#include <poll.h>
#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>

namespace ct::server {
namespace {

// Statements kept per session; texts are fixed in the code, so this is only a guard against a
// caller that builds texts without end.
constexpr std::size_t max_statements = 512;

} // namespace

Connection::Connection(const DatabaseUrl& url, Opening opening)
    : url_(url) {
    if (opening == Opening::now) {
        open();
    }
}

Connection::~Connection() {
    // Statements go before the session they were prepared on, which forgets them as it closes.
    for (auto& [key, entry] : statements_) {
        entry.statement->session_ending();
    }
    statements_.clear();
}

void Connection::open() {
    static std::atomic<std::uint64_t> opened{0};
    serial_ = ++opened;
    session_ = std::make_unique<soci::session>();
    if (url_.engine == Engine::sqlite) {
        // Takes effect only when this is SQLite's first use in the process, as in the server
        // and the host program.
        static const bool configured = [] {
            // A session is used by one thread at a time (the pool leases it whole), so SQLite's
            // lock around every call (three per cell read) is not needed.
            sqlite_api::sqlite3_config(SQLITE_CONFIG_MULTITHREAD);
            // Nor its count of the memory in use, which takes a lock shared by every session on
            // each allocation: an UPDATE of a party allocates its new record several times.
            sqlite_api::sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);
            return true;
        }();
        (void)configured;
        session_->open(*soci::factory_sqlite3(), url_.connect_string);
    } else {
        session_->open(*soci::factory_postgresql(), url_.connect_string);
    }
    apply_settings();
}

void Connection::apply_settings() {
    if (url_.engine == Engine::sqlite) {
        exec_once("PRAGMA busy_timeout = 15000");
        // journal_mode answers with a row: run it as a query.
        std::string mode;
        *session_ << "PRAGMA journal_mode = WAL", soci::into(mode);
        exec_once("PRAGMA foreign_keys = ON");
        // The pool's WalCheckpointer copies the log into the file; a commit only appends to it.
        exec_once("PRAGMA wal_autocheckpoint = 0");
        // An acknowledged call survives a power loss, not only the server's death: every
        // commit waits for its write-ahead log on disk (NORMAL syncs only at checkpoints).
        exec_once("PRAGMA synchronous = FULL");
    } else {
        // In one round trip: each SET alone cost one on every session opened.
        // A row another call holds is waited for as long as SQLite's busy timeout, then the
        // call is refused ("em uso por outro usuário") instead of waiting without end; a
        // statement running away is cancelled. A statement prepared once is planned once: our
        // statements read by key, and the custom plan PostgreSQL would otherwise make at each
        // run (values at hand) costs milliseconds for the party join, many times the run
        // itself. Joins are planned in the order they are written (each of ours starts from
        // the rows it reads by key): searching the orders of the party join's nine tables cost
        // 2.5 ms of its first run on every session.
        exec_on_postgresql("SET client_min_messages TO warning; SET lock_timeout TO '15s'; "
                           "SET statement_timeout TO '120s'; "
                           "SET plan_cache_mode TO force_generic_plan; "
                           "SET join_collapse_limit TO 1");
    }
}

void Connection::exec_on_postgresql(const char* text) {
    auto* backend = static_cast<soci::postgresql_session_backend*>(session_->get_backend());
    PGresult* result = PQexec(backend->conn_, text);
    if (PQresultStatus(result) != PGRES_COMMAND_OK) {
        const char* state = PQresultErrorField(result, PG_DIAG_SQLSTATE);
        const std::string message =
            result ? PQresultErrorMessage(result) : PQerrorMessage(backend->conn_);
        const std::string code = state ? state : "XX000";
        PQclear(result);
        throw soci::postgresql_soci_error("Cannot set up the session: " + message, code.c_str());
    }
    PQclear(result);
}

void Connection::exec_once(std::string_view text) {
    soci::statement st(*session_);
    st.alloc();
    st.prepare(std::string(text), soci::details::st_one_time_query);
    st.define_and_bind();
    st.execute(true);
}

PreparedStatement& Connection::statement(std::string_view text, const SqlParams& params,
                                         bool query) {
    key_.clear();
    key_ += query ? 'q' : 'x';
    PreparedStatement::append_shape(key_, params);
    key_ += '\n';
    key_ += text;
    auto it = statements_.find(key_);
    if (it == statements_.end()) {
        if (statements_.size() >= max_statements) {
            evict_oldest();
        }
        auto prepared = std::make_unique<PreparedStatement>(
            *session_, url_.engine,
            query ? PreparedStatement::Kind::query : PreparedStatement::Kind::exec, text, params);
        it = statements_.emplace(key_, Entry{std::move(prepared), 0}).first;
    }
    it->second.used = ++clock_;
    return *it->second.statement;
}

void Connection::drop(PreparedStatement& statement) {
    if (statement.reusable_after_failure()) {
        return;
    }
    for (auto it = statements_.begin(); it != statements_.end(); ++it) {
        if (it->second.statement.get() == &statement) {
            statements_.erase(it);
            return;
        }
    }
}

void Connection::evict_oldest() {
    auto oldest = statements_.begin();
    for (auto it = statements_.begin(); it != statements_.end(); ++it) {
        if (it->second.used < oldest->second.used) {
            oldest = it;
        }
    }
    if (oldest != statements_.end()) {
        statements_.erase(oldest);
    }
}

long long Connection::own_changes() const {
    if (url_.engine != Engine::sqlite || !session_) {
        return 0;
    }
    auto* backend = static_cast<soci::sqlite3_session_backend*>(session_->get_backend());
    return static_cast<long long>(sqlite_api::sqlite3_total_changes64(backend->conn_));
}

bool Connection::lost() const {
    if (url_.engine != Engine::postgresql || !session_) {
        return false;
    }
    auto* backend = static_cast<soci::postgresql_session_backend*>(session_->get_backend());
    return !backend || PQstatus(backend->conn_) == CONNECTION_BAD;
}

bool Connection::dropped_while_idle() const {
    if (lost()) {
        return true;
    }
    if (url_.engine != Engine::postgresql || !session_) {
        return false;
    }
    auto* backend = static_cast<soci::postgresql_session_backend*>(session_->get_backend());
    pollfd p{PQsocket(backend->conn_), POLLIN, 0};
    return ::poll(&p, 1, 0) != 0;
}

void Connection::reopen() {
    statements_.clear();
    session_.reset();
    open();
}

} // namespace ct::server
