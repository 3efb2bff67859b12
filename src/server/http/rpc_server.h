#pragma once

#include "server/auth/access_policy.h"
#include "server/http/http_limits.h"
#include "server/http/http_options.h"
#include "server/rpc/rpc_handler.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace ct::server {

class FrontDoor;
struct EndpointContext;

inline constexpr const char* rpc_path = "/rpc/PRQ31000.rdmContratante";
inline constexpr const char* health_path = "/health";

// The HTTP endpoint, runnable in-process: start() binds and serves on threads of its own. The
// HTTP library parses requests and writes answers. Plain HTTP goes through the front door
// (http/front_door), which decides who gets in and when; TLS is served by the library's own
// TLS server, with a bounded pool of workers and the same body limit and time limits. A
// request's path: its headers are read, Host, Origin and content type checked, then its body
// framing, then its body read within the limit; the handler checks the sign-in and answers.
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
    // The plain HTTP server's front door (none when serving TLS).
    const FrontDoor* front_door() const { return door_.get(); }

private:
    class Endpoint;

    void start_tls(int port);

    Database& db_;
    HttpOptions options_;
    bool sign_in_ = false;
    HttpLimits limits_;
    RpcHandler handler_;
    std::unique_ptr<Endpoint> http_;
    std::unique_ptr<httplib::Server> tls_;
    std::unique_ptr<EndpointContext> tls_context_;
    std::unique_ptr<FrontDoor> door_;
    std::thread tls_thread_;
    std::atomic<bool> tls_done_{false};
    int listen_fd_ = -1;
    std::string host_;
    int port_ = 0;
};

} // namespace ct::server
