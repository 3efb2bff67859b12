#pragma once

#include "money/round_dec.h"
#include "money/shares.h"

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

} // namespace ct::server
