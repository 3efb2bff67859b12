#include "money/shares.h"

#include "money/round_dec.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numeric>
#include <stdexcept>

namespace ct::money {

std::int64_t cents(double value) {
    if (std::isnan(value))
        return 0;
    const double scaled = RoundDec(value, 2) * 100.0;
    // Below 2^63 with room for llround's rounding.
    constexpr double limit = 9.2e18;
    if (scaled >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (scaled <= -limit)
        return -std::numeric_limits<std::int64_t>::max();
    return std::llround(scaled);
}

double fromCents(std::int64_t cents) {
    return RoundDec(static_cast<double>(cents) / 100.0, 2);
}

namespace {

std::vector<double> toMoney(const std::vector<std::int64_t>& shareCents) {
    std::vector<double> shares;
    shares.reserve(shareCents.size());
    for (std::int64_t c : shareCents)
        shares.push_back(fromCents(c));
    return shares;
}

// Puts on the last share whatever the others leave of the total.
void closeOnLast(std::int64_t totalCents, std::vector<std::int64_t>& shareCents) {
    const std::int64_t others =
        std::accumulate(shareCents.begin(), shareCents.end() - 1, std::int64_t{0});
    shareCents.back() = totalCents - others;
}

// Gives the cents that `shareCents` lack of the total one a share, from the last backwards.
void spreadFromLast(std::int64_t totalCents, std::vector<std::int64_t>& shareCents) {
    std::int64_t left =
        totalCents - std::accumulate(shareCents.begin(), shareCents.end(), std::int64_t{0});
    const std::int64_t step = left < 0 ? -1 : 1;
    while (left != 0)
        for (auto it = shareCents.rbegin(); left != 0 && it != shareCents.rend(); ++it) {
            *it += step;
            left -= step;
        }
}

bool oppositeSigns(std::int64_t a, std::int64_t b) {
    return (a < 0 && b > 0) || (a > 0 && b < 0);
}

void requireShareable(double total) {
    if (!(std::fabs(total) <= maxShareTotal))
        throw std::out_of_range("O valor a repartir passa do máximo que o sistema guarda.");
}

} // namespace

std::vector<double> equalShares(double total, int count) {
    if (count <= 0)
        return {};
    requireShareable(total);
    const std::int64_t totalCents = cents(total);
    const std::int64_t share = cents(total / count);
    std::vector<std::int64_t> shareCents(static_cast<std::size_t>(count), share);
    closeOnLast(totalCents, shareCents);
    const std::int64_t last = shareCents.back();
    if (oppositeSigns(last, totalCents) || std::abs(last - share) > std::abs(share)) {
        std::fill(shareCents.begin(), shareCents.end(), totalCents / count);
        spreadFromLast(totalCents, shareCents);
    }
    return toMoney(shareCents);
}

std::vector<double> proportionalShares(double total, const std::vector<double>& weights) {
    if (weights.empty())
        return {};
    double weightSum = 0;
    for (double w : weights)
        weightSum += RoundDec(w, 2);
    requireShareable(total);
    if (!std::isfinite(weightSum) || RoundDec(weightSum, 2) == 0.0)
        return equalShares(total, static_cast<int>(weights.size()));
    const std::int64_t totalCents = cents(total);
    std::vector<std::int64_t> shareCents;
    shareCents.reserve(weights.size());
    for (double w : weights) {
        const double share = RoundDec(w, 2) * total / weightSum;
        if (!(std::fabs(share) <= maxShareTotal))
            return equalShares(total, static_cast<int>(weights.size()));
        shareCents.push_back(cents(share));
    }
    closeOnLast(totalCents, shareCents);
    if (oppositeSigns(shareCents.back(), totalCents)) {
        for (std::size_t i = 0; i < weights.size(); ++i)
            shareCents[i] = static_cast<std::int64_t>(
                std::trunc(RoundDec(weights[i], 2) * static_cast<double>(totalCents) / weightSum));
        spreadFromLast(totalCents, shareCents);
    }
    return toMoney(shareCents);
}

} // namespace ct::money
