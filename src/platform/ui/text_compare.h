#pragma once

#include <string_view>

namespace ct {

// Equal texts without regard to letter case (ASCII and the Latin-1 letters).
bool textEqualNoCase(std::string_view a, std::string_view b);

} // namespace ct
