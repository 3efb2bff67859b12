#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace soci {
class session;
}

namespace ct::db {

// A read-only connection to the suite's database, opened from a URL: "sqlite:PATH" (also
// "sqlite3:PATH") or a PostgreSQL URL "postgresql://user@host:port/dbname" ("postgres://" too).
class Connection {
public:
    Connection();
    explicit Connection(const std::string& url);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Throws DbError with a clear message for a bad URL or a database that cannot be opened;
    // the connection is then closed.
    void open(const std::string& url);
    void close();
    bool connected() const { return session_ != nullptr; }
    const std::string& url() const { return url_; }

    // Throws DbError when not connected.
    soci::session& session();

private:
    std::unique_ptr<soci::session> session_;
    std::string url_;
};

// The host's shared connection (the suite's dtmDBGeral.adcGeral); the host program opens it.
Connection& sharedConnection();

} // namespace ct::db
