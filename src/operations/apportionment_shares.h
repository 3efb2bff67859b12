#pragma once

#include <vector>

namespace ct {

// What the open parties share: what the generated parties leave of the realised value, or the
// whole realised value when they already carry it or more. Both are rounded to the cent first.
double valueToApportion(double realised, double generated);

// The new values of `openCount` open parties, in name order, so that with the generated parties
// they carry the realised value: the share of each rounded to the cent, the cents left over (or
// taken too many) on the last. Empty when there is no open party.
std::vector<double> apportionedValues(double realised, double generated, int openCount);

} // namespace ct
