#include "server/db/database.h"

#include "server/db/connection.h"
#include "server/db/wal_checkpointer.h"

#include <spdlog/spdlog.h>

namespace ct::server {

Database::Database(const DatabaseUrl& url, std::size_t sessions)
    : url_(url) {
    const std::size_t size = sessions == 0 ? 1 : sessions;
    // A PostgreSQL session costs milliseconds to open: the spares wait for a second call at
    // once, which a screen opening alone never makes. The first proves the URL at start.
    for (std::size_t i = 0; i < size; ++i) {
        connections_.push_back(std::make_unique<Connection>(
            url_, i + 1 == size ? Connection::Opening::now : Connection::Opening::later));
        idle_.push_back(connections_.back().get());
    }
    if (url_.engine == Engine::sqlite) {
        checkpointer_ = std::make_unique<WalCheckpointer>(url_);
    }
}

Database::~Database() = default;

Connection& Database::take() {
    std::unique_lock lock(mutex_);
    returned_.wait(lock, [this] { return !idle_.empty(); });
    Connection* connection = idle_.back();
    idle_.pop_back();
    return *connection;
}

void Database::give_back(Connection& connection) {
    {
        std::lock_guard lock(mutex_);
        idle_.push_back(&connection);
    }
    returned_.notify_one();
}

Database::Lease::Lease(Database& db)
    : db_(db)
    , connection_(db.take())
    , sql_(connection_) {
    // A session that failed as broken in its last use is replaced before anyone uses it again
    // (a local check of the client library, not a round trip); a spare is opened when first
    // leased.
    if (!connection_.is_open() || connection_.lost()) {
        try {
            connection_.reopen();
        } catch (...) {
            db_.give_back(connection_);
            throw;
        }
    }
}

Database::Lease::~Lease() {
    db_.give_back(connection_);
}

Transaction::Transaction(Sql& sql, bool writes)
    : sql_(sql) {
    // At PostgreSQL's READ COMMITTED every statement reads its own snapshot, in a transaction or
    // not: a reading call needs none, and saves the round trips of BEGIN and COMMIT.
    if (!writes && sql_.engine() == Engine::postgresql) {
        sql_.reopen_if_dropped();
        return;
    }
    const std::string_view begin =
        sql_.engine() == Engine::sqlite && writes ? "BEGIN IMMEDIATE" : "BEGIN";
    try {
        sql_.exec(begin);
    } catch (const std::exception& e) {
        // Nothing ran yet: on a session that died while idle, begin again on a new one.
        if (!sql_.reopen_if_lost()) {
            throw;
        }
        spdlog::warn("database session lost ({}); opened again", e.what());
        sql_.exec(begin);
    }
    open_ = true;
}

Transaction::~Transaction() {
    if (open_) {
        try {
            sql_.exec("ROLLBACK");
        } catch (const std::exception& e) {
            spdlog::error("rollback failed: {}", e.what());
        }
    }
}

void Transaction::commit() {
    if (open_) {
        sql_.exec("COMMIT");
        open_ = false;
    }
}

} // namespace ct::server
