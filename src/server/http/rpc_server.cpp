#include "server/http/rpc_server.h"

#include "server/auth/gate.h"
#include "server/core/errors.h"
#include "server/http/health.h"
#include "server/http/request_guard.h"
#include "server/http/tls_server.h"

#include <chrono>
#include <httplib.h>
#include <spdlog/spdlog.h>
#include <stdexcept>
#include <sys/socket.h>

namespace ct::server {
namespace {

constexpr std::size_t keep_alive_max_calls = 1000000;
constexpr time_t keep_alive_idle_seconds = 30;
constexpr std::size_t http_workers = 32;

// Paths and messages may carry bytes that are not UTF-8; they must not make the answer unwritable.
std::string body_of(const nlohmann::json& answer) {
    return answer.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

} // namespace

RpcServer::RpcServer(Database& db, const MethodRegistry& methods, HttpOptions http,
                     auth::AccessPolicy access)
    : db_(db)
    , options_(std::move(http))
    , sign_in_(access.sign_in)
    , handler_(db, methods, std::move(access)) {}

RpcServer::~RpcServer() {
    stop();
}

void RpcServer::start(const std::string& host, int port) {
    if (http_) {
        throw std::logic_error("the server is already running");
    }
    http_ = make_http_server(options_); // TLS when the options name a certificate
    http_->set_payload_max_length(max_body_bytes);
    // Answers are small and clients keep their connection: without this, every other call
    // waits for the peer's delayed acknowledgement (tens of milliseconds).
    http_->set_tcp_nodelay(true);
    // A client keeps its connection for as many calls as it makes (the library's default closes
    // it every five calls); one left idle is closed after a while, which frees its worker.
    http_->set_keep_alive_max_count(keep_alive_max_calls);
    http_->set_keep_alive_timeout(keep_alive_idle_seconds);
    // A kept connection holds a worker between its calls: enough workers for the clients of
    // one server, the database sessions still bounding the calls that run at once.
    http_->new_task_queue = [] { return new httplib::ThreadPool(http_workers); };
    // Address reuse for quick restarts, but no port sharing: a second server on the same port
    // must fail to start instead of taking half of the calls.
    http_->set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const void*>(&yes),
                   sizeof(yes));
    });
    // Host, Origin and content type are checked before any route.
    http_->set_pre_routing_handler(
        [this, host](const httplib::Request& req, httplib::Response& res) {
            const auto refusal = refuse_request(req, host, options_);
            if (!refusal) {
                return httplib::Server::HandlerResponse::Unhandled;
            }
            spdlog::warn("{} {} from {} refused: {}", req.method, req.path.substr(0, 80),
                         req.remote_addr, *refusal);
            res.status = 200;
            res.set_content(
                body_of(RpcHandler::error_answer(nullptr, rpc_code::invalid_request, *refusal)),
                "application/json");
            return httplib::Server::HandlerResponse::Handled;
        });
    http_->Get(health_path, [this](const httplib::Request&, httplib::Response& res) {
        const HealthAnswer answer = health(db_, sign_in_, options_.tls());
        res.status = answer.status;
        res.set_content(answer.body, "application/json");
    });
    http_->Post(rpc_path, [this](const httplib::Request& req, httplib::Response& res) {
        res.status = 200;
        // Moved in (answers can be megabytes); the session token comes as a bearer header.
        res.body =
            handler_.handle(req.body, auth::bearer_token(req.get_header_value("Authorization")));
        res.set_header("Content-Type", "application/json");
    });
    // Whatever goes wrong at the HTTP level on our endpoint still gets a JSON-RPC answer.
    http_->set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (req.path == health_path) {
            return; // its own answer, with the status monitoring reads
        }
        nlohmann::json answer;
        if (res.status == 413) {
            answer = RpcHandler::error_answer(nullptr, rpc_code::invalid_request,
                                              "request body larger than 64 MiB");
        } else if (req.path == rpc_path) {
            answer = RpcHandler::error_answer(nullptr, rpc_code::invalid_request,
                                              "send the request with POST");
        } else {
            answer = RpcHandler::error_answer(nullptr, rpc_code::method_not_found,
                                              "no such object: " + req.path.substr(0, 80));
            res.set_content(body_of(answer), "application/json");
            return;
        }
        res.status = 200;
        res.set_content(body_of(answer), "application/json");
    });
    http_->set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr ep) {
            std::string what = "unknown error";
            try {
                std::rethrow_exception(ep);
            } catch (const std::exception& e) {
                what = e.what();
            } catch (...) {
            }
            spdlog::error("request failed: {}", what);
            res.status = 200;
            res.set_content(body_of(RpcHandler::error_answer(nullptr, rpc_code::internal_error,
                                                             "internal error: " + what)),
                            "application/json");
        });

    int bound = 0;
    if (port == 0) {
        bound = http_->bind_to_any_port(host);
    } else {
        bound = http_->bind_to_port(host, port) ? port : -1;
    }
    if (bound <= 0) {
        http_.reset();
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port));
    }
    host_ = host;
    port_ = bound;
    listener_done_ = false;
    thread_ = std::thread([this] {
        http_->listen_after_bind();
        listener_done_ = true;
    });
    // stop() only acts on a running listener, so do not hand back control before it runs.
    while (!http_->is_running() && !listener_done_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

void RpcServer::stop() {
    if (!http_) {
        return;
    }
    http_->stop();
    if (thread_.joinable()) {
        thread_.join();
    }
    http_.reset();
}

} // namespace ct::server
