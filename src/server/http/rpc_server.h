#pragma once

#include "server/auth/access_policy.h"
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

inline constexpr const char* rpc_path = "/rpc/PRQ31000.rdmContratante";
inline constexpr const char* health_path = "/health";
inline constexpr std::size_t max_body_bytes = 64u * 1024u * 1024u;

// The HTTP endpoint, runnable in-process: start() binds and serves on a thread of its own.
class RpcServer {
public:
    // `http`: TLS and the checks of where requests come from; `access`: sign-in.
    RpcServer(Database& db, const MethodRegistry& methods, HttpOptions http = {},
              auth::AccessPolicy access = {});
    ~RpcServer();
    RpcServer(const RpcServer&) = delete;
    RpcServer& operator=(const RpcServer&) = delete;

    // Port 0 takes a free port. Throws std::runtime_error when the address cannot be bound.
    void start(const std::string& host, int port);
    void stop();
    int port() const { return port_; }
    const std::string& host() const { return host_; }

private:
    Database& db_;
    HttpOptions options_;
    bool sign_in_ = false;
    RpcHandler handler_;
    std::unique_ptr<httplib::Server> http_;
    std::thread thread_;
    std::atomic<bool> listener_done_{false};
    std::string host_;
    int port_ = 0;
};

} // namespace ct::server
