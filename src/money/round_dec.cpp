#include "money/round_dec.h"

#include <array>
#include <charconv>
#include <cmath>
#include <string>

namespace ct {
namespace {

// Adds one unit at the last digit of a run of decimal digits (no sign, no point).
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

double RoundDec(double value, int decimals) {
    if (!std::isfinite(value) || value == 0.0)
        return value;
    if (decimals < 0)
        decimals = 0;
    if (decimals > 15)
        decimals = 15;
    // Beyond 2^53 a double has no fractional part left to round.
    if (std::fabs(value) >= 9007199254740992.0)
        return value;

    // The shortest text that reads back as the same double is the decimal value it stands for.
    std::array<char, 512> buffer{}; // room for the smallest subnormal in fixed notation
    const double magnitude = std::fabs(value);
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                       std::chars_format::fixed);
    if (written.ec != std::errc())
        return value;
    const std::string text(buffer.data(), written.ptr);

    const auto point = text.find('.');
    std::string integral = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    if (fraction.size() <= static_cast<std::size_t>(decimals))
        return value;

    const bool roundUp = fraction[static_cast<std::size_t>(decimals)] >= '5';
    std::string digits = integral + fraction.substr(0, static_cast<std::size_t>(decimals));
    if (roundUp)
        incrementDigits(digits);
    const std::size_t integralSize = digits.size() - static_cast<std::size_t>(decimals);
    std::string rounded = digits.substr(0, integralSize);
    if (decimals > 0)
        rounded += "." + digits.substr(integralSize);

    double result = 0.0;
    std::from_chars(rounded.data(), rounded.data() + rounded.size(), result);
    // No negative zero: -0.001 rounds to a plain 0.
    if (result == 0.0)
        return 0.0;
    return value < 0 ? -result : result;
}

} // namespace ct
