#pragma once

#include "server/db/database_url.h"
#include "server/db/sql.h"

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace httplib {
class Server;
}

namespace ct::bench {

// The floor of a round trip: the same HTTP library serving a fixed small JSON-RPC answer, with
// the settings of the application server (no delay, kept-alive connections).
class EmptyServer {
public:
    EmptyServer();
    ~EmptyServer();
    EmptyServer(const EmptyServer&) = delete;
    EmptyServer& operator=(const EmptyServer&) = delete;
    int port() const { return port_; }

private:
    std::unique_ptr<httplib::Server> http_;
    std::thread thread_;
    int port_ = 0;
};

// The floor of a statement: the same SQL prepared once on the engine's own client library
// (sqlite3, libpq) and run again with new values, every cell of every row read.
class RawEngine {
public:
    static std::unique_ptr<RawEngine> open(const server::DatabaseUrl& url);
    virtual ~RawEngine() = default;

    // Prepares `text` (named parameters ":name") once; returns its handle.
    virtual int prepare(const std::string& text) = 0;
    // Runs a prepared statement with these values; returns the rows read.
    virtual std::size_t run(int statement, const server::SqlParams& params) = 0;
    // A statement without parameters, run once (transaction control).
    virtual void exec(const std::string& text) = 0;
};

// The floor of writing every party of a budget: `parties` UPDATEs by key of its charged value, of
// one statement prepared once, in one transaction.
class KeyedUpdates {
public:
    KeyedUpdates(RawEngine& raw, bool sqlite, std::string budget, int parties);
    // Gives every party `value`; milliseconds taken.
    double run(double value);

private:
    RawEngine& raw_;
    std::string begin_;
    std::string budget_;
    int parties_;
    int statement_;
};

} // namespace ct::bench
