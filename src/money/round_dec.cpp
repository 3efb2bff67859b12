#include "money/round_dec.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

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

// The shortest text that reads back as the same double: the decimal value it stands for.
std::string shortestFixed(double magnitude) {
    std::array<char, 512> buffer; // for the smallest subnormal in fixed notation; not cleared
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                                       std::chars_format::fixed);
    if (written.ec != std::errc())
        return "0";
    return std::string(buffer.data(), written.ptr);
}

} // namespace

DecimalDigits roundedDigits(double value, int places) {
    if (!std::isfinite(value))
        value = 0;
    places = std::max(places, 0);
    const auto size = static_cast<std::size_t>(places);
    const std::string text = shortestFixed(std::fabs(value));
    const auto point = text.find('.');
    const std::string integral = point == std::string::npos ? text : text.substr(0, point);
    std::string fraction = point == std::string::npos ? std::string() : text.substr(point + 1);
    const bool roundUp = fraction.size() > size && fraction[size] >= '5';
    fraction.resize(size, '0');
    std::string digits = integral + fraction;
    if (roundUp)
        incrementDigits(digits);

    DecimalDigits d;
    const std::size_t integerSize = digits.size() - size;
    d.integer = integerSize == 0 ? std::string(1, '0') : digits.substr(0, integerSize);
    d.fraction = digits.substr(integerSize);
    d.negative = std::signbit(value) && digits.find_first_not_of('0') != std::string::npos;
    return d;
}

// Money is rounded on every sum and comparison: the digits are worked on in place, with no
// allocation, as roundedDigits would give them.
double RoundDec(double value, int decimals) {
    if (!std::isfinite(value) || value == 0.0)
        return value;
    decimals = std::min(std::max(decimals, 0), 15);
    // Beyond 2^53 a double has no fractional part left to round.
    if (std::fabs(value) >= 9007199254740992.0)
        return value;
    // Most values are already whole in the last place asked for (stored money, sums of cents):
    // when units / 10^decimals reads back as the value, its shortest text has no more decimals
    // than asked and the digits below would give it back unchanged. Kept well below 2^52 units,
    // where no shorter text with more decimals can also read back as the value.
    static constexpr double powers[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                        1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const double scale = powers[decimals];
    const double units = std::nearbyint(value * scale);
    if (std::fabs(units) < 1125899906842624.0 && units / scale == value)
        return value;
    // Not cleared: only what to_chars writes is read. One place in front for a carry out of
    // the first digit.
    std::array<char, 512> buffer;
    char* const first = buffer.data() + 1;
    const auto written = std::to_chars(first, buffer.data() + buffer.size(), std::fabs(value),
                                       std::chars_format::fixed);
    if (written.ec != std::errc())
        return 0.0;
    char* end = written.ptr;
    char* const point = std::find(first, end, '.');
    const auto places = static_cast<std::ptrdiff_t>(decimals);
    // No more decimals than asked: the shortest text already reads back as the value.
    if (point == end || end - point - 1 <= places)
        return value;
    const bool roundUp = point[1 + places] >= '5';
    end = places == 0 ? point : point + 1 + places;
    char* start = first;
    if (roundUp) {
        char* digit = end - 1;
        for (;; --digit) {
            if (digit < first) {
                *--start = '1';
                break;
            }
            if (*digit == '.')
                continue;
            if (*digit != '9') {
                ++*digit;
                break;
            }
            *digit = '0';
        }
    }
    double result = 0.0;
    std::from_chars(start, end, result);
    // No negative zero: -0.001 rounds to a plain 0.
    if (result == 0.0)
        return 0.0;
    return value < 0 ? -result : result;
}

} // namespace ct
