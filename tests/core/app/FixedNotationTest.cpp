#include "core/app/FixedNotation.h"

#include <gtest/gtest.h>
#include <limits>

namespace loopcraft {
namespace {

struct FixedCase {
    double value;
    int precision;
    int decimals;
    const char* text;
};

class FixedNotation : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedNotation, RoundsToSignificantDigitsThenWritesDecimals) {
    const auto& p = GetParam();
    EXPECT_EQ(formatFixed(p.value, p.precision, p.decimals), p.text);
}

INSTANTIATE_TEST_SUITE_P(
    Values, FixedNotation,
    ::testing::Values(FixedCase{51.0, 3, 1, "51.0"}, FixedCase{820.0, 4, 1, "820.0"},
                      FixedCase{4.7000003, 4, 1, "4.7"}, FixedCase{100000.0, 6, 1, "100000.0"},
                      FixedCase{12345.67, 6, 1, "12345.7"},
                      FixedCase{0.000462123, 3, 9, "0.000462000"},
                      FixedCase{-12.3456, 4, 2, "-12.35"}, FixedCase{0.0, 3, 1, "0.0"},
                      // more integer digits than the precision: exponent form
                      FixedCase{1000.0, 3, 1, "1.00E+03"}, FixedCase{999.7, 3, 1, "1.00E+03"},
                      FixedCase{1234567.0, 6, 1, "1.23457E+06"},
                      FixedCase{std::numeric_limits<double>::quiet_NaN(), 3, 1, "NAN"},
                      FixedCase{-std::numeric_limits<double>::infinity(), 3, 1, "-INF"}));

} // namespace
} // namespace loopcraft
