#include "server/db/database.h"

#include <soci/postgresql/soci-postgresql.h>
#include <soci/soci.h>
#include <soci/sqlite3/soci-sqlite3.h>
#include <spdlog/spdlog.h>

namespace ct::server {

Database::Database(const DatabaseUrl& url, std::size_t sessions)
    : url_(url)
    , size_(sessions == 0 ? 1 : sessions)
    , pool_(std::make_unique<soci::connection_pool>(size_)) {
    for (std::size_t i = 0; i < size_; ++i) {
        soci::session& s = pool_->at(i);
        if (url_.engine == Engine::sqlite) {
            s.open(*soci::factory_sqlite3(), url_.connect_string);
        } else {
            s.open(*soci::factory_postgresql(), url_.connect_string);
        }
        prepare_session(s, url_.engine);
    }
}

Database::~Database() = default;

void Database::prepare_session(soci::session& session, Engine engine) {
    if (engine == Engine::sqlite) {
        Sql sql(session, engine);
        sql.exec("PRAGMA busy_timeout = 15000");
        sql.query("PRAGMA journal_mode = WAL");
        sql.exec("PRAGMA foreign_keys = ON");
        sql.exec("PRAGMA synchronous = NORMAL");
    } else {
        Sql sql(session, engine);
        sql.exec("SET client_min_messages TO warning");
    }
}

Database::Lease::Lease(Database& db)
    : db_(db)
    , index_(db.pool_->lease())
    , sql_(db.pool_->at(index_), db.url_.engine) {
    // A PostgreSQL server restart leaves the pooled session broken: open it again.
    soci::session& session = db_.pool_->at(index_);
    if (!session.is_connected()) {
        try {
            session.reconnect();
            prepare_session(session, db_.url_.engine);
        } catch (...) {
            db_.pool_->give_back(index_);
            throw;
        }
    }
}

Database::Lease::~Lease() {
    db_.pool_->give_back(index_);
}

Transaction::Transaction(Sql& sql, bool writes)
    : sql_(sql) {
    sql_.exec(sql_.engine() == Engine::sqlite && writes ? "BEGIN IMMEDIATE" : "BEGIN");
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
    sql_.exec("COMMIT");
    open_ = false;
}

} // namespace ct::server
