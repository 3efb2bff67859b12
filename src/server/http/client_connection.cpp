#include "server/http/client_connection.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ct::server {
namespace {

// Reads of the header lines come a byte at a time: serve them from a buffer of this size.
constexpr std::size_t read_ahead = 16 * 1024;

} // namespace

ClientConnection::ClientConnection(int fd, std::string peer, int peer_port,
                                   const HttpLimits& limits)
    : fd_(fd)
    , peer_(std::move(peer))
    , peer_port_(peer_port)
    , limits_(limits) {
    read_until_ = write_until_ = Clock::now();
}

ClientConnection::~ClientConnection() {
    ::close(fd_);
}

void ClientConnection::begin_request() {
    read_until_ = Clock::now() + limits_.body_deadline;
    writing_ = false;
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
    return taken_ < buffer_.size() || wait(POLLIN, limits_.read_pause, read_until_);
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
    if (!wait(POLLIN, limits_.read_pause, read_until_)) {
        return -1; // no byte within the pause, or past the deadline
    }
    if (size >= read_ahead) {
        ssize_t n = 0;
        do {
            n = ::recv(fd_, ptr, size, 0);
        } while (n < 0 && errno == EINTR);
        return n;
    }
    buffer_.resize(read_ahead);
    ssize_t n = 0;
    do {
        n = ::recv(fd_, buffer_.data(), read_ahead, 0);
    } while (n < 0 && errno == EINTR);
    if (n <= 0) {
        buffer_.clear();
        return n;
    }
    buffer_.resize(static_cast<std::size_t>(n));
    taken_ = 0;
    return read(ptr, size);
}

void ClientConnection::start_writing() const {
    if (!writing_) {
        writing_ = true;
        write_until_ = Clock::now() + limits_.write_deadline;
    }
}

ssize_t ClientConnection::write(const char* ptr, std::size_t size) {
    start_writing();
    if (!wait(POLLOUT, limits_.write_pause, write_until_)) {
        return -1;
    }
    ssize_t n = 0;
    do {
        n = ::send(fd_, ptr, size, MSG_NOSIGNAL);
    } while (n < 0 && errno == EINTR);
    return n;
}

void ClientConnection::get_remote_ip_and_port(std::string& ip, int& port) const {
    ip = peer_;
    port = peer_port_;
}

void ClientConnection::get_local_ip_and_port(std::string& ip, int& port) const {
    sockaddr_storage addr{};
    socklen_t len = sizeof addr;
    ip.clear();
    port = 0;
    if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        return;
    }
    char text[INET6_ADDRSTRLEN] = {0};
    if (addr.ss_family == AF_INET) {
        const auto* in = reinterpret_cast<const sockaddr_in*>(&addr);
        ::inet_ntop(AF_INET, &in->sin_addr, text, sizeof text);
        port = ntohs(in->sin_port);
    } else if (addr.ss_family == AF_INET6) {
        const auto* in6 = reinterpret_cast<const sockaddr_in6*>(&addr);
        ::inet_ntop(AF_INET6, &in6->sin6_addr, text, sizeof text);
        port = ntohs(in6->sin6_port);
    }
    ip = text;
}

} // namespace ct::server
