#pragma once

#include <cstdint>
#include <vector>

namespace ct::money {

// Whole cents of a value, rounded as RoundDec rounds it. Never overflows: beyond ±92 million
// billion (far beyond what the suite stores, which its callers refuse first) it saturates at the
// largest count of cents, and NaN gives 0.
std::int64_t cents(double value);
double fromCents(std::int64_t cents);

// `count` equal shares of `total`: each the quotient rounded to the cent, and the cents left over
// (or taken too many) on the last, so that the shares add up exactly to the rounded total. Empty
// for a count of 0 or less.
//
// With many shares the rounding of each can add up to more than one share (123.456,78 over 10.000
// parties: 12,35 each would leave -30,87 to the last). When the last would so fall below zero or
// above twice its share, the cents are spread one a share from the last backwards instead: every
// share is then the quotient to within one cent.
//
// Totals beyond maxShareTotal (far beyond what the suite stores) are refused with
// std::out_of_range: their cents could not be added up exactly.
std::vector<double> equalShares(double total, int count);

inline constexpr double maxShareTotal = 1e15;

// `total` shared in proportion to `weights` (a plan's installments rescaled to a new value): each
// share rounded to the cent, the last absorbing the difference; when that would leave the last
// below zero, each share is cut to the cent below and the cents left are spread one a share from
// the last backwards. When the weights add up to 0 the shares are equal, and so they are when
// weights of both signs would give a share beyond the total's range.
std::vector<double> proportionalShares(double total, const std::vector<double>& weights);

} // namespace ct::money
