#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace ct::server::testing {

// A client that speaks HTTP by hand over one socket, to send what no well-behaved library sends:
// bodies longer or shorter than they say, headers a line at a time, connections that sit idle.
class RawClient {
public:
    // Connects to 127.0.0.1:port from a loopback address of its own ("127.0.0.2": another client
    // as far as the server can tell).
    explicit RawClient(int port, const char* from = "127.0.0.1");
    ~RawClient();
    RawClient(const RawClient&) = delete;
    RawClient& operator=(const RawClient&) = delete;

    bool connected() const { return fd_ >= 0; }
    bool send(std::string_view bytes);
    // True when an answer (or the end of the connection) can be read now.
    bool answered() const;

    struct Answer {
        int status = 0; // 0: none came
        std::string headers;
        nlohmann::json body; // null when not JSON
        bool closed = false; // the server ended the connection
        bool reset = false;  // ... abruptly (a reset, where the answer may have been lost)
    };
    // Reads one HTTP answer, waiting at most `limit`.
    Answer read(std::chrono::milliseconds limit = std::chrono::seconds(30));
    // Waits until the server ends the connection; false if it did not within `limit`.
    bool closed_within(std::chrono::milliseconds limit);

    // A POST of `body` to the endpoint with its Content-Length; `extra` goes among the headers.
    static std::string post(std::string_view body, std::string_view extra = {});

private:
    int fd_ = -1;
    std::string pending_; // read beyond the last answer
};

// Connections that would hold the door of a naive server: `count` idle ones from 127.0.0.2, and
// `count` from 127.0.0.3 that send a request's headers a line every `every`, for as long as the
// server keeps them (or `lines` lines, or until stopped).
class IdleAndSlowClients {
public:
    IdleAndSlowClients(int port, int count, std::chrono::milliseconds every, int lines = 1000);
    ~IdleAndSlowClients();
    IdleAndSlowClients(const IdleAndSlowClients&) = delete;
    IdleAndSlowClients& operator=(const IdleAndSlowClients&) = delete;

    // Every connection made and the slow ones' first line sent.
    bool ready() const { return ready_; }
    void stop();

    std::vector<std::unique_ptr<RawClient>> idle;
    std::vector<std::unique_ptr<RawClient>> slow;

private:
    bool ready_ = true;
    std::atomic<bool> stop_{false};
    std::thread trickle_;
};

} // namespace ct::server::testing
