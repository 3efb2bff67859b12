#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ct {

// UTF-8 as both ends of the wire take it: well formed means no overlong forms, no surrogates and
// nothing above U+10FFFF.

// Bytes of the well-formed sequence that starts at `p` (before `end`), or 0.
std::size_t utf8_sequence(const char* p, const char* end);
bool valid_utf8(std::string_view text);
// Characters (code points) of a text; sizes of fields count characters.
std::size_t utf8_length(std::string_view text);
// Appends a code point (at most U+10FFFF) in UTF-8.
void append_utf8(std::string& out, char32_t code);

} // namespace ct
