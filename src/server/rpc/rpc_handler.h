#pragma once

#include "server/auth/access_policy.h"
#include "server/db/database.h"
#include "server/packet/json_events.h"
#include "server/rpc/answer_cache.h"
#include "server/rpc/method_registry.h"

#include <atomic>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace ct::server {

// One call as it reached the endpoint.
struct RpcCall {
    std::string_view body;
    // The client's key of this call (header Idempotency-Key), the same on a retry: a writing call
    // under a key already committed gets the first answer again and writes nothing.
    std::string_view request_key;
    std::string_view peer;  // who called, for the log
    std::string_view token; // the session token it came with (empty: none)
    // The tag of a kept answer the client still holds (header X-Answer-Held; empty: none).
    std::string_view held;
};

// What the endpoint tells the client about a cached answer (AnswerCache).
struct AnswerTag {
    std::string tag;   // the answer's tag, for the client to hold it by (empty: not kept)
    bool held = false; // the client holds this very answer: "result" is null, not sent again
};

// Turns one JSON-RPC request body into its answer body. Never throws: every fault becomes a
// JSON-RPC error. The request is read straight from its text (limits on nesting and count of
// values, no document of it); its arguments are checked before a session is taken; the method
// runs in one transaction, committed only when it succeeds. The database's refusals (a key that
// exists, data held too long by another user) come back as clear refusals; any other failure as
// "Erro interno no servidor (ocorrência N)." with its detail in the log under N.
class RpcHandler {
public:
    RpcHandler(Database& db, const MethodRegistry& methods, auth::AccessPolicy access = {},
               JsonLimits limits = {})
        : db_(db)
        , methods_(methods)
        , access_(std::move(access))
        , limits_(limits) {}

    std::string handle(const RpcCall& call, AnswerTag* tag = nullptr);

    static nlohmann::json error_answer(const nlohmann::json& id, int code,
                                       const std::string& message);

private:
    // The answer's "result" as JSON text.
    std::string run(const MethodDef& def, Arguments&& args, const RpcCall& call,
                    std::uint64_t fingerprint, AnswerTag& tag);
    std::string run_on(Sql& sql, const MethodDef& def, Arguments&& args, const RpcCall& call,
                       std::uint64_t fingerprint, AnswerTag& tag);

    Database& db_;
    const MethodRegistry& methods_;
    auth::AccessPolicy access_;
    JsonLimits limits_;
    AnswerCache cache_;
};

// Whether a client's request key may be stored: 1 to 64 of letters, digits, "-", "_", ".", ":".
bool valid_request_key(std::string_view key);

} // namespace ct::server
