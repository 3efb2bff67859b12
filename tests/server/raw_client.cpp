#include "raw_client.h"

#include "server/http/rpc_server.h"

#include <arpa/inet.h>
#include <cerrno>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace ct::server::testing {

RawClient::RawClient(int port, const char* from) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    ::inet_pton(AF_INET, from, &local.sin_addr);
    sockaddr_in server{};
    server.sin_family = AF_INET;
    server.sin_port = htons(static_cast<std::uint16_t>(port));
    ::inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

RawClient::~RawClient() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool RawClient::send(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool RawClient::answered() const {
    pollfd p{fd_, POLLIN, 0};
    return !pending_.empty() || ::poll(&p, 1, 0) > 0;
}

RawClient::Answer RawClient::read(std::chrono::milliseconds limit) {
    Answer answer;
    const auto until = std::chrono::steady_clock::now() + limit;
    std::string data = std::move(pending_);
    pending_.clear();
    std::size_t head_end = std::string::npos;
    std::size_t length = 0;
    auto parse_head = [&] {
        head_end = data.find("\r\n\r\n");
        if (head_end == std::string::npos) {
            return;
        }
        answer.headers = data.substr(0, head_end + 2);
        answer.status = std::atoi(answer.headers.c_str() + answer.headers.find(' ') + 1);
        std::string lower = answer.headers;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const auto at = lower.find("content-length:");
        length = at == std::string::npos ? 0 : std::stoul(lower.substr(at + 15));
    };
    while (true) {
        if (head_end == std::string::npos) {
            parse_head();
        }
        if (head_end != std::string::npos && data.size() >= head_end + 4 + length) {
            answer.body = nlohmann::json::parse(data.substr(head_end + 4, length), nullptr, false);
            if (answer.body.is_discarded()) {
                answer.body = nullptr;
            }
            pending_ = data.substr(head_end + 4 + length);
            return answer;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) {
            answer.status = head_end == std::string::npos ? 0 : answer.status;
            return answer;
        }
        char buffer[65536];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            answer.closed = true;
            answer.reset = n < 0 && errno == ECONNRESET;
            if (head_end == std::string::npos) {
                answer.status = 0;
            }
            return answer;
        }
        data.append(buffer, static_cast<std::size_t>(n));
    }
}

bool RawClient::closed_within(std::chrono::milliseconds limit) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        pollfd p{fd_, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            until - std::chrono::steady_clock::now());
        if (::poll(&p, 1, static_cast<int>(std::max<long long>(left.count(), 1))) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n == 0 || (n < 0 && errno == ECONNRESET)) {
            return true;
        }
    }
    return false;
}

std::string RawClient::post(std::string_view body, std::string_view extra) {
    std::string out = std::string("POST ") + rpc_path +
                      " HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: application/json\r\n";
    out += extra;
    out += "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n";
    out += body;
    return out;
}

IdleAndSlowClients::IdleAndSlowClients(int port, int count, std::chrono::milliseconds every,
                                       int lines) {
    for (int i = 0; i < count; ++i) {
        idle.push_back(std::make_unique<RawClient>(port, "127.0.0.2"));
        slow.push_back(std::make_unique<RawClient>(port, "127.0.0.3"));
        ready_ = ready_ && idle.back()->connected() && slow.back()->connected() &&
                 slow.back()->send(std::string("POST ") + rpc_path + " HTTP/1.1\r\n");
    }
    trickle_ = std::thread([this, every, lines] {
        constexpr auto step = std::chrono::milliseconds(50);
        for (int line = 0; !stop_ && line < lines; ++line) {
            for (auto& c : slow) {
                c->send("X-Line-" + std::to_string(line) + ": x\r\n");
            }
            for (std::chrono::milliseconds waited{0}; waited < every && !stop_; waited += step) {
                std::this_thread::sleep_for(step);
            }
        }
    });
}

IdleAndSlowClients::~IdleAndSlowClients() {
    stop();
}

void IdleAndSlowClients::stop() {
    stop_ = true;
    if (trickle_.joinable()) {
        trickle_.join();
    }
}

} // namespace ct::server::testing
