#pragma once

#include "server/db/database_url.h"
#include "server/db/sql.h"

#include <cstddef>
#include <memory>
#include <string>

namespace soci {
class connection_pool;
class session;
} // namespace soci

namespace ct::server {

// A pool of open sessions on one database. SQLite sessions run in WAL mode with a busy timeout
// and foreign keys on, so that calls can run side by side.
class Database {
public:
    Database(const DatabaseUrl& url, std::size_t sessions);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    Engine engine() const { return url_.engine; }
    const DatabaseUrl& url() const { return url_; }

    // A session for the caller's exclusive use, given back on destruction.
    class Lease {
    public:
        Lease(Database& db);
        ~Lease();
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        Sql& sql() { return sql_; }

    private:
        Database& db_;
        std::size_t index_;
        Sql sql_;
    };

private:
    static void prepare_session(soci::session& session, Engine engine);

    DatabaseUrl url_;
    std::size_t size_;
    std::unique_ptr<soci::connection_pool> pool_;
};

// One database transaction; rolled back unless committed. Writers on SQLite take the write
// lock at the start, so that two writers never deadlock upgrading a read lock.
class Transaction {
public:
    Transaction(Sql& sql, bool writes);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Sql& sql_;
    bool open_ = false;
};

} // namespace ct::server
