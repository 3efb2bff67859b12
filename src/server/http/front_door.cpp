#include "server/http/front_door.h"

#include "server/http/client_connection.h"
#include "server/http/socket_address.h"

#include <cerrno>
#include <cstring>
#include <fmt/format.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <utility>

namespace ct::server {
namespace {

using Clock = ClientConnection::Clock;
using Phase = ClientConnection::Phase;

// Refused connections read and dropped for a moment before they are closed: closing with the
// client's bytes unread would reset the connection and could lose the answer on its way.
constexpr auto drain_time = std::chrono::milliseconds(2000);
constexpr std::size_t max_draining = 256;
constexpr auto tick = std::chrono::milliseconds(100);
// How long a worker watches the connection it answered for the client's next call.
constexpr auto linger = std::chrono::milliseconds(2);
constexpr int max_lingering = 8;
constexpr std::string_view too_many_here =
    "Conexões demais deste endereço: tente novamente em instantes.";

bool iequal_prefix(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char a = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (a != prefix[i]) {
            return false;
        }
    }
    return true;
}

std::string_view header_value(std::string_view line, std::size_t name_size) {
    std::string_view v = line.substr(name_size);
    while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) {
        v.remove_prefix(1);
    }
    while (!v.empty() && (v.back() == ' ' || v.back() == '\t' || v.back() == '\r')) {
        v.remove_suffix(1);
    }
    return v;
}

// What the poller needs of a request's headers: how much of its body to wait for.
struct HeadFacts {
    std::size_t body_wanted = 0; // bytes of body that must be there before a worker takes it
};

HeadFacts facts_of(std::string_view head, std::size_t small_body) {
    HeadFacts facts;
    bool streaming = false; // chunked, or a client waiting for "100 Continue"
    std::size_t length = 0;
    std::size_t pos = head.find("\r\n");
    while (pos != std::string_view::npos && pos + 2 < head.size()) {
        const std::size_t start = pos + 2;
        const std::size_t end = head.find("\r\n", start);
        const std::string_view line = head.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (iequal_prefix(line, "content-length:")) {
            const std::string_view v = header_value(line, 15);
            std::size_t n = 0;
            bool digits = !v.empty();
            for (char c : v) {
                digits = digits && c >= '0' && c <= '9';
                if (digits && n < small_body) {
                    n = n * 10 + static_cast<std::size_t>(c - '0');
                }
            }
            length = digits ? std::min(n, small_body) : 0;
        } else if (iequal_prefix(line, "transfer-encoding:") || iequal_prefix(line, "expect:")) {
            streaming = true;
        }
        pos = end;
    }
    facts.body_wanted = streaming ? 0 : length;
    return facts;
}

const char* reason_of(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 408:
        return "Request Timeout";
    case 431:
        return "Request Header Fields Too Large";
    default:
        return "Service Unavailable";
    }
}

// A whole answer with a JSON-RPC error (the messages here need no escaping).
std::string refusal_text(int status, std::string_view message, int retry_after) {
    const std::string body =
        fmt::format(R"({{"error":{{"code":{},"message":"{}"}},"id":null,"jsonrpc":"2.0"}})",
                    status == 503 ? -32000 : -32600, message);
    const std::string_view reason = reason_of(status);
    std::string out =
        fmt::format("HTTP/1.1 {} {}\r\nContent-Type: application/json\r\n", status, reason);
    if (status == 503) {
        out += fmt::format("Retry-After: {}\r\n", retry_after);
    }
    out += fmt::format("Connection: close\r\nContent-Length: {}\r\n\r\n", body.size());
    return out + body;
}

} // namespace

FrontDoor::FrontDoor(const HttpLimits& limits, Serve serve, SSL_CTX* tls)
    : limits_(limits)
    , serve_(std::move(serve))
    , tls_(tls) {}

FrontDoor::~FrontDoor() {
    stop();
}

void FrontDoor::start(int listen_fd) {
    listen_fd_ = listen_fd;
    // The HTTP library listens with a backlog of 5: a burst of clients would see their
    // connections dropped and retried a second later.
    ::listen(listen_fd_, limits_.backlog);
    epoll_fd_ = ::epoll_create1(EPOLL_CLOEXEC);
    wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (epoll_fd_ < 0 || wake_fd_ < 0) {
        throw std::runtime_error("cannot watch the connections (epoll)");
    }
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = wake_fd_;
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, wake_fd_, &ev);
    stopping_ = false;
    for (std::size_t i = 0; i < std::max<std::size_t>(1, limits_.workers); ++i) {
        workers_.emplace_back([this] { work_loop(); });
    }
    poller_ = std::thread([this] { poll_loop(); });
    acceptor_ = std::thread([this] { accept_loop(); });
}

void FrontDoor::stop() {
    if (stopping_.exchange(true) || listen_fd_ < 0) {
        return;
    }
    ::shutdown(listen_fd_, SHUT_RDWR); // accept() returns at once
    if (acceptor_.joinable()) {
        acceptor_.join();
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const auto written = ::write(wake_fd_, &one, sizeof one);
    if (poller_.joinable()) {
        poller_.join();
    }
    {
        std::lock_guard lock(mutex_);
        for (auto& [fd, c] : connections_) {
            c->shut_down(); // a worker blocked on it returns at once
        }
    }
    ready_.notify_all();
    for (auto& w : workers_) {
        w.join();
    }
    workers_.clear();
    std::lock_guard lock(mutex_);
    queue_.clear();
    connections_.clear();
    per_client_.clear();
    ::close(epoll_fd_);
    ::close(wake_fd_);
    epoll_fd_ = wake_fd_ = listen_fd_ = -1;
}

void FrontDoor::accept_loop() {
    while (!stopping_) {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        const int fd =
            ::accept4(listen_fd_, reinterpret_cast<sockaddr*>(&addr), &len, SOCK_CLOEXEC);
        if (fd < 0) {
            if (stopping_) {
                return;
            }
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            continue;
        }
        // Answers are small and clients keep their connection: without this, every other call
        // waits for the peer's delayed acknowledgement.
        const int yes = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
        int port = 0;
        std::string peer = address_text(addr, port);
        std::lock_guard lock(mutex_);
        admit(fd, std::move(peer), port);
    }
}

void FrontDoor::admit(int fd, std::string peer, int port) {
    auto c = std::make_unique<ClientConnection>(fd, peer, port, limits_, tls_);
    ClientConnection& conn = *c;
    if (connections_.size() >= limits_.max_connections) {
        ++refusals_.busy;
        return; // closed at once: there is no room even to refuse it gently
    }
    connections_.emplace(fd, std::move(c));
    std::size_t& mine = per_client_[peer];
    if (mine >= limits_.per_client) {
        ++refusals_.per_client;
        spdlog::warn("{}: more than {} connections at once, refused", peer, limits_.per_client);
        if (!conn.tls()) {
            refuse(conn, 503, too_many_here);
            return;
        }
        // A TLS client can read the refusal only once its handshake is done.
        conn.refuse_when_secure = true;
        conn.phase = Phase::arriving;
        conn.deadline = Clock::now() + limits_.header_deadline;
        if (!watch(conn)) {
            close(conn);
        }
        return;
    }
    ++mine;
    conn.counted = true;
    conn.phase = Phase::idle;
    conn.deadline = Clock::now() + limits_.idle;
    if (!watch(conn)) {
        close(conn);
    }
}

bool FrontDoor::watch(ClientConnection& c) {
    epoll_event ev{};
    ev.events = EPOLLIN | EPOLLRDHUP | EPOLLET;
    ev.data.fd = c.fd();
    return ::epoll_ctl(epoll_fd_, EPOLL_CTL_ADD, c.fd(), &ev) == 0;
}

void FrontDoor::poll_loop() {
    std::vector<epoll_event> events(256);
    auto next_tick = Clock::now() + tick;
    while (!stopping_) {
        const int n = ::epoll_wait(epoll_fd_, events.data(), static_cast<int>(events.size()),
                                   static_cast<int>(tick.count()));
        std::unique_lock lock(mutex_);
        for (int i = 0; i < n; ++i) {
            const int fd = events[static_cast<std::size_t>(i)].data.fd;
            const auto it = connections_.find(fd);
            if (fd == wake_fd_ || it == connections_.end()) {
                continue;
            }
            ClientConnection& c = *it->second;
            const bool hung_up = (events[static_cast<std::size_t>(i)].events &
                                  (EPOLLRDHUP | EPOLLHUP | EPOLLERR)) != 0;
            if (c.phase == Phase::draining) {
                drain(c);
            } else if (c.phase == Phase::idle || c.phase == Phase::arriving) {
                examine(c, hung_up);
            }
        }
        if (Clock::now() >= next_tick) {
            expire();
            next_tick = Clock::now() + tick;
        }
        wake_workers(lock);
    }
}

// Workers woken with the lock released: a worker woken under it would at once wait for it again.
void FrontDoor::wake_workers(std::unique_lock<std::mutex>& lock) {
    const std::size_t wakes = std::exchange(wakes_, 0);
    lock.unlock();
    for (std::size_t i = 0; i < wakes; ++i) {
        ready_.notify_one();
    }
}

// Looks at what has arrived without taking it: a request goes to a worker once its headers and
// its small body are all there.
void FrontDoor::examine(ClientConnection& c, bool hung_up) {
    const std::size_t cap = limits_.max_header_bytes + limits_.small_body_bytes;
    if (c.tls()) {
        return examine_tls(c, cap);
    }
    thread_local std::string peeked;
    peeked.resize(cap);
    const std::string_view ahead = c.buffered();
    const std::size_t have = std::min(ahead.size(), cap);
    std::memcpy(peeked.data(), ahead.data(), have);
    ssize_t n = 0;
    if (have < cap) {
        do {
            n = ::recv(c.fd(), peeked.data() + have, cap - have, MSG_PEEK | MSG_DONTWAIT);
        } while (n < 0 && errno == EINTR);
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            close(c);
            return;
        }
        if (n == 0 && have == 0) {
            close(c); // the client went away between requests
            return;
        }
    }
    const std::size_t total = have + static_cast<std::size_t>(std::max<ssize_t>(n, 0));
    if (total > 0) {
        judge(c, std::string_view(peeked.data(), total), hung_up);
    }
}

// TLS: the handshake and the request's first bytes taken now (decrypted, into the connection's
// buffer), the handshake counting as the start of the request.
void FrontDoor::examine_tls(ClientConnection& c, std::size_t cap) {
    const bool was_shaking = !c.handshake_done();
    if (!c.pull(cap)) {
        close(c);
        return;
    }
    if (c.refuse_when_secure) {
        if (c.handshake_done()) {
            refuse(c, 503, too_many_here);
        }
        return;
    }
    const std::string_view seen = c.buffered();
    if (!seen.empty() || was_shaking) {
        judge(c, seen.substr(0, cap), false);
    }
}

// What has arrived of a request: still arriving, refused, or ready for a worker.
void FrontDoor::judge(ClientConnection& c, std::string_view seen, bool hung_up) {
    const std::size_t total = seen.size();
    if (c.phase == Phase::idle) {
        c.phase = Phase::arriving;
        c.deadline = Clock::now() + limits_.header_deadline;
        c.arrived = 0;
        c.last_arrival = Clock::now();
    }
    if (total > c.arrived) {
        c.arrived = total;
        c.last_arrival = Clock::now();
    }
    const std::size_t end = seen.find("\r\n\r\n");
    if (end == std::string_view::npos || end + 4 > limits_.max_header_bytes) {
        if (total >= limits_.max_header_bytes) {
            refuse(c, 431, "Cabeçalhos da requisição grandes demais.");
        } else if (hung_up) {
            close(c);
        }
        return;
    }
    c.head_complete = true;
    const HeadFacts facts = facts_of(seen.substr(0, end + 2), limits_.small_body_bytes);
    if (total >= end + 4 + facts.body_wanted || hung_up) {
        dispatch(c);
    }
}

void FrontDoor::dispatch(ClientConnection& c) {
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, c.fd(), nullptr);
    if (queue_.size() >= limits_.queue) {
        ++refusals_.busy;
        refuse(c, 503, "Servidor ocupado: tente novamente em instantes.");
        return;
    }
    c.phase = Phase::ready;
    queue_.push_back(&c);
    queued_ = queue_.size();
    ++wakes_;
}

void FrontDoor::refuse(ClientConnection& c, int status, std::string_view message) {
    const std::string text = refusal_text(status, message, limits_.retry_after_seconds);
    // A fresh socket's buffer takes this small answer whole: never blocks.
    c.send_now(text);
    start_draining(c);
}

void FrontDoor::start_draining(ClientConnection& c) {
    c.end_writing();
    if (draining_ >= max_draining) {
        close(c);
        return;
    }
    ++draining_;
    c.phase = Phase::draining;
    c.deadline = Clock::now() + drain_time;
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, c.fd(), nullptr);
    if (!watch(c)) {
        close(c);
        return;
    }
    drain(c);
}

void FrontDoor::drain(ClientConnection& c) {
    if (!c.discard()) {
        close(c); // the client read the answer and closed, or the connection failed
    }
}

void FrontDoor::expire() {
    const auto now = Clock::now();
    std::vector<ClientConnection*> late;
    for (auto& [fd, c] : connections_) {
        const bool waiting =
            c->phase == Phase::idle || c->phase == Phase::arriving || c->phase == Phase::draining;
        const bool body_stopped = c->phase == Phase::arriving && c->head_complete &&
                                  now >= c->last_arrival + limits_.small_body_pause;
        if ((waiting && now >= c->deadline) || body_stopped) {
            late.push_back(c.get());
        }
    }
    for (ClientConnection* c : late) {
        if (c->phase == Phase::arriving) {
            too_slow(*c);
        } else {
            close(*c);
        }
    }
}

// A request not all there by its deadline: headers a line at a time, or a small body that stopped
// short of its Content-Length.
void FrontDoor::too_slow(ClientConnection& c) {
    ++refusals_.too_slow;
    spdlog::info("{}: request not all there in time, refused", c.peer());
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, c.fd(), nullptr);
    if (c.head_complete) {
        refuse(c, 200, "o corpo da requisição chegou incompleto");
    } else {
        refuse(c, 408, "a requisição não chegou inteira no prazo");
    }
}

void FrontDoor::close(ClientConnection& c) {
    ::epoll_ctl(epoll_fd_, EPOLL_CTL_DEL, c.fd(), nullptr);
    if (c.phase == Phase::draining) {
        --draining_;
    }
    if (c.counted) {
        auto it = per_client_.find(c.peer());
        if (it != per_client_.end() && --it->second == 0) {
            per_client_.erase(it);
        }
    }
    connections_.erase(c.fd()); // closes the socket
}

void FrontDoor::give_back(ClientConnection& c) {
    c.phase = Phase::idle;
    c.head_complete = false;
    c.deadline = Clock::now() + limits_.idle;
    if (!watch(c)) {
        close(c);
        return;
    }
    // A request read ahead (pipelined), or held by the TLS library: no event will tell of it.
    if (!c.buffered().empty() || c.tls()) {
        examine(c, false);
    }
}

void FrontDoor::work_loop() {
    for (;;) {
        ClientConnection* c = nullptr;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return !queue_.empty() || stopping_; });
            if (queue_.empty()) {
                return; // stopping
            }
            c = queue_.front();
            queue_.pop_front();
            queued_ = queue_.size();
            c->phase = Phase::running;
        }
        After after = run(*c);
        while (after == After::keep && next_request_here(*c)) {
            after = run(*c);
        }
        std::unique_lock lock(mutex_);
        if (stopping_ || after == After::close) {
            close(*c);
        } else if (after == After::drain) {
            start_draining(*c);
        } else {
            give_back(*c);
        }
        wake_workers(lock);
    }
}

FrontDoor::After FrontDoor::run(ClientConnection& c) {
    After after = After::close;
    try {
        c.begin_request();
        after = serve_(c);
        if (!c.flush()) {
            after = After::close;
        }
    } catch (const std::exception& e) {
        spdlog::error("{}: request failed: {}", c.peer(), e.what());
    }
    ++c.requests;
    return after;
}

// A client making calls in a row (a screen opening a budget) sends the next one at once: the
// worker that answered watches the connection for a moment and takes it whole, without the hop
// through the poller. Only while no request waits for a worker, and a few workers at a time.
bool FrontDoor::next_request_here(ClientConnection& c) {
    if (stopping_ || c.tls() || !c.buffered().empty() || queued_ > 0) {
        return false;
    }
    if (lingering_.fetch_add(1) >= max_lingering) {
        --lingering_;
        return false;
    }
    const bool arrived = c.await_readable(linger);
    --lingering_;
    if (!arrived || stopping_) {
        return false;
    }
    const std::size_t cap = limits_.max_header_bytes + limits_.small_body_bytes;
    thread_local std::string peeked;
    peeked.resize(cap);
    const ssize_t n = ::recv(c.fd(), peeked.data(), cap, MSG_PEEK | MSG_DONTWAIT);
    if (n <= 0) {
        return false; // closed, or nothing after all: the poller sees to it
    }
    const std::string_view seen(peeked.data(), static_cast<std::size_t>(n));
    const std::size_t end = seen.find("\r\n\r\n");
    if (end == std::string_view::npos || end + 4 > limits_.max_header_bytes) {
        return false;
    }
    const HeadFacts facts = facts_of(seen.substr(0, end + 2), limits_.small_body_bytes);
    return seen.size() >= end + 4 + facts.body_wanted;
}

} // namespace ct::server
