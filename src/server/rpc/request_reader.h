#pragma once

#include "server/packet/json_events.h"
#include "server/packet/packet.h"

#include <cstdint>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace ct::server {

// One element of "params" as read: a value, or a packet's draft (checked once the method is
// known), or something no argument takes.
struct RpcParam {
    enum class Kind : std::uint8_t { null, boolean, number, text, packet, other };
    Kind kind = Kind::null;
    bool boolean = false;
    double number = 0.0;
    std::string text;
    std::unique_ptr<PacketDraft> packet;
};

// A JSON-RPC request read straight from its text: members in any order, params never held as a
// document. What is wrong with it is noted for the handler to answer in the protocol's order.
struct RpcRequest {
    bool object = false; // the text is an object
    nlohmann::json id;   // null when absent or unusable
    bool id_ok = true;   // absent, null, a text or a number
    bool has_jsonrpc = false;
    bool jsonrpc_ok = false; // "2.0"
    bool has_method = false;
    bool method_text = false;
    std::string method;
    bool has_params = false;
    bool params_list = true;
    std::vector<RpcParam> params;
    std::size_t param_count = 0; // may pass what is kept: a count no method takes
    std::string repeated;        // a member given twice
    // Of the method and its arguments: a retry under the same request key must be the same call.
    std::uint64_t fingerprint = 0;
};

// Arguments kept of one request; no method takes a tenth of it.
inline constexpr std::size_t max_request_params = 64;

// Bodies from this size on have the second half of their longest list read on a thread of its
// own; the request read is the same.
inline constexpr std::size_t read_apart_from = std::size_t(1) << 20;

// Reads one request body. Throws RpcError: -32700 for text that is not JSON, -32600 for text
// beyond the limits (nesting, count of values).
RpcRequest read_request(std::string_view body, const JsonLimits& limits = {},
                        std::size_t apart_from = read_apart_from);

} // namespace ct::server
