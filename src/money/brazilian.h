#pragma once

#include <string>

namespace ct::money {

// Money as the suite shows it, "1.234,56" ("-0,50"), rounded to the cent as RoundDec rounds: any
// finite value, however large, with all of its digits; NaN and infinities give "".
std::string brazilianMoney(double value);

} // namespace ct::money
