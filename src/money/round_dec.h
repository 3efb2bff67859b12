#pragma once

namespace ct {

// The value rounded to the given number of decimals (0 to 15), half away from zero, on the
// decimal value the double stands for: 2.675 gives 2.68 and 1.005 gives 1.01 although neither is
// exact in binary. NaN and infinities come back unchanged.
double RoundDec(double value, int decimals);

} // namespace ct
