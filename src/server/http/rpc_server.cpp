#include "server/http/rpc_server.h"

#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/http/client_connection.h"
#include "server/http/front_door.h"

#include <fmt/format.h>
#include <httplib.h>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace ct::server {
namespace {

// A client keeps its connection for as many calls as it makes.
constexpr std::size_t keep_alive_max_calls = 1000000;

// Whether the connection must end after the answer being written (its body was not read whole,
// or the library refused the request): set by the handlers of the worker's current request.
thread_local bool close_after = false;

// Paths and messages may carry bytes that are not UTF-8; they must not make the answer unwritable.
std::string body_of(const nlohmann::json& answer) {
    return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A Content-Length of digits only, within what a size holds.
bool read_length(const std::string& text, std::size_t& out) {
    const std::string digits = trim(text);
    if (digits.empty() || digits.size() > 18) {
        return false;
    }
    out = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') {
            return false;
        }
        out = out * 10 + static_cast<std::size_t>(c - '0');
    }
    return true;
}

} // namespace

// The HTTP library with the endpoint's routes, serving one request at a time of a connection
// the front door hands it.
class RpcServer::Endpoint : public httplib::Server {
public:
    Endpoint(RpcHandler& handler, const HttpLimits& limits)
        : handler_(handler)
        , limits_(limits) {
        set_payload_max_length(limits.max_body_bytes);
        set_keep_alive_max_count(keep_alive_max_calls);
        set_keep_alive_timeout(
            std::chrono::duration_cast<std::chrono::seconds>(limits.idle).count());
        Post(rpc_path, [this](const httplib::Request& req, httplib::Response& res,
                              const httplib::ContentReader& content) { rpc(req, res, content); });
        set_error_handler([](const httplib::Request& req, httplib::Response& res) {
            close_after = true;
            int code = rpc_code::invalid_request;
            std::string message;
            if (res.status == 400 || res.status == 413 || res.status == 414) {
                message = "requisição HTTP malformada";
            } else if (req.path == rpc_path) {
                message = "envie a requisição com POST";
            } else {
                code = rpc_code::method_not_found;
                message = "objeto desconhecido: " + req.path.substr(0, 80);
                res.set_content(body_of(RpcHandler::error_answer(nullptr, code, message)),
                                "application/json");
                return;
            }
            res.status = 200;
            res.set_content(body_of(RpcHandler::error_answer(nullptr, code, message)),
                            "application/json");
        });
        set_exception_handler(
            [](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
                std::string what = "unknown error";
                try {
                    std::rethrow_exception(ep);
                } catch (const std::exception& e) {
                    what = e.what();
                } catch (...) {
                }
                spdlog::error("request failed: {}", log_safe(what));
                close_after = true;
                res.status = 200;
                res.set_content(body_of(RpcHandler::error_answer(nullptr, rpc_code::internal_error,
                                                                 "Erro interno no servidor.")),
                                "application/json");
            });
        set_logger([](const httplib::Request&, const httplib::Response& res) {
            if (res.status != 200) {
                close_after = true;
            }
        });
    }

    // One request of the connection.
    FrontDoor::After serve(ClientConnection& c) {
        close_after = false;
        bool closed = false;
        const bool last = c.requests + 1 >= keep_alive_max_calls;
        const bool ok = process_request(c, last, closed, nullptr);
        if (!ok) {
            return FrontDoor::After::close;
        }
        if (close_after) {
            return FrontDoor::After::drain; // a body refused unread may still be arriving
        }
        return closed || last ? FrontDoor::After::close : FrontDoor::After::keep;
    }

private:
    void refuse(httplib::Response& res, const std::string& message) {
        close_after = true; // the rest of the body, if any, is never read
        res.status = 200;
        res.set_header("Connection", "close");
        res.set_content(
            body_of(RpcHandler::error_answer(nullptr, rpc_code::invalid_request, message)),
            "application/json");
    }

    // The body's framing is checked before a byte of it is read: one length, or chunks counted
    // against the same limit; never both (a request smuggled past another reader).
    void rpc(const httplib::Request& req, httplib::Response& res,
             const httplib::ContentReader& content) {
        const std::string too_large =
            fmt::format("o corpo da requisição passa de {} MiB", limits_.max_body_bytes >> 20);
        const std::size_t lengths = req.get_header_value_count("Content-Length");
        const bool has_encoding = req.has_header("Transfer-Encoding");
        std::size_t length = 0;
        if (lengths > 1) {
            return refuse(res, "a requisição traz mais de um Content-Length");
        }
        if (has_encoding && lengths > 0) {
            return refuse(res, "a requisição traz Content-Length e Transfer-Encoding");
        }
        if (has_encoding && !iequals(trim(req.get_header_value("Transfer-Encoding")), "chunked")) {
            return refuse(res, "Transfer-Encoding não aceito: envie o corpo com Content-Length");
        }
        if (!has_encoding) {
            if (lengths == 0) {
                return refuse(res, "a requisição não diz o tamanho do corpo (Content-Length)");
            }
            if (!read_length(req.get_header_value("Content-Length"), length)) {
                return refuse(res, "Content-Length inválido");
            }
            if (length > limits_.max_body_bytes) {
                return refuse(res, too_large);
            }
        }
        std::string body;
        body.reserve(length);
        bool over = false;
        const bool whole = content([&](const char* data, std::size_t size) {
            if (body.size() + size > limits_.max_body_bytes) {
                over = true;
                return false;
            }
            body.append(data, size);
            return true;
        });
        if (over) {
            return refuse(res, too_large);
        }
        if (!whole) {
            return refuse(res, "o corpo da requisição chegou incompleto");
        }
        const std::string key = req.get_header_value("Idempotency-Key");
        res.status = 200;
        res.body = handler_.handle({body, key, req.remote_addr}); // moved in: megabytes
        res.set_header("Content-Type", "application/json");
    }

    RpcHandler& handler_;
    const HttpLimits& limits_;
};

RpcServer::RpcServer(Database& db, const MethodRegistry& methods, HttpLimits limits)
    : limits_(limits)
    , handler_(db, methods) {}

RpcServer::~RpcServer() {
    stop();
}

void RpcServer::start(const std::string& host, int port) {
    if (http_) {
        throw std::logic_error("the server is already running");
    }
    http_ = std::make_unique<Endpoint>(handler_, limits_);
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
    host_ = host;
    port_ = bound;
    door_ = std::make_unique<FrontDoor>(limits_,
                                        [this](ClientConnection& c) { return http_->serve(c); });
    door_->start(listen_fd_);
}

void RpcServer::stop() {
    if (!http_) {
        return;
    }
    if (door_) {
        door_->stop();
    }
    ::close(listen_fd_);
    listen_fd_ = -1;
    door_.reset();
    http_.reset();
}

} // namespace ct::server
