#include "money/shares.h"

#include "money/round_dec.h"

#include <cmath>
#include <numeric>

namespace ct::money {

std::int64_t cents(double value) {
    return std::llround(RoundDec(value, 2) * 100.0);
}

double fromCents(std::int64_t cents) {
    return RoundDec(static_cast<double>(cents) / 100.0, 2);
}

namespace {

// Puts on the last share whatever the others leave of the total.
std::vector<double> closeOnLast(std::int64_t totalCents, std::vector<std::int64_t> shareCents) {
    std::vector<double> shares;
    if (shareCents.empty())
        return shares;
    const std::int64_t others =
        std::accumulate(shareCents.begin(), shareCents.end() - 1, std::int64_t{0});
    shareCents.back() = totalCents - others;
    shares.reserve(shareCents.size());
    for (std::int64_t c : shareCents)
        shares.push_back(fromCents(c));
    return shares;
}

} // namespace

std::vector<double> equalShares(double total, int count) {
    if (count <= 0)
        return {};
    const std::int64_t share = cents(total / count);
    return closeOnLast(cents(total),
                       std::vector<std::int64_t>(static_cast<std::size_t>(count), share));
}

std::vector<double> proportionalShares(double total, const std::vector<double>& weights) {
    double weightSum = 0;
    for (double w : weights)
        weightSum += RoundDec(w, 2);
    if (RoundDec(weightSum, 2) == 0.0)
        return equalShares(total, static_cast<int>(weights.size()));
    std::vector<std::int64_t> shareCents;
    shareCents.reserve(weights.size());
    for (double w : weights)
        shareCents.push_back(cents(RoundDec(w, 2) * total / weightSum));
    return closeOnLast(cents(total), std::move(shareCents));
}

} // namespace ct::money
