#include "platform/dataset/text_compare.h"

#include <cstdint>

namespace ct {
namespace {

// Decodes one code point at `i` (invalid bytes are taken as themselves).
std::uint32_t decode(std::string_view text, std::size_t& i) {
    auto c = static_cast<unsigned char>(text[i++]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    std::uint32_t cp = extra == 0   ? c
                       : extra == 1 ? (c & 0x1F)
                       : extra == 2 ? (c & 0x0F)
                                    : (c & 0x07);
    for (int k = 0; k < extra && i < text.size(); ++k)
        cp = (cp << 6) | (static_cast<unsigned char>(text[i++]) & 0x3F);
    return cp;
}

void encode(std::uint32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::uint32_t lower(std::uint32_t cp) {
    if ((cp >= 'A' && cp <= 'Z') || (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7))
        return cp + 0x20;
    return cp;
}

// Base letter of a lower-case Latin-1 letter.
std::uint32_t base(std::uint32_t cp) {
    if (cp < 0xE0 || cp > 0xFF)
        return cp;
    static constexpr char table[] = "aaaaaaaceeeeiiii"  // E0-EF
                                    "dnooooo/ouuuuyty"; // F0-FF
    return static_cast<unsigned char>(table[cp - 0xE0]);
}

int compareBy(std::string_view a, std::string_view b, bool accents, bool cases) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        std::uint32_t x = decode(a, i), y = decode(b, j);
        if (!cases) {
            x = lower(x);
            y = lower(y);
        }
        if (!accents) {
            x = base(lower(x));
            y = base(lower(y));
        }
        if (x != y)
            return x < y ? -1 : 1;
    }
    if (i < a.size())
        return 1;
    if (j < b.size())
        return -1;
    return 0;
}

} // namespace

bool sameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'a' && x <= 'z')
            x = static_cast<char>(x - 32);
        if (y >= 'a' && y <= 'z')
            y = static_cast<char>(y - 32);
        if (x != y)
            return false;
    }
    return true;
}

std::string foldCase(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size())
        encode(lower(decode(text, i)), out);
    return out;
}

int collate(std::string_view a, std::string_view b) {
    if (int c = compareBy(a, b, false, false))
        return c;
    if (int c = compareBy(a, b, true, false))
        return c;
    // lower case first for the same letter, as the suite's sorting does
    if (int c = compareBy(a, b, true, true))
        return -c;
    return a.compare(b) < 0 ? -1 : a.compare(b) > 0 ? 1 : 0;
}

} // namespace ct
