#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ct {

enum class FieldType { String, FixedString, Float, Integer, Boolean, DateTime };

// Packet names: "string", "fixedstring", "float", "integer", "boolean", "datetime".
std::string_view fieldTypeName(FieldType type);
std::optional<FieldType> fieldTypeFromName(std::string_view name);
bool isTextType(FieldType type);
bool isNumericType(FieldType type);

// What a field is. Strings hold at most `size` characters (not bytes); a calculated field is
// kept per row in memory and never travels in packets.
struct FieldDef {
    std::string name;
    FieldType type = FieldType::String;
    int size = 0; // characters; strings only
    bool calculated = false;
    std::string label; // display label; empty: the name
    bool hidden = false;
    bool readOnly = false; // data-aware controls refuse typing; the program may still write
    std::string displayFormat;
    std::string editFormat;
    std::string editMask;
    int displayWidth = 0; // characters; 0: the size for strings, 10 otherwise
    std::optional<double> minValue;
    std::optional<double> maxValue;

    // Shorthands for building definitions.
    static FieldDef string(std::string name, int size, std::string label = {});
    static FieldDef fixedString(std::string name, int size, std::string label = {});
    static FieldDef number(std::string name, std::string label = {}); // a float
    static FieldDef integer(std::string name, std::string label = {});
    static FieldDef boolean(std::string name, std::string label = {});
    static FieldDef dateTime(std::string name, std::string label = {});
};

} // namespace ct
