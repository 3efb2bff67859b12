#pragma once

#include "money/round_dec.h"
#include "money/shares.h"

#include <string_view>

namespace ct::server {

// The server rounds money exactly as the screen does: one definition for both.
inline double round2(double value) {
    return RoundDec(value, 2);
}

inline long long cents(double value) {
    return money::cents(value);
}

inline bool same_money(double a, double b) {
    return cents(a) == cents(b);
}

// What the money columns hold (NUMERIC(15,2)): up to 9.999.999.999.999,99 either way.
inline constexpr double max_stored_money = 9999999999999.99;
// What the whole-number columns hold (INTEGER, 32 bits on PostgreSQL).
inline constexpr long long max_stored_integer = 2147483647;

// A value for a money column, rounded to the cent; refused (AppError, in Portuguese, naming
// `what`, e.g. "da devolução") beyond what the column holds. Both engines store the same.
double stored_money(double value, std::string_view what);
// A whole number for an INTEGER column; refused beyond what the column holds.
long long stored_integer(double value, std::string_view what);

} // namespace ct::server
