#pragma once

#include "server/auth/access_policy.h"
#include "server/http/http_limits.h"
#include "server/http/http_options.h"
#include "server/http/tls_server.h"
#include "server/rpc/rpc_handler.h"

#include <memory>
#include <string>

namespace ct::server {

class FrontDoor;

inline constexpr const char* rpc_path = "/rpc/PRQ31000.rdmContratante";
inline constexpr const char* health_path = "/health";

// The HTTP endpoint, runnable in-process: start() binds and serves on threads of its own. The
// HTTP library parses requests and writes answers; the front door (http/front_door) decides who
// gets in and when, and speaks TLS when the options name a certificate. A request's path: its
// headers are read, Host, Origin and content type checked, then its body framing, then its body
// read within the limit; the handler checks the sign-in and answers.
class RpcServer {
public:
    // `http`: TLS and the checks of where requests come from; `access`: sign-in; `limits`: who
    // gets in, and for how long.
    RpcServer(Database& db, const MethodRegistry& methods, HttpOptions http = {},
              auth::AccessPolicy access = {}, HttpLimits limits = {});
    ~RpcServer();
    RpcServer(const RpcServer&) = delete;
    RpcServer& operator=(const RpcServer&) = delete;

    // Port 0 takes a free port. Throws std::runtime_error when the address cannot be bound.
    void start(const std::string& host, int port);
    void stop();
    int port() const { return port_; }
    const std::string& host() const { return host_; }
    const HttpLimits& limits() const { return limits_; }
    const FrontDoor* front_door() const { return door_.get(); }

private:
    class Endpoint;

    Database& db_;
    HttpOptions options_;
    bool sign_in_ = false;
    HttpLimits limits_;
    RpcHandler handler_;
    std::unique_ptr<Endpoint> http_;
    TlsContext tls_;
    std::unique_ptr<FrontDoor> door_;
    int listen_fd_ = -1;
    std::string host_;
    int port_ = 0;
};

} // namespace ct::server
