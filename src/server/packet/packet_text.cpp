#include "server/packet/packet_text.h"

#include "server/core/text.h"
#include "server/packet/packet.h"
#include "text/byte_words.h"

#include "json/json_text.h"
#include <algorithm>
#include <cmath>
#include <cstring>
#include <fmt/format.h>
#include <optional>

namespace ct::server {
namespace {

using nlohmann::json;

// Subtype that marks a binary value as JSON text written ahead (nothing else here is binary).
constexpr std::uint8_t written_subtype = 0x4A;

using Bytes = std::vector<std::uint8_t>;

// Appends to blocks of a fixed size, put together once the text is whole: a text of megabytes
// is never moved as it grows.
class Writer {
public:
    void push_back(char c) {
        if (used_ == size_) {
            next_block(1);
        }
        block_[used_++] = c;
    }
    void append(std::string_view text) {
        if (text.size() > size_ - used_) {
            next_block(text.size());
        }
        std::memcpy(block_ + used_, text.data(), text.size());
        used_ += text.size();
    }
    Bytes take() {
        close_block();
        std::size_t total = 0;
        for (const auto& block : blocks_) {
            total += block.size();
        }
        Bytes out;
        out.reserve(total);
        for (auto& block : blocks_) {
            out.insert(out.end(), block.begin(), block.end());
            block = std::string();
        }
        return out;
    }

private:
    // Small packets take one small block; large ones blocks growing to a size that stays below
    // the allocator's threshold for mapping memory of its own.
    void next_block(std::size_t at_least) {
        close_block();
        const std::size_t size =
            std::max(at_least, blocks_.empty()
                                   ? std::size_t{4096}
                                   : std::min<std::size_t>(blocks_.back().size() * 2, 96 * 1024));
        blocks_.emplace_back(size, '\0');
        block_ = blocks_.back().data();
        size_ = size;
        used_ = 0;
    }
    void close_block() {
        if (!blocks_.empty()) {
            blocks_.back().resize(used_);
        }
    }

    std::vector<std::string> blocks_;
    char* block_ = nullptr; // the last block, written up to used_ of its size_
    std::size_t size_ = 0;
    std::size_t used_ = 0;
};

void append(Writer& out, std::string_view text) {
    out.append(text);
}

// A text as a JSON string, as the library writes it: UTF-8 as it is, quotes, backslashes and
// control characters escaped; a text that is not UTF-8 left to the library (which replaces what
// is invalid).
void append_string(Writer& out, std::string_view text) {
    // Most texts are plain ASCII through and through: written as they are.
    const auto plain_prefix = static_cast<std::size_t>(
        plain_ascii_end(text.data(), text.data() + text.size()) - text.data());
    if (!valid_utf8(text.substr(plain_prefix))) {
        append(out, json_text(json(text)));
        return;
    }
    static constexpr char hex[] = "0123456789abcdef";
    out.push_back('"');
    std::size_t plain = 0; // start of the run not yet written
    for (std::size_t i = plain_prefix; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') {
            continue;
        }
        append(out, text.substr(plain, i - plain));
        plain = i + 1;
        out.push_back('\\');
        switch (c) {
        case '"':
        case '\\':
            out.push_back(static_cast<char>(c));
            break;
        case '\b':
            out.push_back('b');
            break;
        case '\f':
            out.push_back('f');
            break;
        case '\n':
            out.push_back('n');
            break;
        case '\r':
            out.push_back('r');
            break;
        case '\t':
            out.push_back('t');
            break;
        default:
            append(out, "u00");
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 0xF]);
        }
    }
    append(out, text.substr(plain));
    out.push_back('"');
}

// A number as the library writes it: shortest form that reads back the same, ".0" on whole
// floats, null for what JSON cannot hold.
void append_double(Writer& out, double value) {
    if (!std::isfinite(value)) {
        append(out, "null");
        return;
    }
    char buffer[32];
    const std::string_view text(
        buffer, static_cast<std::size_t>(fmt::format_to(buffer, "{}", value) - buffer));
    append(out, text);
    if (text.find_first_of(".e") == std::string_view::npos) {
        append(out, ".0");
    }
}

void append_cell(Writer& out, const FieldDef& field, const SqlValue& value) {
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
    case FieldType::integer: {
        char buffer[24];
        append(out, std::string_view(
                        buffer, static_cast<std::size_t>(
                                    fmt::format_to(buffer, "{}", as_integer(value)) - buffer)));
        return;
    }
    case FieldType::datetime: {
        const auto* s = std::get_if<std::string>(&value);
        const std::string norm = normalize_datetime(s ? *s : as_text(value));
        if (norm.empty()) {
            append(out, "null");
        } else {
            out.push_back('"');
            append(out, norm); // digits and separators: nothing to escape
            out.push_back('"');
        }
        return;
    }
    case FieldType::boolean:
        append(out, json_text(cell_to_json(field, value)));
        return;
    }
}

} // namespace

WrittenFields::WrittenFields(FieldList list)
    : fields(std::move(list))
    , text(json_text(fields_json(fields))) {}

struct WrittenRows::Text {
    Writer out;
};

WrittenRows::WrittenRows(const WrittenFields& written, const std::vector<std::string>& columns)
    : fields_(written.fields)
    , source_(written.fields.size(), -1)
    , text_(std::make_unique<Text>()) {
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        // Names as written match at once; the case-insensitive search is the fallback.
        for (std::size_t c = 0; c < columns.size() && source_[f] < 0; ++c) {
            if (columns[c] == fields_[f].name) {
                source_[f] = static_cast<int>(c);
            }
        }
        for (std::size_t c = 0; c < columns.size() && source_[f] < 0; ++c) {
            if (iequals(columns[c], fields_[f].name)) {
                source_[f] = static_cast<int>(c);
            }
        }
    }
    append(text_->out, "{\"fields\":");
    append(text_->out, written.text);
    append(text_->out, ",\"rows\":[");
}

WrittenRows::~WrittenRows() = default;

void WrittenRows::add(const std::vector<SqlValue>& cells) {
    Writer& out = text_->out;
    if (!first_) {
        out.push_back(',');
    }
    first_ = false;
    out.push_back('[');
    for (std::size_t f = 0; f < fields_.size(); ++f) {
        if (f) {
            out.push_back(',');
        }
        if (source_[f] < 0) {
            append(out, "null");
        } else {
            append_cell(out, fields_[f], cells[static_cast<std::size_t>(source_[f])]);
        }
    }
    out.push_back(']');
}

json WrittenRows::take() {
    append(text_->out, "]}");
    return written_json(text_->out.take());
}

json written_packet(Sql& sql, const WrittenFields& written, std::string_view query,
                    const SqlParams& params, ResultSet* first_row) {
    std::optional<WrittenRows> rows;
    sql.query(
        query, params,
        [&](const std::vector<std::string>& columns) {
            if (first_row) {
                first_row->columns = columns;
            }
            rows.emplace(written, columns);
        },
        [&](std::vector<SqlValue>& cells) {
            if (first_row && first_row->rows.empty()) {
                first_row->rows.push_back(cells);
            }
            rows->add(cells);
        });
    if (!rows) {
        rows.emplace(written, std::vector<std::string>{});
    }
    return rows->take();
}

namespace {

void append_row(Writer& out, const PackedRow& row) {
    out.push_back('[');
    for (std::size_t i = 0; i < row.size(); ++i) {
        if (i) {
            out.push_back(',');
        }
        const Cell v = row[i];
        switch (v.kind()) {
        case Cell::Kind::boolean:
            append(out, v.boolean() ? "true" : "false");
            break;
        case Cell::Kind::integer: {
            char buffer[24];
            append(out, std::string_view(buffer,
                                         static_cast<std::size_t>(
                                             fmt::format_to(buffer, "{}", v.integer()) - buffer)));
            break;
        }
        case Cell::Kind::real:
            append_double(out, v.number());
            break;
        case Cell::Kind::text:
            append_string(out, v.text());
            break;
        default:
            append(out, "null");
        }
    }
    out.push_back(']');
}

} // namespace

json written_packet(const Packet& packet) {
    Writer out;
    append(out, "{\"fields\":");
    append(out, json_text(fields_json(packet.fields)));
    if (!packet.is_delta) {
        append(out, ",\"rows\":[");
        for (std::size_t r = 0; r < packet.rows.size(); ++r) {
            if (r) {
                out.push_back(',');
            }
            append_row(out, packet.rows[r]);
        }
        append(out, "]}");
        return written_json(out.take());
    }
    append(out, ",\"delta\":[");
    for (std::size_t c = 0; c < packet.delta.size(); ++c) {
        const DeltaChange& change = packet.delta[c];
        if (c) {
            out.push_back(',');
        }
        switch (change.op) {
        case DeltaChange::Op::insert:
            append(out, "{\"op\":\"insert\",\"new\":");
            append_row(out, change.new_row);
            break;
        case DeltaChange::Op::modify:
            append(out, "{\"op\":\"modify\",\"old\":");
            append_row(out, change.old_row);
            append(out, ",\"new\":");
            append_row(out, change.new_row);
            break;
        case DeltaChange::Op::remove:
            append(out, "{\"op\":\"delete\",\"old\":");
            append_row(out, change.old_row);
            break;
        }
        out.push_back('}');
    }
    append(out, "]}");
    return written_json(out.take());
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

std::size_t written_bytes(const json& value) {
    if (is_written_json(value)) {
        return value.get_binary().size();
    }
    std::size_t bytes = 0;
    if (value.is_array() || value.is_object()) {
        for (const auto& element : value) {
            bytes += written_bytes(element);
        }
    }
    return bytes;
}

void write_json(std::string& out, const json& value) {
    if (is_written_json(value)) {
        const Bytes& text = value.get_binary();
        out.append(reinterpret_cast<const char*>(text.data()), text.size());
        return;
    }
    if (!holds_written(value)) {
        out += json_text(value);
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
            out += json_text(json(key));
            out += ':';
            write_json(out, element);
        }
        out += '}';
        return;
    }
    out += json_text(value);
}

} // namespace ct::server
