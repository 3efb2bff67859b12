#include "platform/dataset/field_def.h"

#include <array>
#include <utility>

namespace ct {
namespace {

constexpr std::array<std::pair<FieldType, std::string_view>, 6> typeNames{{
    {FieldType::String, "string"},
    {FieldType::FixedString, "fixedstring"},
    {FieldType::Float, "float"},
    {FieldType::Integer, "integer"},
    {FieldType::Boolean, "boolean"},
    {FieldType::DateTime, "datetime"},
}};

FieldDef make(std::string name, FieldType type, int size, std::string label) {
    FieldDef def;
    def.name = std::move(name);
    def.type = type;
    def.size = size;
    def.label = std::move(label);
    return def;
}

} // namespace

std::string_view fieldTypeName(FieldType type) {
    for (const auto& [t, n] : typeNames)
        if (t == type)
            return n;
    return "string";
}

std::optional<FieldType> fieldTypeFromName(std::string_view name) {
    for (const auto& [t, n] : typeNames)
        if (n == name)
            return t;
    return std::nullopt;
}

bool isTextType(FieldType type) {
    return type == FieldType::String || type == FieldType::FixedString;
}

bool isNumericType(FieldType type) {
    return type == FieldType::Float || type == FieldType::Integer;
}

FieldDef FieldDef::string(std::string name, int size, std::string label) {
    return make(std::move(name), FieldType::String, size, std::move(label));
}
FieldDef FieldDef::fixedString(std::string name, int size, std::string label) {
    return make(std::move(name), FieldType::FixedString, size, std::move(label));
}
FieldDef FieldDef::number(std::string name, std::string label) {
    return make(std::move(name), FieldType::Float, 0, std::move(label));
}
FieldDef FieldDef::integer(std::string name, std::string label) {
    return make(std::move(name), FieldType::Integer, 0, std::move(label));
}
FieldDef FieldDef::boolean(std::string name, std::string label) {
    return make(std::move(name), FieldType::Boolean, 0, std::move(label));
}
FieldDef FieldDef::dateTime(std::string name, std::string label) {
    return make(std::move(name), FieldType::DateTime, 0, std::move(label));
}

} // namespace ct
