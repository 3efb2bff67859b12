#include "server/http/rpc_server.h"

#include "server/http/client_connection.h"
#include "server/http/endpoint_routes.h"
#include "server/http/front_door.h"
#include "server/http/tls_server.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace ct::server {
namespace {

// A client keeps its connection for as many calls as it makes.
constexpr std::size_t keep_alive_max_calls = 1000000;

// The TLS server's workers: as many as the front door's, and connections waiting for one up to
// its queue; beyond that the acceptor waits, and new clients wait in the listen backlog.
class BoundedPool final : public httplib::TaskQueue {
public:
    BoundedPool(std::size_t workers, std::size_t queue)
        : queue_limit_(std::max<std::size_t>(1, queue)) {
        for (std::size_t i = 0; i < std::max<std::size_t>(1, workers); ++i) {
            threads_.emplace_back([this] { work(); });
        }
    }
    ~BoundedPool() override { shutdown(); }

    void enqueue(std::function<void()> fn) override {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [this] { return jobs_.size() < queue_limit_ || stopping_; });
        jobs_.push_back(std::move(fn));
        ready_.notify_one();
    }

    void shutdown() override {
        {
            std::lock_guard lock(mutex_);
            if (stopping_) {
                return;
            }
            stopping_ = true;
        }
        ready_.notify_all();
        room_.notify_all();
        for (auto& t : threads_) {
            t.join();
        }
    }

private:
    void work() {
        for (;;) {
            std::function<void()> fn;
            {
                std::unique_lock lock(mutex_);
                ready_.wait(lock, [this] { return !jobs_.empty() || stopping_; });
                if (jobs_.empty()) {
                    return;
                }
                fn = std::move(jobs_.front());
                jobs_.pop_front();
                room_.notify_one();
            }
            fn();
        }
    }

    std::size_t queue_limit_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::condition_variable room_;
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    bool stopping_ = false;
};

template <class Duration> std::pair<time_t, time_t> seconds_and_micros(Duration d) {
    const auto us = std::chrono::duration_cast<std::chrono::microseconds>(d).count();
    return {static_cast<time_t>(us / 1000000), static_cast<time_t>(us % 1000000)};
}

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
    if (http_ || tls_) {
        throw std::logic_error("the server is already running");
    }
    host_ = host;
    if (options_.tls()) {
        return start_tls(port);
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
    door_ = std::make_unique<FrontDoor>(limits_,
                                        [this](ClientConnection& c) { return http_->serve(c); });
    door_->start(listen_fd_);
}

void RpcServer::start_tls(int port) {
    tls_ = make_http_server(options_); // throws for files that cannot be used
    tls_context_ = std::make_unique<EndpointContext>(
        EndpointContext{handler_, db_, options_, limits_, host_, sign_in_});
    install_routes(*tls_, *tls_context_);
    tls_->set_payload_max_length(limits_.max_body_bytes);
    tls_->set_tcp_nodelay(true);
    tls_->set_keep_alive_max_count(keep_alive_max_calls);
    tls_->set_keep_alive_timeout(
        std::chrono::duration_cast<std::chrono::seconds>(limits_.idle).count());
    const auto [read_s, read_us] = seconds_and_micros(limits_.read_pause);
    tls_->set_read_timeout(read_s, read_us);
    const auto [write_s, write_us] = seconds_and_micros(limits_.write_pause);
    tls_->set_write_timeout(write_s, write_us);
    const HttpLimits limits = limits_;
    tls_->new_task_queue = [limits] { return new BoundedPool(limits.workers, limits.queue); };
    tls_->set_socket_options([this](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const void*>(&yes),
                   sizeof(yes));
        listen_fd_ = sock;
    });
    const int bound =
        port == 0 ? tls_->bind_to_any_port(host_) : (tls_->bind_to_port(host_, port) ? port : -1);
    if (bound <= 0 || listen_fd_ < 0) {
        tls_.reset();
        listen_fd_ = -1;
        throw std::runtime_error("cannot listen on " + host_ + ":" + std::to_string(port));
    }
    port_ = bound;
    // The library listens with a backlog of 5: a burst of clients would see connections dropped.
    ::listen(listen_fd_, limits_.backlog);
    tls_done_ = false;
    tls_thread_ = std::thread([this] {
        tls_->listen_after_bind();
        tls_done_ = true;
    });
    // stop() only acts on a running listener, so do not hand back control before it runs.
    while (!tls_->is_running() && !tls_done_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void RpcServer::stop() {
    if (door_) {
        door_->stop();
        ::close(listen_fd_);
        listen_fd_ = -1;
        door_.reset();
    }
    http_.reset();
    if (tls_) {
        tls_->stop(); // closes its socket
        if (tls_thread_.joinable()) {
            tls_thread_.join();
        }
        tls_.reset();
        tls_context_.reset();
        listen_fd_ = -1;
    }
}

} // namespace ct::server
