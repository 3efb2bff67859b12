#include "server/http/rpc_server.h"

#include "server/http/client_connection.h"
#include "server/http/endpoint_routes.h"
#include "server/http/front_door.h"
#include "server/http/tls_server.h"

#include <chrono>
#include <httplib.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace ct::server {
namespace {

// A client keeps its connection for as many calls as it makes.
constexpr std::size_t keep_alive_max_calls = 1000000;

} // namespace

// The HTTP library serving one request at a time of a connection the front door hands it.
class RpcServer::Endpoint : public httplib::Server {
public:
    explicit Endpoint(const EndpointContext& context)
        : context_(context) {
        set_payload_max_length(context_.limits.max_body_bytes);
        set_keep_alive_max_count(keep_alive_max_calls);
        install_routes(*this, context_);
    }

    FrontDoor::After serve(ClientConnection& c) {
        take_close_after();
        bool closed = false;
        const bool last = c.requests + 1 >= keep_alive_max_calls;
        if (!process_request(c, last, closed, nullptr)) {
            return FrontDoor::After::close;
        }
        if (take_close_after()) {
            return FrontDoor::After::drain; // a body refused unread may still be arriving
        }
        return closed || last ? FrontDoor::After::close : FrontDoor::After::keep;
    }

private:
    EndpointContext context_;
};

RpcServer::RpcServer(Database& db, const MethodRegistry& methods, HttpOptions http,
                     auth::AccessPolicy access, HttpLimits limits)
    : db_(db)
    , options_(std::move(http))
    , sign_in_(access.sign_in)
    , limits_(limits)
    , handler_(db, methods, std::move(access)) {}

RpcServer::~RpcServer() {
    stop();
}

void RpcServer::start(const std::string& host, int port) {
    if (http_) {
        throw std::logic_error("the server is already running");
    }
    host_ = host;
    if (options_.tls() && !tls_) {
        tls_ = make_tls_context(options_); // throws for files that cannot be used
    }
    http_ = std::make_unique<Endpoint>(
        EndpointContext{handler_, db_, options_, limits_, host, sign_in_});
    // Address reuse for quick restarts, but no port sharing: a second server on the same port
    // must fail to start instead of taking half of the calls.
    http_->set_socket_options([this](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const void*>(&yes),
                   sizeof(yes));
        listen_fd_ = sock;
    });
    int bound = 0;
    if (port == 0) {
        bound = http_->bind_to_any_port(host);
    } else {
        bound = http_->bind_to_port(host, port) ? port : -1;
    }
    if (bound <= 0 || listen_fd_ < 0) {
        http_.reset();
        listen_fd_ = -1;
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port));
    }
    port_ = bound;
    door_ = std::make_unique<FrontDoor>(
        limits_, [this](ClientConnection& c) { return http_->serve(c); }, tls_.get());
    door_->start(listen_fd_);
}

void RpcServer::stop() {
    if (door_) {
        door_->stop();
        ::close(listen_fd_);
        listen_fd_ = -1;
        door_.reset();
    }
    http_.reset();
}

} // namespace ct::server
