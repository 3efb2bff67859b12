#include "platform/host/round_dec.h"

#include <charconv>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <random>
#include <string>

namespace ct {
namespace {

TEST(RoundDec, HalvesGoAwayFromZeroOnTheDecimalValue) {
    EXPECT_DOUBLE_EQ(RoundDec(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(RoundDec(1.005, 2), 1.01);
    EXPECT_DOUBLE_EQ(RoundDec(0.125, 2), 0.13);
    EXPECT_DOUBLE_EQ(RoundDec(0.115, 2), 0.12);
    EXPECT_DOUBLE_EQ(RoundDec(1.015, 2), 1.02);
    EXPECT_DOUBLE_EQ(RoundDec(-2.675, 2), -2.68);
    EXPECT_DOUBLE_EQ(RoundDec(-1.005, 2), -1.01);
    EXPECT_DOUBLE_EQ(RoundDec(-0.125, 2), -0.13);
    EXPECT_DOUBLE_EQ(RoundDec(0.5, 0), 1.0);
    EXPECT_DOUBLE_EQ(RoundDec(-0.5, 0), -1.0);
    EXPECT_DOUBLE_EQ(RoundDec(2.5, 0), 3.0);
}

TEST(RoundDec, BelowHalfGoesDown) {
    EXPECT_DOUBLE_EQ(RoundDec(2.674999, 2), 2.67);
    EXPECT_DOUBLE_EQ(RoundDec(1.0049, 2), 1.0);
    EXPECT_DOUBLE_EQ(RoundDec(-1.0049, 2), -1.0);
    EXPECT_DOUBLE_EQ(RoundDec(0.4999999, 0), 0.0);
}

TEST(RoundDec, CarriesThroughNines) {
    EXPECT_DOUBLE_EQ(RoundDec(9.995, 2), 10.0);
    EXPECT_DOUBLE_EQ(RoundDec(99.999, 2), 100.0);
    EXPECT_DOUBLE_EQ(RoundDec(-999.995, 2), -1000.0);
    EXPECT_DOUBLE_EQ(RoundDec(0.995, 2), 1.0);
}

TEST(RoundDec, ExactValuesStay) {
    EXPECT_DOUBLE_EQ(RoundDec(1500.0, 2), 1500.0);
    EXPECT_DOUBLE_EQ(RoundDec(0.1, 2), 0.1);
    EXPECT_DOUBLE_EQ(RoundDec(1234.56, 2), 1234.56);
    EXPECT_DOUBLE_EQ(RoundDec(0.0, 2), 0.0);
    EXPECT_DOUBLE_EQ(RoundDec(1e15, 2), 1e15);
    EXPECT_DOUBLE_EQ(RoundDec(1e300, 2), 1e300);
}

TEST(RoundDec, SumsOfCentsCompareEqual) {
    // 0.1 + 0.2 is 0.30000000000000004 in binary; rounded it equals 0.3.
    EXPECT_NE(0.1 + 0.2, 0.3);
    EXPECT_EQ(RoundDec(0.1 + 0.2, 2), RoundDec(0.3, 2));
    double sum = 0.0;
    for (int i = 0; i < 100; ++i)
        sum = RoundDec(sum + 0.01, 2);
    EXPECT_EQ(sum, 1.0);
    // A third of a value: the rounded quotient, the cents left over go elsewhere.
    EXPECT_DOUBLE_EQ(RoundDec(1000.0 / 3.0, 2), 333.33);
    EXPECT_DOUBLE_EQ(RoundDec(2000.0 / 3.0, 2), 666.67);
}

TEST(RoundDec, TinyValuesAndNoNegativeZero) {
    EXPECT_EQ(RoundDec(-0.001, 2), 0.0);
    EXPECT_FALSE(std::signbit(RoundDec(-0.001, 2)));
    EXPECT_EQ(RoundDec(1e-300, 2), 0.0);
    EXPECT_EQ(RoundDec(std::numeric_limits<double>::denorm_min(), 2), 0.0);
    EXPECT_DOUBLE_EQ(RoundDec(0.005, 2), 0.01);
    EXPECT_DOUBLE_EQ(RoundDec(-0.005, 2), -0.01);
}

TEST(RoundDec, OtherDecimalCounts) {
    EXPECT_DOUBLE_EQ(RoundDec(1.23456, 4), 1.2346);
    EXPECT_DOUBLE_EQ(RoundDec(1.5, 0), 2.0);
    EXPECT_DOUBLE_EQ(RoundDec(123.456, -1), 123.0);                        // taken as 0 decimals
    EXPECT_DOUBLE_EQ(RoundDec(0.1234567890123456, 20), 0.123456789012346); // at most 15
}

TEST(RoundDec, NonFiniteValuesComeBack) {
    EXPECT_TRUE(std::isnan(RoundDec(std::numeric_limits<double>::quiet_NaN(), 2)));
    EXPECT_EQ(RoundDec(std::numeric_limits<double>::infinity(), 2),
              std::numeric_limits<double>::infinity());
    EXPECT_EQ(RoundDec(-std::numeric_limits<double>::infinity(), 2),
              -std::numeric_limits<double>::infinity());
}

// The rounded value read back from the rounded digits a number is shown with.
double fromDigits(double value, int decimals) {
    const DecimalDigits d = roundedDigits(value, std::min(std::max(decimals, 0), 15));
    const std::string text = d.integer + (d.fraction.empty() ? "" : "." + d.fraction);
    double out = 0.0;
    std::from_chars(text.data(), text.data() + text.size(), out);
    return out == 0.0 ? 0.0 : (value < 0 ? -out : out);
}

TEST(RoundDec, AgreesWithTheDigitsShown) {
    std::mt19937_64 random(20261207);
    std::uniform_int_distribution<long long> cents(-1'000'000'000'000, 1'000'000'000'000);
    std::uniform_real_distribution<double> any(-1e9, 1e9);
    std::uniform_int_distribution<int> thousandths(-999'999, 999'999);
    // Whole thousandths on either side of where whole values stop being taken as they are.
    std::uniform_int_distribution<long long> many(1LL << 49, 1LL << 51);
    for (int i = 0; i < 300'000; ++i) {
        const double values[] = {static_cast<double>(cents(random)) / 100.0, any(random),
                                 static_cast<double>(thousandths(random)) / 1000.0,
                                 static_cast<double>(cents(random)) / 1000.0 + 0.0005,
                                 static_cast<double>(many(random)) / 1000.0};
        for (double v : values) {
            for (int decimals : {0, 2, 3, 15}) {
                ASSERT_EQ(RoundDec(v, decimals), fromDigits(v, decimals)) << v << " " << decimals;
            }
        }
    }
}

} // namespace
} // namespace ct
