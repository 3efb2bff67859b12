#include "operations/apportionment_shares.h"

#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <random>

using namespace ct;

namespace {

std::int64_t centsOf(double value) {
    return std::llround(value * 100.0);
}

} // namespace

TEST(ApportionmentShares, TheOpenPartiesCarryWhatTheGeneratedOnesLeave) {
    struct Case {
        double realised;
        double generated;
        int open;
        std::vector<double> values;
    };
    const std::vector<Case> cases{
        {1000.00, 0.00, 3, {333.33, 333.33, 333.34}},
        {1000.00, 0.00, 6, {166.67, 166.67, 166.67, 166.67, 166.67, 166.65}},
        {1000.00, 400.00, 2, {300.00, 300.00}},
        {1000.00, 400.00, 7, {85.71, 85.71, 85.71, 85.71, 85.71, 85.71, 85.74}},
        // At or above the realised value the generated parties leave the whole of it to share.
        {1000.00, 1200.00, 2, {500.00, 500.00}},
        {1000.00, 1000.00, 3, {333.33, 333.33, 333.34}},
        {1000.00, 0.00, 0, {}},
        // A generated total with binary noise is taken to the cent.
        {0.30, 0.1 + 0.2 - 0.3, 2, {0.15, 0.15}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(apportionedValues(c.realised, c.generated, c.open), c.values)
            << c.realised << " / " << c.generated << " / " << c.open;
}

// With the generated parties below the realised value, the open parties and the generated ones
// carry exactly the realised value; every open party but the last gets the rounded equal share.
TEST(ApportionmentShares, AnyBudgetAddsUpToItsRealisedValue) {
    std::mt19937_64 random(20270511);
    std::uniform_int_distribution<std::int64_t> realisedCents(1, 100'000'000'00);
    std::uniform_int_distribution<int> open(1, 40);
    std::uniform_int_distribution<int> generatedCount(0, 4);
    std::uniform_real_distribution<double> part(0.0, 1.0);
    for (int i = 0; i < 1'000'000; ++i) {
        const std::int64_t realised = realisedCents(random);
        // Generated parties carrying together less than the realised value.
        std::int64_t generated = 0;
        const int count = generatedCount(random);
        for (int g = 0; g < count; ++g)
            generated += static_cast<std::int64_t>(part(random) *
                                                   static_cast<double>(realised - generated) / 2);
        const int n = open(random);
        const std::vector<double> values = apportionedValues(
            static_cast<double>(realised) / 100.0, static_cast<double>(generated) / 100.0, n);
        ASSERT_EQ(values.size(), static_cast<std::size_t>(n));
        std::int64_t total = generated;
        for (double v : values)
            total += centsOf(v);
        ASSERT_EQ(total, realised) << "case " << i;
        const std::int64_t first = centsOf(values.front());
        for (int k = 0; k + 1 < n; ++k)
            ASSERT_EQ(centsOf(values[static_cast<std::size_t>(k)]), first) << "case " << i;
        // The share is the quotient to the nearest cent.
        ASSERT_LE(std::llabs(first * n - (realised - generated)) * 2, n) << "case " << i;
    }
}
