#pragma once

#include "host/launch_options.h"

#include <memory>
#include <string>

namespace ct::server {
class Database;
class MethodRegistry;
class RpcServer;
} // namespace ct::server

namespace ct::host {

// What the host program sets up before it enters the screen, in one place for the window and
// for scripted sessions: the application server (a running one, or an embedded one on a free
// loopback port), the signed-in operator and the shared database connection of the lookups.
class HostSession {
public:
    explicit HostSession(const LaunchOptions& options);
    ~HostSession();
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    const std::string& databaseUrl() const { return databaseUrl_; }
    const std::string& serverHost() const { return serverHost_; }
    int serverPort() const { return serverPort_; }
    bool embedded() const { return server_ != nullptr; }

private:
    void startEmbeddedServer();

    std::string databaseUrl_;
    std::string serverHost_;
    int serverPort_ = 0;
    std::unique_ptr<server::Database> database_;
    std::unique_ptr<server::MethodRegistry> methods_;
    std::unique_ptr<server::RpcServer> server_;
};

// The demo database: created and loaded on first use; a database that already holds the schema
// is used as it is.
void prepareDemoDatabase(server::Database& database);

} // namespace ct::host
