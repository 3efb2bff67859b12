#include "money/round_dec.h"
#include "money/shares.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>

using namespace ct;
using namespace ct::money;

namespace {

// The running sum as the screen keeps it: rounded at every addition.
double roundedSum(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values)
        sum = RoundDec(sum, 2) + RoundDec(v, 2);
    return RoundDec(sum, 2);
}

} // namespace

TEST(Shares, EqualSharesPutTheCentsLeftOnTheLast) {
    struct Case {
        double total;
        int count;
        std::vector<double> shares;
    };
    const std::vector<Case> cases{
        {100.00, 3, {33.33, 33.33, 33.34}},
        {200.00, 3, {66.67, 66.67, 66.66}},
        {100.00, 4, {25.00, 25.00, 25.00, 25.00}},
        {1000.00, 6, {166.67, 166.67, 166.67, 166.67, 166.67, 166.65}},
        {600.00, 7, {85.71, 85.71, 85.71, 85.71, 85.71, 85.71, 85.74}},
        {0.01, 2, {0.01, 0.00}},
        {-10.00, 3, {-3.33, -3.33, -3.34}},
        {50.00, 0, {}},
        {50.00, -2, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(equalShares(c.total, c.count), c.shares) << c.total << " / " << c.count;
}

TEST(Shares, ProportionalSharesRescaleAPlanToTheCent) {
    struct Case {
        double total;
        std::vector<double> weights;
        std::vector<double> shares;
    };
    const std::vector<Case> cases{
        {5000.00, {1333.33, 1333.33, 1333.34}, {1666.66, 1666.66, 1666.68}},
        {100.00, {50.00, 25.00, 25.00}, {50.00, 25.00, 25.00}},
        {10.00, {0.00, 0.00}, {5.00, 5.00}},
        {0.00, {30.00, 70.00}, {0.00, 0.00}},
        {99.99, {1.00}, {99.99}},
        {1.00, {}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(proportionalShares(c.total, c.weights), c.shares) << c.total;
}

// Where rounding every share leaves the last with less than nothing, or with more than two
// shares, the cents are spread instead: every share is the quotient to within one cent.
TEST(Shares, ManySmallSharesSpreadTheCentsInsteadOfBurdeningTheLast) {
    struct Case {
        double total;
        std::vector<double> weights; // empty: equal shares
        int count;
        double low, high;
        int atHigh; // shares at `high`, all at the end
    };
    const std::vector<Case> cases{
        {123456.78, {}, 10000, 12.34, 12.35, 5678},
        {0.50, {}, 99, 0.00, 0.01, 50},
        {1000.00, {}, 6, 166.65, 166.67, 5}, // the usual case keeps its remainder on the last
        {0.02, {1.00, 1.00, 1.00, 0.01}, 4, 0.00, 0.01, 2},
    };
    for (const Case& c : cases) {
        const auto shares = c.weights.empty() ? equalShares(c.total, c.count)
                                              : proportionalShares(c.total, c.weights);
        ASSERT_EQ(shares.size(), static_cast<std::size_t>(c.count));
        EXPECT_EQ(roundedSum(shares), RoundDec(c.total, 2)) << c.total;
        const auto [low, high] = std::minmax_element(shares.begin(), shares.end());
        EXPECT_EQ(*low, c.low) << c.total;
        EXPECT_EQ(*high, c.high) << c.total;
        if (c.high - c.low <= 0.011) {
            EXPECT_EQ(std::count(shares.end() - c.atHigh, shares.end(), c.high), c.atHigh);
        }
    }
}

TEST(Shares, AnyTotalAndCountAddUpExactly) {
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<std::int64_t> totalCents(1, 1'000'000'000);
    std::uniform_int_distribution<int> count(1, 99);
    for (int i = 0; i < 100'000; ++i) {
        const double total = static_cast<double>(totalCents(random)) / 100.0;
        const int n = count(random);
        const auto shares = equalShares(total, n);
        ASSERT_EQ(roundedSum(shares), RoundDec(total, 2)) << total << " / " << n;
        // The remainder (what the equal shares leave over or take too many) is less than half a
        // cent per share, and no two shares differ by more than it.
        const std::int64_t remainder = cents(total) - n * cents(shares.front());
        ASSERT_LE(2 * std::abs(remainder), n) << total << " / " << n;
        const auto [low, high] = std::minmax_element(shares.begin(), shares.end());
        ASSERT_LE(cents(*high) - cents(*low), std::abs(remainder)) << total << " / " << n;
        const auto rescaled = proportionalShares(total * 1.37, shares);
        ASSERT_EQ(roundedSum(rescaled), RoundDec(total * 1.37, 2)) << total << " / " << n;
    }
}

// A party's installment plan rescaled to its new charged value, as the server does after an
// apportionment: whatever the plan's shape, the installments add up exactly to the new value.
TEST(Shares, AnyPlanRescalesToExactlyItsNewValue) {
    std::mt19937_64 random(20270512);
    std::uniform_int_distribution<int> installments(1, 12);
    std::uniform_int_distribution<std::int64_t> installmentCents(0, 10'000'000);
    std::uniform_int_distribution<std::int64_t> valueCents(0, 1'000'000'000);
    for (int i = 0; i < 1'000'000; ++i) {
        std::vector<double> plan(static_cast<std::size_t>(installments(random)));
        std::int64_t planCents = 0;
        for (double& installment : plan) {
            const std::int64_t c = installmentCents(random) % 4 == 0 ? 0 : installmentCents(random);
            installment = static_cast<double>(c) / 100.0;
            planCents += c;
        }
        const std::int64_t value = valueCents(random);
        const std::vector<double> rescaled =
            proportionalShares(static_cast<double>(value) / 100.0, plan);
        ASSERT_EQ(rescaled.size(), plan.size());
        std::int64_t total = 0;
        for (double share : rescaled)
            total += cents(share);
        ASSERT_EQ(total, value) << "case " << i;
        // Every installment but the last is its part of the new value to the nearest cent, unless
        // that would leave the last below zero: then every one is within a cent of its part.
        std::int64_t others = 0;
        for (std::size_t k = 0; k + 1 < plan.size() && planCents > 0; ++k)
            others += std::llround(static_cast<double>(cents(plan[k])) *
                                   static_cast<double>(value) / static_cast<double>(planCents));
        const double tolerance = others > value ? 1.0 : 0.5;
        for (std::size_t k = 0; k + 1 < plan.size() && planCents > 0; ++k) {
            const double exact = static_cast<double>(cents(plan[k])) * static_cast<double>(value) /
                                 static_cast<double>(planCents);
            ASSERT_LE(std::abs(static_cast<double>(cents(rescaled[k])) - exact), tolerance + 1e-6)
                << "case " << i;
            ASSERT_GE(rescaled[k], 0.0) << "case " << i;
        }
    }
}
