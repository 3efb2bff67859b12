#pragma once

#include "server/http/http_limits.h"
#include "server/rpc/rpc_handler.h"

#include <memory>
#include <string>

namespace ct::server {

class FrontDoor;

inline constexpr const char* rpc_path = "/rpc/PRQ31000.rdmContratante";

// The HTTP endpoint, runnable in-process: start() binds and serves on threads of its own. The
// HTTP library parses requests and writes answers; the front door (http/front_door) decides who
// gets in and when. A request's path: the library reads its headers, the endpoint checks their
// body framing and reads the body within its limit, then the handler answers. (A sign-in check
// belongs where the endpoint reads the headers, before the body is read.)
class RpcServer {
public:
    RpcServer(Database& db, const MethodRegistry& methods, HttpLimits limits = {});
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

    HttpLimits limits_;
    RpcHandler handler_;
    std::unique_ptr<Endpoint> http_;
    std::unique_ptr<FrontDoor> door_;
    int listen_fd_ = -1;
    std::string host_;
    int port_ = 0;
};

} // namespace ct::server
