#pragma once

#include "server/db/database_url.h"
#include "server/db/sql.h"

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ct::server {

class Connection;
class WalCheckpointer;

// A pool of sessions on one database: the one leased first is opened at once, the others when
// first leased. SQLite sessions run in WAL mode with a busy timeout and foreign keys on, so that
// calls can run side by side; their log is checkpointed on a thread of its own
// (WalCheckpointer), never by a call's commit. Each session keeps the statements prepared on it; a
// session is not checked when leased (no round trip): one found broken after a failure is opened
// again.
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
        Connection& connection_;
        Sql sql_;
    };

private:
    Connection& take();
    void give_back(Connection& connection);

    DatabaseUrl url_;
    std::vector<std::unique_ptr<Connection>> connections_;
    std::vector<Connection*> idle_;
    std::mutex mutex_;
    std::condition_variable returned_;
    std::unique_ptr<WalCheckpointer> checkpointer_; // SQLite; stops before the sessions close
};

// One database transaction; rolled back unless committed. Writers on SQLite take the write
// lock at the start, so that two writers never deadlock upgrading a read lock. A session found
// broken when the transaction begins is opened again and the transaction begun on it. Readers
// on PostgreSQL run without one (see the constructor).
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
