#pragma once

#include <cmath>

namespace ct::server {

// Two decimals, half away from zero; the small nudge absorbs binary noise such as 1.005.
inline double round2(double value) {
    const double scaled = value * 100.0;
    const double nudge = scaled >= 0 ? 1e-7 : -1e-7;
    return std::round(scaled + nudge) / 100.0;
}

inline long long cents(double value) {
    return std::llround(round2(value) * 100.0);
}

inline bool same_money(double a, double b) {
    return cents(a) == cents(b);
}

} // namespace ct::server
