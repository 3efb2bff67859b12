#pragma once

#include "server/http/http_limits.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <openssl/ssl.h>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

namespace ct::server {

class ClientConnection;

// How clients get in: one thread accepts (a per-client and an overall cap on open connections),
// one poller holds every connection that is idle or whose request is still arriving (a deadline
// for it to arrive whole), and a bounded pool of workers runs the requests that are all there,
// one request at a time, from a bounded queue. Whatever is refused gets "503 Service Unavailable"
// with Retry-After and a JSON-RPC body, and the connection is closed gently.
class FrontDoor {
public:
    // What follows a request: another on the same connection, its end, or its end once the
    // client's unread bytes are dropped for a moment (the answer must reach it before the close).
    enum class After { keep, close, drain };
    // Runs one request on a worker.
    using Serve = std::function<After(ClientConnection&)>;

    // `tls`: serve TLS with this context (none: plain HTTP); it must outlive the front door.
    FrontDoor(const HttpLimits& limits, Serve serve, SSL_CTX* tls = nullptr);
    ~FrontDoor();
    FrontDoor(const FrontDoor&) = delete;
    FrontDoor& operator=(const FrontDoor&) = delete;

    // Serves the clients of a bound, listening socket (its backlog raised to the limit's).
    void start(int listen_fd);
    // Stops accepting, ends every connection and waits for the threads. The socket is the
    // caller's to close.
    void stop();

    // Refusals so far, for the log and the tests.
    struct Refusals {
        std::atomic<long long> busy{0};       // queue full, or too many connections
        std::atomic<long long> per_client{0}; // too many connections of one address
        std::atomic<long long> too_slow{0};   // request not all there by its deadline
    };
    const Refusals& refusals() const { return refusals_; }

private:
    void accept_loop();
    void poll_loop();
    void work_loop();
    After run(ClientConnection& c);
    bool next_request_here(ClientConnection& c);

    // Under mutex_.
    void admit(int fd, std::string peer, int port);
    void examine(ClientConnection& c, bool hung_up);
    void examine_tls(ClientConnection& c, std::size_t cap);
    void judge(ClientConnection& c, std::string_view seen, bool hung_up);
    void dispatch(ClientConnection& c);
    void refuse(ClientConnection& c, int status, std::string_view message);
    void too_slow(ClientConnection& c);
    void start_draining(ClientConnection& c);
    void drain(ClientConnection& c);
    void expire();
    void close(ClientConnection& c);
    bool watch(ClientConnection& c);
    void give_back(ClientConnection& c);
    void wake_workers(std::unique_lock<std::mutex>& lock);

    HttpLimits limits_;
    Serve serve_;
    SSL_CTX* tls_ = nullptr;
    int listen_fd_ = -1;
    int epoll_fd_ = -1;
    int wake_fd_ = -1;
    std::atomic<bool> stopping_{false};

    std::mutex mutex_;
    std::condition_variable ready_;
    std::unordered_map<int, std::unique_ptr<ClientConnection>> connections_;
    std::unordered_map<std::string, std::size_t> per_client_;
    std::deque<ClientConnection*> queue_;
    std::size_t wakes_ = 0;              // requests queued whose worker is still to be woken
    std::atomic<std::size_t> queued_{0}; // queue_'s size, for a look without the lock
    std::atomic<int> lingering_{0};      // workers watching the connection they answered
    std::size_t draining_ = 0;

    std::thread acceptor_;
    std::thread poller_;
    std::vector<std::thread> workers_;
    Refusals refusals_;
};

} // namespace ct::server
