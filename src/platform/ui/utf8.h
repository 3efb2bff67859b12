#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ct::utf8 {

// Texts are UTF-8; lengths and keys are counted in characters (code points).
std::u32string decode(std::string_view text);
std::string encode(std::u32string_view text);
std::string encode(char32_t ch);
std::size_t length(std::string_view text);
// The text without its last character ("" stays "").
std::string dropLast(std::string_view text);
// Upper case for ASCII and the Latin-1 letters Portuguese uses (á -> Á, ç -> Ç).
char32_t toUpper(char32_t ch);
std::string toUpper(std::string_view text);

} // namespace ct::utf8
