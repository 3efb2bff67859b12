#include "platform/dataset/value.h"

#include "platform/dataset/dataset_error.h"

#include <cmath>
#include <fmt/format.h>

namespace ct {
namespace {

[[noreturn]] void wrongKind(const char* wanted, const Value& value) {
    throw DataSetError(fmt::format("O valor \"{}\" não é {}", value.toString(), wanted));
}

} // namespace

const std::string& Value::asString() const {
    if (!isString())
        wrongKind("um texto", *this);
    return std::get<std::string>(v_);
}

double Value::asDouble() const {
    if (isDouble())
        return std::get<double>(v_);
    if (isInteger())
        return static_cast<double>(std::get<std::int64_t>(v_));
    wrongKind("um número", *this);
}

std::int64_t Value::asInteger() const {
    if (!isInteger())
        wrongKind("um número inteiro", *this);
    return std::get<std::int64_t>(v_);
}

bool Value::asBool() const {
    if (!isBool())
        wrongKind("um valor lógico", *this);
    return std::get<bool>(v_);
}

const DateTime& Value::asDateTime() const {
    if (!isDateTime())
        wrongKind("uma data", *this);
    return std::get<DateTime>(v_);
}

std::string Value::toString() const {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(const std::string& s) const { return s; }
        std::string operator()(double d) const { return fmt::format("{}", d); }
        std::string operator()(std::int64_t i) const { return std::to_string(i); }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(const DateTime& d) const { return d.iso(); }
    };
    return std::visit(Visitor{}, v_);
}

} // namespace ct
