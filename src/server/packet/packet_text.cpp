#include "server/packet/packet_text.h"

#include "server/core/text.h"
#include "server/packet/packet.h"

#include <cmath>
#include <fmt/format.h>

namespace ct::server {
namespace {

using nlohmann::json;

// Subtype that marks a binary value as JSON text written ahead (nothing else here is binary).
constexpr std::uint8_t written_subtype = 0x4A;

using Bytes = std::vector<std::uint8_t>;

void append(Bytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
}

std::string dump(const json& value) {
    return value.dump(-1, ' ', false, json::error_handler_t::replace);
}

// A text as a JSON string: plain printable ASCII as it is, anything else as the library writes it
// (escapes, invalid UTF-8 replaced).
void append_string(Bytes& out, std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') {
            append(out, dump(json(text)));
            return;
        }
    }
    out.push_back('"');
    append(out, text);
    out.push_back('"');
}

// A number as the library writes it: shortest form that reads back the same, ".0" on whole
// floats, null for what JSON cannot hold.
void append_double(Bytes& out, double value) {
    if (!std::isfinite(value)) {
        append(out, "null");
        return;
    }
    const std::string text = fmt::format("{}", value);
    append(out, text);
    if (text.find_first_of(".e") == std::string::npos) {
        append(out, ".0");
    }
}

void append_cell(Bytes& out, const FieldDef& field, const SqlValue& value) {
    // The conversions of cell_to_json, written without a document.
    if (is_null(value)) {
        append(out, "null");
        return;
    }
    switch (field.type) {
    case FieldType::string:
    case FieldType::fixedstring:
        if (const auto* s = std::get_if<std::string>(&value)) {
            append_string(out, *s);
        } else {
            append_string(out, cell_to_json(field, value).get_ref<const std::string&>());
        }
        return;
    case FieldType::float_:
        append_double(out, as_double(value));
        return;
    case FieldType::integer:
        append(out, fmt::format("{}", as_integer(value)));
        return;
    case FieldType::boolean:
    case FieldType::datetime:
        append(out, dump(cell_to_json(field, value)));
        return;
    }
}

} // namespace

json written_packet(Sql& sql, const FieldList& fields, std::string_view query,
                    const SqlParams& params) {
    Bytes out;
    append(out, "{\"fields\":");
    append(out, dump(fields_json(fields)));
    append(out, ",\"rows\":[");
    std::vector<int> source(fields.size(), -1);
    bool first = true;
    sql.query(
        query, params,
        [&](const std::vector<std::string>& columns) {
            for (std::size_t f = 0; f < fields.size(); ++f) {
                for (std::size_t c = 0; c < columns.size(); ++c) {
                    if (iequals(columns[c], fields[f].name)) {
                        source[f] = static_cast<int>(c);
                        break;
                    }
                }
            }
        },
        [&](std::vector<SqlValue>& cells) {
            if (!first) {
                out.push_back(',');
            }
            first = false;
            out.push_back('[');
            for (std::size_t f = 0; f < fields.size(); ++f) {
                if (f) {
                    out.push_back(',');
                }
                if (source[f] < 0) {
                    append(out, "null");
                } else {
                    append_cell(out, fields[f], cells[static_cast<std::size_t>(source[f])]);
                }
            }
            out.push_back(']');
        });
    append(out, "]}");
    return written_json(std::move(out));
}

json written_json(Bytes text) {
    return json::binary(std::move(text), written_subtype);
}

bool is_written_json(const json& value) {
    return value.is_binary() && value.get_binary().has_subtype() &&
           value.get_binary().subtype() == written_subtype;
}

namespace {

bool holds_written(const json& value) {
    if (value.is_binary()) {
        return is_written_json(value);
    }
    if (value.is_array() || value.is_object()) {
        for (const auto& element : value) {
            if (holds_written(element)) {
                return true;
            }
        }
    }
    return false;
}

} // namespace

void write_json(std::string& out, const json& value) {
    if (is_written_json(value)) {
        const Bytes& text = value.get_binary();
        out.append(reinterpret_cast<const char*>(text.data()), text.size());
        return;
    }
    if (!holds_written(value)) {
        out += dump(value);
        return;
    }
    if (value.is_array()) {
        out += '[';
        bool first = true;
        for (const auto& element : value) {
            if (!first) {
                out += ',';
            }
            first = false;
            write_json(out, element);
        }
        out += ']';
        return;
    }
    if (value.is_object()) {
        out += '{';
        bool first = true;
        for (const auto& [key, element] : value.items()) {
            if (!first) {
                out += ',';
            }
            first = false;
            out += dump(json(key));
            out += ':';
            write_json(out, element);
        }
        out += '}';
        return;
    }
    out += dump(value);
}

} // namespace ct::server
