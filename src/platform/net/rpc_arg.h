#pragma once

#include <cstddef>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <variant>

namespace ct {

// One argument of a server call: a value (string, double, boolean, null, data packet) or a
// caller's variable passed by reference, which receives what the server left in it.
class RpcArg {
public:
    RpcArg(const char* text)
        : RpcArg(nlohmann::json(std::string(text))) {}
    RpcArg(std::string text)
        : RpcArg(nlohmann::json(std::move(text))) {}
    RpcArg(double number)
        : RpcArg(nlohmann::json(number)) {}
    RpcArg(int number)
        : RpcArg(nlohmann::json(static_cast<double>(number))) {}
    RpcArg(bool flag)
        : RpcArg(nlohmann::json(flag)) {}
    RpcArg(std::nullptr_t)
        : RpcArg(nlohmann::json(nullptr)) {}
    // A data packet (an object) or any other JSON value as it is. Held, never copied: a call's
    // list of arguments is copied from its braces, and a save of thousands of parties is a tree
    // of megabytes.
    RpcArg(nlohmann::json value)
        : value_(std::make_shared<const nlohmann::json>(std::move(value))) {}

    static RpcArg packet(nlohmann::json packet) { return RpcArg(std::move(packet)); }
    // A value already written as JSON text (a data set's delta), sent as it is.
    static RpcArg jsonText(std::string text) { return RpcArg(Text{}, std::move(text)); }
    static RpcArg ref(std::string& variable) { return RpcArg(&variable); }
    static RpcArg ref(double& variable) { return RpcArg(&variable); }
    // A packet variable by reference.
    static RpcArg ref(nlohmann::json& variable) { return RpcArg(&variable); }

    bool byRef() const { return !std::holds_alternative<std::monostate>(target_); }
    // What travels in "params", as JSON text appended to `out`. A variable is read at the call.
    void writeJson(std::string& out) const;
    // Whether the caller's variable can hold the server's value (not a text for a double, say);
    // null reads as the empty text or zero.
    bool accepts(const nlohmann::json& value) const;
    // Writes the server's value into the caller's variable; false, leaving it as it was, when the
    // variable cannot hold it.
    bool receive(const nlohmann::json& value) const;

private:
    struct Text {};
    RpcArg(Text, std::string text)
        : text_(std::make_shared<const std::string>(std::move(text))) {}
    template <typename T>
    explicit RpcArg(T* variable)
        : target_(variable) {}

    std::shared_ptr<const nlohmann::json> value_; // none for a variable or a text
    std::shared_ptr<const std::string> text_;     // a value given as JSON text
    std::variant<std::monostate, std::string*, double*, nlohmann::json*> target_;
};

} // namespace ct
