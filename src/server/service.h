#pragma once

#include "server/auth/access_policy.h"
#include "server/db/database.h"
#include "server/http/http_options.h"
#include "server/http/rpc_server.h"
#include "server/rpc/method_registry.h"

#include <cstddef>
#include <memory>
#include <string>

namespace ct::server {

enum class DemoData {
    none,     // the database must already hold the schema
    required, // --demo: load into an empty database, refuse one that holds anything
    if_empty  // load when the database is empty, serve it as it is otherwise
};

struct ServiceOptions {
    std::string url; // sqlite:PATH or postgresql://...
    std::string host = "127.0.0.1";
    int port = 8431; // 0: any free port
    DemoData demo = DemoData::none;
    std::size_t sessions = 8;
    auth::AccessPolicy access{}; // sign-in
    HttpOptions http{};          // TLS, server names, allowed web origins
    HttpLimits limits{};         // who gets in, and for how long
};

// The whole application server in one object, for the program and for embedding it in the host:
// database sessions, methods and the HTTP endpoint.
class Service {
public:
    // Opens the database and prepares it; throws std::exception with a clear message, and
    // UnsafeExposure (server/http/exposure.h) for an address beyond loopback without sign-in
    // and TLS.
    explicit Service(const ServiceOptions& options);
    ~Service();
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;

    void start();
    void stop();
    int port() const { return server_->port(); }
    const std::string& host() const { return server_->host(); }
    Database& database() { return *db_; }

private:
    ServiceOptions options_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<MethodRegistry> methods_;
    std::unique_ptr<RpcServer> server_;
};

} // namespace ct::server
