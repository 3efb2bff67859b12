#pragma once

#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>

namespace ct {

// What a call to the application server gave back: a payload (with the values left in the
// by-reference arguments) or an error with its code and the text to show.
class ServerResult {
public:
    // Refusal of the application; its message is shown to the user.
    static constexpr int applicationError = 1;
    // Failures on our side of the wire (JSON-RPC leaves -32000..-32099 to implementations).
    static constexpr int transportError = -32000;
    static constexpr int invalidAnswer = -32001;

    static ServerResult success(nlohmann::json value,
                                nlohmann::json byref = nlohmann::json::object());
    static ServerResult failure(int code, std::string message);

    bool ok() const { return ok_; }
    const nlohmann::json& value() const { return value_; }
    // The payload taken out of a result no longer needed.
    nlohmann::json takeValue() && { return std::move(value_); }
    const nlohmann::json& byref() const { return byref_; }
    int errorCode() const { return code_; }
    const std::string& errorMessage() const { return message_; }

private:
    ServerResult() = default;

    bool ok_ = false;
    nlohmann::json value_;
    nlohmann::json byref_ = nlohmann::json::object();
    int code_ = 0;
    std::string message_;
};

// An error result raised as an exception; what() is the server's message.
class ServerError : public std::runtime_error {
public:
    ServerError(int code, const std::string& message)
        : std::runtime_error(message)
        , code_(code) {}
    explicit ServerError(const ServerResult& result)
        : ServerError(result.errorCode(), result.errorMessage()) {}
    int code() const { return code_; }

private:
    int code_;
};

} // namespace ct
