#include "platform/ui/utf8.h"

#include "text/utf8.h"

namespace ct::utf8 {

std::u32string decode(std::string_view text) {
    std::u32string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        int extra = 0;
        char32_t ch = lead;
        if (lead >= 0xF0) {
            extra = 3;
            ch = lead & 0x07u;
        } else if (lead >= 0xE0) {
            extra = 2;
            ch = lead & 0x0Fu;
        } else if (lead >= 0xC0) {
            extra = 1;
            ch = lead & 0x1Fu;
        }
        if (i + static_cast<std::size_t>(extra) >= text.size() && extra > 0) {
            // Truncated sequence: keep the byte as it is rather than lose it.
            out.push_back(lead);
            ++i;
            continue;
        }
        bool valid = true;
        for (int k = 1; k <= extra; ++k) {
            const auto cont = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
            if ((cont & 0xC0u) != 0x80u) {
                valid = false;
                break;
            }
            ch = (ch << 6) | (cont & 0x3Fu);
        }
        if (!valid) {
            out.push_back(lead);
            ++i;
            continue;
        }
        out.push_back(ch);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

std::string encode(char32_t ch) {
    std::string out;
    append_utf8(out, ch);
    return out;
}

std::string encode(std::u32string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t ch : text)
        append_utf8(out, ch);
    return out;
}

std::size_t length(std::string_view text) {
    return decode(text).size();
}

std::string dropLast(std::string_view text) {
    std::u32string chars = decode(text);
    if (!chars.empty())
        chars.pop_back();
    return encode(chars);
}

char32_t toUpper(char32_t ch) {
    if (ch >= U'a' && ch <= U'z')
        return ch - 32;
    // Latin-1 lower-case letters sit 32 above their capitals, except the division sign and ÿ.
    if (ch >= 0xE0 && ch <= 0xFE && ch != 0xF7)
        return ch - 32;
    return ch;
}

std::string toUpper(std::string_view text) {
    std::u32string chars = decode(text);
    for (char32_t& ch : chars)
        ch = toUpper(ch);
    return encode(chars);
}

} // namespace ct::utf8
