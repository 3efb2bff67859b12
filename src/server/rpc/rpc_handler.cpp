#include "server/rpc/rpc_handler.h"

#include "server/audit/audit_trail.h"
#include "server/auth/gate.h"
#include "server/core/errors.h"
#include "server/core/text.h"
#include "server/db/database_error.h"
#include "server/packet/packet_text.h"
#include "server/rpc/request_log.h"
#include "server/rpc/request_reader.h"

#include "json/json_text.h"
#include <chrono>
#include <ctime>
#include <spdlog/spdlog.h>

namespace ct::server {

using nlohmann::json;

namespace {

std::string error_body(const json& id, int code, const std::string& message) {
    return json_text(RpcHandler::error_answer(id, code, message));
}

// Numbers of internal failures: one sequence per run, begun from the clock so that two runs of
// the server seldom give the same number.
long long next_occurrence() {
    static std::atomic<long long> last{static_cast<long long>(std::time(nullptr) % 1000000) * 1000};
    return ++last;
}

} // namespace

bool valid_request_key(std::string_view key) {
    if (key.empty() || key.size() > 64) {
        return false;
    }
    for (char c : key) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                        (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.' || c == ':';
        if (!ok) {
            return false;
        }
    }
    return true;
}

json RpcHandler::error_answer(const json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

std::string RpcHandler::handle(const RpcCall& call, AnswerTag* tag) {
    AnswerTag unused;
    AnswerTag& answer_tag = tag ? *tag : unused;
    RpcRequest request;
    try {
        request = read_request(call.body, limits_);
    } catch (const RpcError& e) {
        spdlog::warn("{} refused request: {}", log_safe(call.peer), e.what());
        return error_body(nullptr, e.code(), e.what());
    }
    if (!request.object) {
        return error_body(nullptr, rpc_code::invalid_request,
                          "a requisição deve ser um objeto JSON-RPC 2.0");
    }
    const json id = request.id_ok ? request.id : json();
    if (!request.repeated.empty()) {
        return error_body(id, rpc_code::invalid_request,
                          "o membro \"" + request.repeated + "\" aparece duas vezes");
    }
    if (!request.has_jsonrpc || !request.jsonrpc_ok) {
        return error_body(id, rpc_code::invalid_request, "\"jsonrpc\" deve ser \"2.0\"");
    }
    if (!request.id_ok) {
        return error_body(nullptr, rpc_code::invalid_request,
                          "\"id\" deve ser um texto, um número ou null");
    }
    if (!request.has_method || !request.method_text) {
        return error_body(id, rpc_code::invalid_request, "\"method\" deve ser um texto");
    }
    const std::string& name = request.method;
    if (!request.params_list) {
        return error_body(id, rpc_code::invalid_params, "\"params\" deve ser uma lista");
    }
    const MethodDef* def = methods_.find(name);
    if (!def) {
        spdlog::info("{} {} unknown method", log_safe(call.peer), log_safe(name, 60));
        return error_body(id, rpc_code::method_not_found,
                          "método desconhecido: " + name.substr(0, 60));
    }
    if (!call.request_key.empty() && !valid_request_key(call.request_key)) {
        return error_body(id, rpc_code::invalid_request,
                          "chave de requisição (Idempotency-Key) inválida: use de 1 a 64 letras, "
                          "algarismos, \"-\", \"_\", \".\" ou \":\"");
    }

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    try {
        Arguments args(*def, std::move(request.params), request.param_count);
        const std::string result =
            run(*def, std::move(args), call, request.fingerprint, answer_tag);
        spdlog::info("{} {:.1f} ms ok", name, elapsed());
        const std::string id_text = json_text(id);
        std::string out;
        out.reserve(result.size() + id_text.size() + 40);
        out += "{\"id\":";
        out += id_text;
        out += ",\"jsonrpc\":\"2.0\",\"result\":";
        out += result;
        out += '}';
        return out;
    } catch (const AppError& e) {
        spdlog::info("{} {:.1f} ms refused: {}", name, elapsed(), log_safe(e.what()));
        return error_body(id, rpc_code::application, e.what());
    } catch (const RpcError& e) {
        spdlog::info("{} {:.1f} ms bad call ({}): {}", name, elapsed(), e.code(),
                     log_safe(e.what()));
        return error_body(id, e.code(), e.what());
    } catch (const std::exception& e) {
        const DatabaseFailure failure = classify_failure(e);
        if (failure.kind != DatabaseFailure::Kind::other) {
            spdlog::info("{} {:.1f} ms refused by the database: {} ({})", name, elapsed(),
                         failure.refusal, log_safe(e.what(), 2000));
            return error_body(id, rpc_code::application, failure.refusal);
        }
        const long long occurrence = next_occurrence();
        spdlog::error("{} {:.1f} ms failed, occurrence {}: {}", name, elapsed(), occurrence,
                      log_safe(e.what(), 4000));
        return error_body(id, rpc_code::internal_error,
                          fmt::format("Erro interno no servidor (ocorrência {}).", occurrence));
    }
}

std::string RpcHandler::run(const MethodDef& def, Arguments&& args, const RpcCall& call,
                            std::uint64_t fingerprint, AnswerTag& tag) {
    Database::Lease lease(db_);
    Sql& sql = lease.sql();
    if (def.writes || sql.engine() != Engine::postgresql) {
        return run_on(sql, def, std::move(args), call, fingerprint, tag);
    }
    // A reading call on PostgreSQL runs outside a transaction, so a session the server ended a
    // moment before is found only by its first statement. Reading twice changes nothing: the call
    // runs once more on a new session.
    Arguments again = args;
    try {
        return run_on(sql, def, std::move(args), call, fingerprint, tag);
    } catch (const std::exception& e) {
        if (!sql.reopen_if_lost()) {
            throw;
        }
        spdlog::warn("database session lost ({}); opened again", e.what());
        return run_on(sql, def, std::move(again), call, fingerprint, tag);
    }
}

std::string RpcHandler::run_on(Sql& sql, const MethodDef& def, Arguments&& args,
                               const RpcCall& call, std::uint64_t fingerprint, AnswerTag& tag) {
    // Only writing calls are answered once; a session's opening never is, for its answer holds
    // the token, which the server keeps only hashed.
    const std::string_view key =
        def.writes && !auth::session_method(def.name) ? call.request_key : std::string_view();
    Transaction tx(sql, def.writes);
    // Sign-in: the operator comes from the session token, before anything else is read, and so
    // before a retried call's first answer is given again.
    auth::Caller caller = auth::admit(sql, access_, def.name, call.token);
    // A retried call under a committed key: its first answer, and nothing written again.
    if (!key.empty()) {
        if (std::optional<std::string> first = RequestLog::claim(sql, key, def.name, fingerprint)) {
            spdlog::info("{} answered again under request key {}", def.name, key);
            return std::move(*first);
        }
    }
    // A cached reading call: the answer last read under the same database version, if any.
    std::string cache_key;
    std::string version;
    if (def.cached) {
        cache_key = def.name + '\n' + args.key(def);
        version = sql.read_version();
        if (std::optional<AnswerCache::Kept> kept = cache_.find(cache_key, version)) {
            tx.commit();
            tag.tag = kept->tag;
            if (call.held == kept->tag) {
                tag.held = true;
                return "null";
            }
            return *kept->answer;
        }
    }
    CallContext ctx(sql, def, std::move(args));
    ctx.set_caller(std::move(caller));
    const long long touched_before = sql.rows_touched();
    json value = def.handler(ctx);
    // Audit: who changed which keys, in the call's own transaction. A call that changed no row
    // is no change, and the parties' last changes stay as they were.
    if (def.writes && sql.rows_touched() != touched_before) {
        audit::record_call(sql, def, ctx);
    }
    json answer = json::object();
    answer["byref"] = ctx.take_byref();
    answer["value"] = std::move(value); // packets of megabytes: moved, never copied
    std::string result;
    result.reserve(written_bytes(answer["value"]) + 4096);
    write_json(result, answer);
    if (!key.empty()) {
        RequestLog::record(sql, key, result);
    }
    tx.commit();
    if (def.cached) {
        tag.tag = cache_.store(cache_key, std::move(version), result);
    }
    return result;
}

} // namespace ct::server
