#include "server/http/endpoint_routes.h"

#include "server/auth/gate.h"
#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/http/health.h"
#include "server/http/request_guard.h"
#include "server/http/rpc_server.h"

#include "json/json_text.h"
#include <fmt/format.h>
#include <httplib.h>
#include <spdlog/spdlog.h>

namespace ct::server {
namespace {

// Set by the handlers of the request the thread is serving.
thread_local bool close_after = false;

void answer_error(httplib::Response& res, int code, const std::string& message) {
    res.status = 200;
    res.set_content(json_text(RpcHandler::error_answer(nullptr, code, message)),
                    "application/json");
}

// A refusal before the body was read: the rest of it, if any, is never read.
void refuse(httplib::Response& res, const std::string& message) {
    close_after = true;
    res.set_header("Connection", "close");
    answer_error(res, rpc_code::invalid_request, message);
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

// Gives the body's length (0 for chunks), or refuses the request and gives nothing. Never both
// a length and chunks, nor two lengths: a request smuggled past another reader.
std::optional<std::size_t> body_framing(const httplib::Request& req, httplib::Response& res,
                                        const std::string& too_large, std::size_t limit) {
    const std::size_t lengths = req.get_header_value_count("Content-Length");
    const bool has_encoding = req.has_header("Transfer-Encoding");
    std::size_t length = 0;
    if (lengths > 1) {
        refuse(res, "a requisição traz mais de um Content-Length");
    } else if (has_encoding && lengths > 0) {
        refuse(res, "a requisição traz Content-Length e Transfer-Encoding");
    } else if (has_encoding &&
               !iequals(trim(req.get_header_value("Transfer-Encoding")), "chunked")) {
        refuse(res, "Transfer-Encoding não aceito: envie o corpo com Content-Length");
    } else if (!has_encoding && lengths == 0) {
        refuse(res, "a requisição não diz o tamanho do corpo (Content-Length)");
    } else if (!has_encoding && !read_length(req.get_header_value("Content-Length"), length)) {
        refuse(res, "Content-Length inválido");
    } else if (length > limit) {
        refuse(res, too_large);
    } else {
        return length;
    }
    return std::nullopt;
}

void answer_call(const EndpointContext& ctx, const httplib::Request& req, httplib::Response& res,
                 const httplib::ContentReader& content) {
    const std::string too_large =
        fmt::format("o corpo da requisição passa de {} MiB", ctx.limits.max_body_bytes >> 20);
    const std::optional<std::size_t> length =
        body_framing(req, res, too_large, ctx.limits.max_body_bytes);
    if (!length) {
        return;
    }
    std::string body;
    body.reserve(*length);
    bool over = false;
    const bool whole = content([&](const char* data, std::size_t size) {
        if (body.size() + size > ctx.limits.max_body_bytes) {
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
    const std::string token = auth::bearer_token(req.get_header_value("Authorization"));
    const std::string held = req.get_header_value("X-Answer-Held");
    res.status = 200;
    AnswerTag tag;
    res.body = ctx.handler.handle({body, key, req.remote_addr, token, held}, &tag); // megabytes
    res.set_header("Content-Type", "application/json");
    if (!tag.tag.empty()) {
        res.set_header(tag.held ? "X-Answer-Held" : "X-Answer-Tag", tag.tag);
    }
}

} // namespace

bool take_close_after() {
    return std::exchange(close_after, false);
}

void install_routes(httplib::Server& http, const EndpointContext& context) {
    const EndpointContext* ctx = &context; // outlives the server
    // Host, Origin and content type are checked before any route, and before the body is read.
    http.set_pre_routing_handler([ctx](const httplib::Request& req, httplib::Response& res) {
        close_after = false;
        const auto refusal = refuse_request(req, ctx->listen_host, ctx->options);
        if (!refusal) {
            return httplib::Server::HandlerResponse::Unhandled;
        }
        spdlog::warn("{} {} from {} refused: {}", log_safe(req.method, 20), log_safe(req.path, 80),
                     req.remote_addr, log_safe(*refusal));
        refuse(res, *refusal);
        return httplib::Server::HandlerResponse::Handled;
    });
    http.Get(health_path, [ctx](const httplib::Request&, httplib::Response& res) {
        const HealthAnswer answer = health(ctx->db, ctx->sign_in, ctx->options.tls());
        res.status = answer.status;
        res.set_content(answer.body, "application/json");
    });
    http.Post(rpc_path, [ctx](const httplib::Request& req, httplib::Response& res,
                              const httplib::ContentReader& content) {
        answer_call(*ctx, req, res, content);
    });
    // Whatever goes wrong at the HTTP level on our endpoint still gets a JSON-RPC answer.
    http.set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        close_after = true;
        if (req.path == health_path) {
            return; // its own answer, with the status monitoring reads
        }
        if (res.status == 400 || res.status == 413 || res.status == 414) {
            answer_error(res, rpc_code::invalid_request, "requisição HTTP malformada");
        } else if (req.path == rpc_path) {
            answer_error(res, rpc_code::invalid_request, "envie a requisição com POST");
        } else {
            res.set_content(json_text(RpcHandler::error_answer(nullptr, rpc_code::method_not_found,
                                                               "objeto desconhecido: " +
                                                                   req.path.substr(0, 80))),
                            "application/json");
        }
    });
    http.set_exception_handler(
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
            answer_error(res, rpc_code::internal_error, "Erro interno no servidor.");
        });
    http.set_logger([](const httplib::Request&, const httplib::Response& res) {
        if (res.status != 200 && res.status != 503) {
            close_after = true;
        }
    });
}

} // namespace ct::server
