#pragma once

#include "platform/dataset/date_time.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>

namespace ct {

// A field value with a real null: null, text, double, integer, boolean or date-time.
class Value {
public:
    using Storage = std::variant<std::monostate, std::string, double, std::int64_t, bool, DateTime>;

    Value() = default;
    Value(std::nullptr_t) {}
    Value(const char* text)
        : v_(std::string(text)) {}
    Value(std::string text)
        : v_(std::move(text)) {}
    Value(std::string_view text)
        : v_(std::string(text)) {}
    Value(double number)
        : v_(number) {}
    Value(int number)
        : v_(static_cast<std::int64_t>(number)) {}
    Value(long number)
        : v_(static_cast<std::int64_t>(number)) {}
    Value(long long number)
        : v_(static_cast<std::int64_t>(number)) {}
    Value(bool flag)
        : v_(flag) {}
    Value(DateTime when)
        : v_(when) {}

    bool isNull() const { return std::holds_alternative<std::monostate>(v_); }
    bool isString() const { return std::holds_alternative<std::string>(v_); }
    bool isDouble() const { return std::holds_alternative<double>(v_); }
    bool isInteger() const { return std::holds_alternative<std::int64_t>(v_); }
    bool isNumber() const { return isDouble() || isInteger(); }
    bool isBool() const { return std::holds_alternative<bool>(v_); }
    bool isDateTime() const { return std::holds_alternative<DateTime>(v_); }

    // Typed reads; throw DataSetError when the value holds another kind.
    const std::string& asString() const;
    double asDouble() const; // integers convert
    std::int64_t asInteger() const;
    bool asBool() const;
    const DateTime& asDateTime() const;

    // Plain text for messages and logs: "" for null, "." as decimal point, ISO dates.
    std::string toString() const;

    const Storage& storage() const { return v_; }
    friend bool operator==(const Value& a, const Value& b) { return a.v_ == b.v_; }

private:
    Storage v_;
};

} // namespace ct
