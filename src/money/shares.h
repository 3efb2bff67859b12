#pragma once

#include <cstdint>
#include <vector>

namespace ct::money {

// Whole cents of a value, rounded as RoundDec rounds it. Values beyond what the suite stores are
// the caller's to refuse first.
std::int64_t cents(double value);
double fromCents(std::int64_t cents);

// `count` equal shares of `total`: each the quotient rounded to the cent, and the cents left over
// (or taken too many) on the last, so that the shares add up exactly to the rounded total. Empty
// for a count of 0 or less.
std::vector<double> equalShares(double total, int count);

// `total` shared in proportion to `weights` (a plan's installments rescaled to a new value): each
// share rounded to the cent, the last absorbing the difference. When the weights add up to 0 the
// shares are equal.
std::vector<double> proportionalShares(double total, const std::vector<double>& weights);

} // namespace ct::money
