#pragma once

#include "text/utf8.h"

#include <string>
#include <string_view>

namespace ct::server {

// Control characters a stored text may not hold: C0 other than tab and line feed, DEL and C1
// (a NUL would cut a PostgreSQL text short; the others only garble what is shown and logged).
bool has_control_characters(std::string_view text);
// Text for one log line: control characters, backslashes and bytes that are not UTF-8 escaped
// ("\n", "\x01"), at most `limit` bytes of it: what a client sends can never forge a line.
std::string log_safe(std::string_view text, std::size_t limit = 200);

std::string trim(std::string_view text);
std::string_view trim_view(std::string_view text);
std::string only_digits(std::string_view text);
std::string upper_ascii(std::string_view text);
bool iequals(std::string_view a, std::string_view b);

// "0000000001": party numbers and other counters sort as text.
std::string zero_pad(long long number, int width);

} // namespace ct::server
