#pragma once

#include <stdexcept>
#include <string>

namespace ct::server {

// A refusal of the application: JSON-RPC code 1, the message is what the screen shows (or a
// catalogue key where the screen translates keys). Any write of the call is rolled back.
class AppError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A protocol fault with its JSON-RPC code (-32700, -32600, -32601, -32602, -32603).
class RpcError : public std::runtime_error {
public:
    RpcError(int code, const std::string& message)
        : std::runtime_error(message)
        , code_(code) {}
    int code() const { return code_; }

private:
    int code_;
};

namespace rpc_code {
inline constexpr int application = 1;
inline constexpr int parse_error = -32700;
inline constexpr int invalid_request = -32600;
inline constexpr int method_not_found = -32601;
inline constexpr int invalid_params = -32602;
inline constexpr int internal_error = -32603;
} // namespace rpc_code

inline RpcError invalid_params(const std::string& message) {
    return RpcError(rpc_code::invalid_params, message);
}

} // namespace ct::server
