#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace ct {

// Texts looked at eight bytes at a time: the texts of a packet are mostly runs of plain ASCII,
// and a byte loop over 10 MB of them is a fifth of reading or writing a large packet. Each test
// says whether some byte of the word is of a kind (never wrong when it says none); the byte that
// is, is then found one at a time.
namespace byte_words {

inline constexpr std::uint64_t ones = 0x0101010101010101ULL;
inline constexpr std::uint64_t highs = 0x8080808080808080ULL;

inline std::uint64_t load(const char* p) {
    std::uint64_t w = 0;
    std::memcpy(&w, p, sizeof w);
    return w;
}

// Nonzero when a byte of w is at or above 0x80.
inline std::uint64_t any_high(std::uint64_t w) {
    return w & highs;
}

// Nonzero when a byte of w is below n (n at most 0x80).
inline std::uint64_t any_below(std::uint64_t w, unsigned char n) {
    return (w - ones * n) & ~w & highs;
}

// Nonzero when a byte of w equals c.
inline std::uint64_t any_equal(std::uint64_t w, unsigned char c) {
    const std::uint64_t x = w ^ (ones * c);
    return (x - ones) & ~x & highs;
}

} // namespace byte_words

// The end of the run from p of printable ASCII other than '"' and '\' (0x20 to 0x7E): bytes a
// JSON string holds as they are, each a whole character, none a control character.
inline const char* plain_ascii_end(const char* p, const char* end) {
    using namespace byte_words;
    if constexpr (std::endian::native == std::endian::little) {
        while (end - p >= 8) {
            const std::uint64_t w = load(p);
            const std::uint64_t found = any_high(w) | any_below(w, 0x20) | any_equal(w, '"') |
                                        any_equal(w, '\\') | any_equal(w, 0x7F);
            // The lowest byte marked is one of the kind (a false mark only follows a true one).
            if (found != 0)
                return p + std::countr_zero(found) / 8;
            p += 8;
        }
    }
    while (p < end) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c >= 0x7F || c == '"' || c == '\\')
            break;
        ++p;
    }
    return p;
}

} // namespace ct
