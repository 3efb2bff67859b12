#include "server/core/money.h"

#include "money/brazilian.h"
#include "server/core/errors.h"

#include <cmath>
#include <fmt/format.h>

namespace ct::server {
namespace {

// A value as the message shows it: every digit up to where a number stops being readable.
std::string shown(double value) {
    if (std::isfinite(value) && std::fabs(value) < 1e21) {
        return money::brazilianMoney(value);
    }
    return fmt::format("{:.3g}", value);
}

} // namespace

double stored_money(double value, std::string_view what) {
    const double rounded = round2(value);
    if (!(std::fabs(rounded) <= max_stored_money)) {
        throw AppError(fmt::format("O valor {} ({}) passa do máximo que o sistema guarda ({}).",
                                   what, shown(value), money::brazilianMoney(max_stored_money)));
    }
    return rounded;
}

long long stored_integer(double value, std::string_view what) {
    if (!(std::fabs(value) <= static_cast<double>(max_stored_integer))) {
        throw AppError(fmt::format("O número {} ({}) passa do máximo que o sistema guarda "
                                   "({}).",
                                   what, fmt::format("{:.15g}", value), max_stored_integer));
    }
    return static_cast<long long>(value);
}

} // namespace ct::server
