#pragma once

#include <string>

namespace ct {

// The value rounded to the given number of decimals (0 to 15), half away from zero, on the
// decimal value the double stands for: 2.675 gives 2.68 and 1.005 gives 1.01 although neither is
// exact in binary. NaN and infinities come back unchanged.
double RoundDec(double value, int decimals);

// The same rounding as decimal digits, for showing a number: the sign (never on a value that
// rounds to zero), the integer digits (at least one) and exactly `places` fraction digits. A value
// that is not finite reads as 0.
struct DecimalDigits {
    bool negative = false;
    std::string integer;
    std::string fraction;
};
DecimalDigits roundedDigits(double value, int places);

} // namespace ct
