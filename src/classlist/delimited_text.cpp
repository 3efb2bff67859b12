#include "classlist/delimited_text.h"

#include "platform/dataset/format.h"
#include "text/utf8.h"

#include <array>

namespace ct::classlist {
namespace {

constexpr std::string_view bom = "\xEF\xBB\xBF";

// Windows-1252 characters in 0x80-0x9F (0 where the code page has none: kept as Latin-1).
constexpr std::array<char32_t, 32> windowsSpecials = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t ch) {
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

} // namespace

std::string decodeText(std::string_view bytes) {
    if (bytes.substr(0, bom.size()) == bom)
        bytes.remove_prefix(bom.size());
    if (valid_utf8(bytes))
        return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t ch = byte;
        if (byte >= 0x80 && byte < 0xA0 && windowsSpecials[byte - 0x80] != 0)
            ch = windowsSpecials[byte - 0x80];
        appendUtf8(out, ch);
    }
    return out;
}

char detectDelimiter(std::string_view text) {
    int tabs = 0, semicolons = 0, commas = 0;
    bool quoted = false;
    for (char c : text) {
        if (c == '"')
            quoted = !quoted;
        else if (!quoted && (c == '\n' || c == '\r'))
            break;
        else if (!quoted) {
            tabs += c == '\t';
            semicolons += c == ';';
            commas += c == ',';
        }
    }
    if (tabs > 0)
        return '\t';
    return commas > semicolons ? ',' : ';';
}

std::vector<Record> parseDelimited(std::string_view text, char delimiter) {
    std::vector<Record> records;
    Record record{1, {}};
    std::string cell;
    bool quoted = false;
    bool hasText = false;
    int line = 1;
    auto endCell = [&] {
        hasText = hasText || cell.find_first_not_of(" \t") != std::string::npos;
        record.cells.push_back(std::move(cell));
        cell.clear();
    };
    auto endRecord = [&] {
        endCell();
        if (hasText)
            records.push_back(std::move(record));
        record = Record{line, {}};
        hasText = false;
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                line += c == '\n';
                cell += c;
            }
        } else if (c == '"') {
            quoted = true;
        } else if (c == delimiter) {
            endCell();
        } else if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            ++line;
            endRecord();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || !record.cells.empty())
        endRecord();
    return records;
}

std::string writeCsv(const std::vector<std::vector<std::string>>& rows) {
    std::string out(bom);
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (i > 0)
                out += ';';
            const std::string& cell = row[i];
            if (cell.find_first_of(";\"\r\n") == std::string::npos) {
                out += cell;
                continue;
            }
            out += '"';
            for (char c : cell) {
                if (c == '"')
                    out += '"';
                out += c;
            }
            out += '"';
        }
        out += "\r\n";
    }
    return out;
}

} // namespace ct::classlist
