#include "money/brazilian.h"

#include "money/round_dec.h"

#include <array>
#include <charconv>
#include <cmath>

namespace ct::money {

std::string brazilianMoney(double value) {
    if (!std::isfinite(value))
        return {};
    const double rounded = RoundDec(value, 2);
    // Fixed notation of the rounded value writes every digit of it, with no count of cents that
    // could overflow (a double reaches 10^308).
    std::array<char, 400> buffer{};
    const auto written = std::to_chars(buffer.data(), buffer.data() + buffer.size(),
                                       std::fabs(rounded), std::chars_format::fixed, 2);
    if (written.ec != std::errc())
        return {};
    const std::string digits(buffer.data(), written.ptr);
    const auto point = digits.find('.');
    const std::string whole = digits.substr(0, point);
    std::string out = rounded < 0 ? "-" : "";
    for (std::size_t i = 0; i < whole.size(); ++i) {
        if (i > 0 && (whole.size() - i) % 3 == 0)
            out += '.';
        out += whole[i];
    }
    out += ',';
    out += digits.substr(point + 1);
    return out;
}

} // namespace ct::money
