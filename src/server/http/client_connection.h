#pragma once

#include "server/http/http_limits.h"

#include <chrono>
#include <cstddef>
#include <httplib.h>
#include <openssl/ssl.h>
#include <string>
#include <string_view>

namespace ct::server {

// One accepted client connection, as the HTTP library reads and writes it: every read waits no
// longer than the pause allowed and never past the request's deadline, every write likewise;
// bytes read ahead (a pipelined request) stay with the connection from request to request. With
// TLS the socket does not block: the poller takes the handshake and the request's first bytes
// (decrypted, into the buffer) as they come, the worker the rest.
class ClientConnection final : public httplib::Stream {
public:
    using Clock = std::chrono::steady_clock;

    // `tls`: serve TLS with this context (none: plain HTTP).
    ClientConnection(int fd, std::string peer, int peer_port, const HttpLimits& limits,
                     SSL_CTX* tls = nullptr);
    ~ClientConnection() override;
    ClientConnection(const ClientConnection&) = delete;
    ClientConnection& operator=(const ClientConnection&) = delete;

    int fd() const { return fd_; }
    const std::string& peer() const { return peer_; }

    // A worker takes the request: its body must arrive by the body deadline, its answer go out
    // by the write deadline (counted from when the answer starts).
    void begin_request();
    // Waits up to `pause` for bytes to read (or the connection's end).
    bool await_readable(std::chrono::milliseconds pause) const;
    // Bytes read ahead and not yet taken.
    std::string_view buffered() const;
    // Shuts the socket down (a stopping server): blocked reads and writes end at once.
    void shut_down();

    bool tls() const { return tls_; }
    bool handshake_done() const { return handshake_done_; }
    // TLS: takes what has arrived without waiting, the handshake first, into the buffer (up to
    // `cap` bytes there). False when the connection failed or the client closed it.
    bool pull(std::size_t cap);
    // Sends a short text without waiting (a refusal); TLS once the handshake is done.
    void send_now(std::string_view text);
    // Reads and drops what has arrived without waiting; false once the connection ended.
    bool discard();
    // Ends our side of the connection: no more writes (a TLS close first).
    void end_writing();
    // Sends what the answer wrote so far. Writes are gathered so that an answer's head and body
    // leave in one packet. False when they could not go out in time.
    bool flush();

    bool is_readable() const override;
    bool is_writable() const override;
    ssize_t read(char* ptr, std::size_t size) override;
    ssize_t write(const char* ptr, std::size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    socket_t socket() const override { return fd_; }

    // Where the poller stands with the connection (kept here so that it lives with it).
    enum class Phase { idle, arriving, ready, running, draining };
    Phase phase = Phase::idle;
    Clock::time_point deadline; // of the current phase
    std::size_t requests = 0;
    bool counted = false;            // among its address's open connections
    bool refuse_when_secure = false; // over its address's cap: refused once TLS is up
    bool head_complete = false;      // the request's headers have arrived (its body is awaited)
    std::size_t arrived = 0;         // bytes of the request seen so far, and when the last came
    Clock::time_point last_arrival;

private:
    bool wait(short events, std::chrono::milliseconds pause, Clock::time_point until) const;
    // A read of the worker from the socket, waiting within the pause and the deadline.
    ssize_t receive(char* ptr, std::size_t size);
    // A write of the worker to the socket, likewise.
    ssize_t send_some(const char* ptr, std::size_t size);
    // A TLS read (into `read_to`) or write (from `write_from`) of the worker, waiting as the TLS
    // library asks.
    ssize_t tls_io(char* read_to, const char* write_from, std::size_t size);
    // The answer's deadline starts with its first write (or the library's check before it).
    void start_writing() const;

    int fd_;
    bool tls_ = false;
    SSL* ssl_ = nullptr; // none with TLS: it could not be made, and the connection fails
    bool handshake_done_ = false;
    std::string peer_;
    int peer_port_;
    const HttpLimits& limits_;
    std::string buffer_;
    std::size_t taken_ = 0; // of buffer_
    std::string out_;       // written and not yet sent
    mutable std::string local_ip_;
    mutable int local_port_ = -1; // not yet asked
    Clock::time_point read_until_;
    mutable bool writing_ = false;
    mutable Clock::time_point write_until_;
};

} // namespace ct::server
