#include "server/rpc/rpc_handler.h"

#include "server/audit/audit_trail.h"
#include "server/auth/gate.h"
#include "server/core/errors.h"
#include "server/packet/packet_text.h"

#include <chrono>
#include <spdlog/spdlog.h>

namespace ct::server {

using nlohmann::json;

namespace {

// Messages end up in JSON: invalid UTF-8 from a driver must not make the answer unwritable.
std::string dump(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

bool valid_id(const json& id) {
    return id.is_null() || id.is_string() || id.is_number();
}

} // namespace

json RpcHandler::error_answer(const json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

std::string RpcHandler::handle(std::string_view body, const std::string& token) {
    json request;
    try {
        request = json::parse(body.begin(), body.end());
    } catch (const json::exception& e) {
        spdlog::warn("unreadable request: {}", e.what());
        return dump(error_answer(nullptr, rpc_code::parse_error, "unreadable JSON"));
    }
    std::string out;
    write_json(out, handle_request(std::move(request), token));
    return out;
}

json RpcHandler::handle_request(json request, const std::string& token) {
    if (!request.is_object()) {
        return error_answer(nullptr, rpc_code::invalid_request,
                            "the request must be a JSON-RPC 2.0 object");
    }
    const json id = request.contains("id") && valid_id(request["id"]) ? request["id"] : json();
    if (!request.contains("jsonrpc") || request["jsonrpc"] != "2.0") {
        return error_answer(id, rpc_code::invalid_request, "\"jsonrpc\" must be \"2.0\"");
    }
    if (request.contains("id") && !valid_id(request["id"])) {
        return error_answer(nullptr, rpc_code::invalid_request,
                            "\"id\" must be a string, a number or null");
    }
    if (!request.contains("method") || !request["method"].is_string()) {
        return error_answer(id, rpc_code::invalid_request, "\"method\" must be a string");
    }
    const std::string& name = request["method"].get_ref<const std::string&>();
    json params = request.contains("params") ? std::move(request["params"]) : json::array();
    if (!params.is_array()) {
        return error_answer(id, rpc_code::invalid_params, "\"params\" must be an array");
    }
    const MethodSpec* def = methods_.find(name);
    if (!def) {
        spdlog::info("{} unknown method", name.substr(0, 60));
        return error_answer(id, rpc_code::method_not_found,
                            "unknown method: " + name.substr(0, 60));
    }

    const auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] {
        return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
            .count();
    };
    try {
        json result = call(*def, std::move(params), token);
        spdlog::info("{} {:.1f} ms ok", name, elapsed());
        result["jsonrpc"] = "2.0";
        result["id"] = id;
        return result;
    } catch (const AppError& e) {
        spdlog::info("{} {:.1f} ms refused: {}", name, elapsed(), e.what());
        return error_answer(id, rpc_code::application, e.what());
    } catch (const RpcError& e) {
        spdlog::info("{} {:.1f} ms bad call ({}): {}", name, elapsed(), e.code(), e.what());
        return error_answer(id, e.code(), e.what());
    } catch (const std::exception& e) {
        spdlog::error("{} {:.1f} ms failed: {}", name, elapsed(), e.what());
        return error_answer(id, rpc_code::internal_error,
                            std::string("internal error: ") + e.what());
    }
}

json RpcHandler::call(const MethodSpec& def, json params, const std::string& token) {
    check_arguments(def, params); // before a session is taken
    Database::Lease lease(db_);
    Transaction tx(lease.sql(), def.writes);
    // Sign-in: the operator comes from the session token, before the arguments are even read.
    auth::Caller caller = auth::admit(lease.sql(), access_, def.name, token);
    CallContext ctx(lease.sql(), def, std::move(params));
    ctx.set_caller(std::move(caller));
    json value = def.handler(ctx);
    // Audit: who changed which keys, in the call's own transaction.
    if (def.writes) {
        audit::record_call(lease.sql(), def, ctx);
    }
    tx.commit();
    return {{"result", {{"value", std::move(value)}, {"byref", ctx.byref()}}}};
}

} // namespace ct::server
