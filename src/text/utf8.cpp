#include "text/utf8.h"

#include "text/byte_words.h"

namespace ct {
namespace {

bool in_range(const char* p, unsigned char low, unsigned char high) {
    const auto c = static_cast<unsigned char>(*p);
    return c >= low && c <= high;
}

} // namespace

std::size_t utf8_sequence(const char* p, const char* end) {
    const auto lead = static_cast<unsigned char>(*p);
    if (lead < 0x80)
        return 1;
    const auto left = static_cast<std::size_t>(end - p);
    // The second byte's range narrows after the leads that could start an overlong form, a
    // surrogate or a code point past U+10FFFF; the others take any continuation byte.
    auto tail = [&](std::size_t n, unsigned char low, unsigned char high) -> std::size_t {
        if (left < n + 1 || !in_range(p + 1, low, high))
            return 0;
        for (std::size_t i = 2; i <= n; ++i) {
            if (!in_range(p + i, 0x80, 0xBF))
                return 0;
        }
        return n + 1;
    };
    if (lead >= 0xC2 && lead <= 0xDF)
        return tail(1, 0x80, 0xBF);
    if (lead == 0xE0)
        return tail(2, 0xA0, 0xBF);
    if (lead == 0xED)
        return tail(2, 0x80, 0x9F);
    if (lead >= 0xE1 && lead <= 0xEF)
        return tail(2, 0x80, 0xBF);
    if (lead == 0xF0)
        return tail(3, 0x90, 0xBF);
    if (lead >= 0xF1 && lead <= 0xF3)
        return tail(3, 0x80, 0xBF);
    if (lead == 0xF4)
        return tail(3, 0x80, 0x8F);
    return 0;
}

bool valid_utf8(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    while (p < end) {
        if (end - p >= 8 && !byte_words::any_high(byte_words::load(p))) {
            p += 8; // most texts are plain ASCII
            continue;
        }
        if (static_cast<unsigned char>(*p) < 0x80) {
            ++p;
            continue;
        }
        const std::size_t length = utf8_sequence(p, end);
        if (length == 0)
            return false;
        p += length;
    }
    return true;
}

std::size_t utf8_length(std::string_view text) {
    const char* p = text.data();
    const char* end = p + text.size();
    std::size_t count = 0;
    for (; end - p >= 8 && !byte_words::any_high(byte_words::load(p)); p += 8)
        count += 8;
    for (; p < end; ++p) {
        if ((static_cast<unsigned char>(*p) & 0xC0) != 0x80)
            ++count;
    }
    return count;
}

void append_utf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

} // namespace ct
