#include "server/core/text.h"

#include "text/byte_words.h"

#include <cctype>
#include <fmt/format.h>

namespace ct::server {

bool has_control_characters(std::string_view text) {
    // Printable ASCII holds none (U+0080 to U+009F begin with a byte above it).
    const char* plain = plain_ascii_end(text.data(), text.data() + text.size());
    for (auto i = static_cast<std::size_t>(plain - text.data()); i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\n') || c == 0x7F) {
            return true;
        }
        // U+0080 to U+009F are C2 80 to C2 9F in UTF-8.
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
            static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
            return true;
        }
    }
    return false;
}

std::string log_safe(std::string_view text, std::size_t limit) {
    const bool cut = text.size() > limit;
    if (cut) {
        while (limit > 0 && (static_cast<unsigned char>(text[limit]) & 0xC0) == 0x80) {
            --limit; // not inside a character
        }
        text = text.substr(0, limit);
    }
    const bool utf8 = valid_utf8(text);
    std::string out;
    out.reserve(text.size() + 8);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char ch = text[i];
        const auto c = static_cast<unsigned char>(ch);
        const bool c1 = utf8 && c == 0xC2 && i + 1 < text.size() &&
                        static_cast<unsigned char>(text[i + 1]) <= 0x9F;
        if (c1) {
            out += fmt::format("\\u00{:02x}", static_cast<unsigned char>(text[++i]));
        } else if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F || (c >= 0x80 && !utf8)) {
            out += fmt::format("\\x{:02x}", c);
        } else {
            out += ch;
        }
    }
    if (cut) {
        out += "...";
    }
    return out;
}

std::string trim(std::string_view text) {
    return std::string(trim_view(text));
}

std::string_view trim_view(std::string_view text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) {
        ++b;
    }
    while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) {
        --e;
    }
    return text.substr(b, e - b);
}

std::string only_digits(std::string_view text) {
    std::string out;
    for (char ch : text) {
        if (ch >= '0' && ch <= '9') {
            out += ch;
        }
    }
    return out;
}

std::string upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& ch : out) {
        ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    }
    return out;
}

namespace {

// Names compared here are ASCII identifiers: no locale needed.
char ascii_upper(char ch) {
    return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch;
}

} // namespace

bool iequals(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i] != b[i] && ascii_upper(a[i]) != ascii_upper(b[i])) {
            return false;
        }
    }
    return true;
}

std::string zero_pad(long long number, int width) {
    return fmt::format("{:0{}d}", number, width);
}

} // namespace ct::server
