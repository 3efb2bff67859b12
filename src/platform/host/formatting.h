#pragma once

#include <string>
#include <string_view>

namespace ct {

// A number in the suite's Brazilian form with a display pattern: "#,##0.00" gives "1.234,56",
// "#0.00 %" gives "25,00 %".
std::string FormatFloat(std::string_view pattern, double value);

} // namespace ct
