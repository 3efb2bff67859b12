#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace ct::server {

enum class FieldType { string, fixedstring, float_, integer, boolean, datetime };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::string;
    int size = 0; // characters, for the two string types
};
using FieldList = std::vector<FieldDef>;

inline FieldDef str(std::string name, int size) {
    return {std::move(name), FieldType::string, size};
}
inline FieldDef fixed(std::string name, int size) {
    return {std::move(name), FieldType::fixedstring, size};
}
inline FieldDef num(std::string name) {
    return {std::move(name), FieldType::float_, 0};
}
inline FieldDef integer(std::string name) {
    return {std::move(name), FieldType::integer, 0};
}
inline FieldDef boolean(std::string name) {
    return {std::move(name), FieldType::boolean, 0};
}
inline FieldDef datetime(std::string name) {
    return {std::move(name), FieldType::datetime, 0};
}

bool is_text(FieldType type);
std::string_view type_name(FieldType type);
bool parse_type(std::string_view text, FieldType& out);

nlohmann::json fields_json(const FieldList& fields);
// Index of a field by name (case-insensitive), or -1.
int find_field(const FieldList& fields, std::string_view name);

// "2027-01-15", "2027-01-15T10:30:00" or with a blank instead of the "T"; a real calendar date.
// Gives the canonical "YYYY-MM-DDTHH:MM:SS", or an empty text when the text is no such date.
std::string normalize_datetime(std::string_view text);

} // namespace ct::server
