#include "server/http/client_connection.h"

#include "server/http/socket_address.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <openssl/err.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ct::server {
namespace {

// Reads of the header lines come a byte at a time: serve them from a buffer of this size.
constexpr std::size_t read_ahead = 16 * 1024;
// An answer up to this size leaves in one send.
constexpr std::size_t write_gather = 64 * 1024;

} // namespace

ClientConnection::ClientConnection(int fd, std::string peer, int peer_port,
                                   const HttpLimits& limits, SSL_CTX* tls)
    : fd_(fd)
    , peer_(std::move(peer))
    , peer_port_(peer_port)
    , limits_(limits) {
    read_until_ = write_until_ = Clock::now();
    if (tls) {
        tls_ = true;
        ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) | O_NONBLOCK);
        ssl_ = SSL_new(tls);
        if (ssl_) {
            SSL_set_fd(ssl_, fd_);
            SSL_set_accept_state(ssl_);
        }
    }
}

ClientConnection::~ClientConnection() {
    if (ssl_) {
        SSL_free(ssl_);
    }
    ::close(fd_);
}

bool ClientConnection::pull(std::size_t cap) {
    if (!ssl_) {
        return false;
    }
    ERR_clear_error(); // SSL_get_error reads the thread's queue: only this call's errors
    if (!handshake_done_) {
        const int r = SSL_do_handshake(ssl_);
        if (r != 1) {
            const int e = SSL_get_error(ssl_, r);
            return e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE;
        }
        handshake_done_ = true;
    }
    if (taken_ > 0) {
        buffer_.erase(0, taken_);
        taken_ = 0;
    }
    while (buffer_.size() < cap) {
        const std::size_t at = buffer_.size();
        buffer_.resize(std::min(cap, at + read_ahead));
        const int n = SSL_read(ssl_, buffer_.data() + at, static_cast<int>(buffer_.size() - at));
        if (n > 0) {
            buffer_.resize(at + static_cast<std::size_t>(n));
            continue;
        }
        buffer_.resize(at);
        const int e = SSL_get_error(ssl_, n);
        return e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE;
    }
    return true;
}

void ClientConnection::send_now(std::string_view text) {
    if (!tls_) {
        [[maybe_unused]] const auto sent =
            ::send(fd_, text.data(), text.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    } else if (ssl_ && handshake_done_) {
        ERR_clear_error();
        SSL_write(ssl_, text.data(), static_cast<int>(text.size()));
    }
}

bool ClientConnection::discard() {
    thread_local std::string sink(64 * 1024, '\0');
    for (;;) {
        if (tls_) {
            if (!ssl_) {
                return false;
            }
            ERR_clear_error();
            const int n = SSL_read(ssl_, sink.data(), static_cast<int>(sink.size()));
            if (n > 0) {
                continue;
            }
            const int e = SSL_get_error(ssl_, n);
            return e == SSL_ERROR_WANT_READ || e == SSL_ERROR_WANT_WRITE;
        }
        const ssize_t n = ::recv(fd_, sink.data(), sink.size(), MSG_DONTWAIT);
        if (n > 0) {
            continue;
        }
        return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR);
    }
}

void ClientConnection::end_writing() {
    if (ssl_ && handshake_done_) {
        ERR_clear_error();
        SSL_shutdown(ssl_); // our close_notify; the client's is not waited for
    }
    ::shutdown(fd_, SHUT_WR);
}

void ClientConnection::begin_request() {
    read_until_ = Clock::now() + limits_.body_deadline;
    writing_ = false;
}

bool ClientConnection::await_readable(std::chrono::milliseconds pause) const {
    pollfd p{fd_, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&p, 1, static_cast<int>(pause.count()));
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

std::string_view ClientConnection::buffered() const {
    return std::string_view(buffer_).substr(taken_);
}

void ClientConnection::shut_down() {
    ::shutdown(fd_, SHUT_RDWR);
}

bool ClientConnection::wait(short events, std::chrono::milliseconds pause,
                            Clock::time_point until) const {
    const auto now = Clock::now();
    if (now >= until) {
        return false;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - now);
    pollfd p{fd_, events, 0};
    int ready = 0;
    do {
        ready = ::poll(&p, 1, static_cast<int>(std::min(pause, left).count()) + 1);
    } while (ready < 0 && errno == EINTR);
    return ready > 0;
}

bool ClientConnection::is_readable() const {
    return taken_ < buffer_.size() || (ssl_ && SSL_pending(ssl_) > 0) ||
           wait(POLLIN, limits_.read_pause, read_until_);
}

bool ClientConnection::is_writable() const {
    start_writing();
    return wait(POLLOUT, limits_.write_pause, write_until_);
}

ssize_t ClientConnection::read(char* ptr, std::size_t size) {
    if (taken_ < buffer_.size()) {
        const std::size_t n = std::min(size, buffer_.size() - taken_);
        std::memcpy(ptr, buffer_.data() + taken_, n);
        taken_ += n;
        if (taken_ == buffer_.size()) {
            buffer_.clear();
            taken_ = 0;
        }
        return static_cast<ssize_t>(n);
    }
    if (size >= read_ahead) {
        return receive(ptr, size);
    }
    buffer_.resize(read_ahead);
    const ssize_t n = receive(buffer_.data(), read_ahead);
    if (n <= 0) {
        buffer_.clear();
        return n;
    }
    buffer_.resize(static_cast<std::size_t>(n));
    taken_ = 0;
    return read(ptr, size);
}

ssize_t ClientConnection::receive(char* ptr, std::size_t size) {
    if (tls_) {
        return tls_io(ptr, nullptr, size);
    }
    // The poller saw the request arrive: most reads need no wait.
    for (;;) {
        const ssize_t n = ::recv(fd_, ptr, size, MSG_DONTWAIT);
        if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return n;
        }
        if (errno != EINTR && !wait(POLLIN, limits_.read_pause, read_until_)) {
            return -1; // no byte within the pause, or past the deadline
        }
    }
}

void ClientConnection::start_writing() const {
    if (!writing_) {
        writing_ = true;
        write_until_ = Clock::now() + limits_.write_deadline;
    }
}

ssize_t ClientConnection::tls_io(char* read_to, const char* write_from, std::size_t size) {
    if (!ssl_) {
        return -1;
    }
    const bool reading = read_to != nullptr;
    const int chunk = static_cast<int>(std::min<std::size_t>(size, 1u << 30));
    for (;;) {
        ERR_clear_error();
        const int n = reading ? SSL_read(ssl_, read_to, chunk) : SSL_write(ssl_, write_from, chunk);
        if (n > 0) {
            return n;
        }
        const int e = SSL_get_error(ssl_, n);
        if (e == SSL_ERROR_ZERO_RETURN) {
            return 0;
        }
        const bool ok = reading ? wait(e == SSL_ERROR_WANT_WRITE ? POLLOUT : POLLIN,
                                       limits_.read_pause, read_until_)
                                : wait(e == SSL_ERROR_WANT_READ ? POLLIN : POLLOUT,
                                       limits_.write_pause, write_until_);
        if ((e != SSL_ERROR_WANT_READ && e != SSL_ERROR_WANT_WRITE) || !ok) {
            return -1;
        }
    }
}

ssize_t ClientConnection::write(const char* ptr, std::size_t size) {
    start_writing();
    if (out_.size() + size > write_gather) {
        if (!flush()) {
            return -1;
        }
        if (size > write_gather) {
            return send_some(ptr, size);
        }
    }
    out_.append(ptr, size);
    return static_cast<ssize_t>(size);
}

bool ClientConnection::flush() {
    std::size_t sent = 0;
    while (sent < out_.size()) {
        const ssize_t n = send_some(out_.data() + sent, out_.size() - sent);
        if (n <= 0) {
            out_.clear();
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    out_.clear();
    return true;
}

ssize_t ClientConnection::send_some(const char* ptr, std::size_t size) {
    if (tls_) {
        return tls_io(nullptr, ptr, size);
    }
    for (;;) {
        const ssize_t n = ::send(fd_, ptr, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n >= 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            return n;
        }
        if (errno != EINTR && !wait(POLLOUT, limits_.write_pause, write_until_)) {
            return -1; // the client took nothing within the pause, or past the deadline
        }
    }
}

void ClientConnection::get_remote_ip_and_port(std::string& ip, int& port) const {
    ip = peer_;
    port = peer_port_;
}

void ClientConnection::get_local_ip_and_port(std::string& ip, int& port) const {
    // Asked for every request; it does not change for the connection's life.
    if (local_port_ < 0) {
        sockaddr_storage addr{};
        socklen_t len = sizeof addr;
        local_port_ = 0;
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
            local_ip_ = address_text(addr, local_port_);
        }
    }
    ip = local_ip_;
    port = local_port_;
}

} // namespace ct::server
