#pragma once

#include "server/auth/access_policy.h"
#include "server/db/database.h"
#include "server/rpc/method_registry.h"

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace ct::server {

// Turns one JSON-RPC request body into its answer body. Never throws: every fault becomes a
// JSON-RPC error. Each call runs in one transaction, committed only when the method succeeds.
class RpcHandler {
public:
    RpcHandler(Database& db, const MethodRegistry& methods, auth::AccessPolicy access = {})
        : db_(db)
        , methods_(methods)
        , access_(std::move(access)) {}

    // `token`: the session token the request came with (empty: none).
    std::string handle(std::string_view body, const std::string& token = {});
    // Takes what it needs out of the request (move it in). The answer may hold written packets:
    // write it with write_json.
    nlohmann::json handle_request(nlohmann::json request, const std::string& token = {});

    static nlohmann::json error_answer(const nlohmann::json& id, int code,
                                       const std::string& message);

private:
    nlohmann::json call(const MethodSpec& def, nlohmann::json params, const std::string& token);

    Database& db_;
    const MethodRegistry& methods_;
    auth::AccessPolicy access_;
};

} // namespace ct::server
