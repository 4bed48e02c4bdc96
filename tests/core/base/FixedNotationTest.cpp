#include "core/base/FixedNotation.h"

#include <gtest/gtest.h>
#include <limits>

namespace loopcraft {
namespace {

struct FixedCase {
    const char* name;
    double value;
    int precision;
    int decimals;
    const char* text;
};

class FixedNotation : public ::testing::TestWithParam<FixedCase> {};

TEST_P(FixedNotation, RoundsToSignificantDigitsThenWritesDecimals) {
    const FixedCase& c = GetParam();
    EXPECT_EQ(formatFixed(c.value, c.precision, c.decimals), c.text);
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Values, FixedNotation,
    ::testing::Values(FixedCase{"Resistor", 51.0, 3, 1, "51.0"},
                      FixedCase{"FloatNoiseRoundedAway", 4.7000003, 4, 1, "4.7"},
                      FixedCase{"CentreFrequency", 100000.0, 6, 1, "100000.0"},
                      FixedCase{"RoundsLastDigit", 12345.67, 6, 1, "12345.7"},
                      FixedCase{"SmallWithManyDecimals", 0.000462123, 3, 9, "0.000462000"},
                      FixedCase{"Negative", -12.3456, 4, 2, "-12.35"},
                      FixedCase{"Zero", 0.0, 3, 1, "0.0"},
                      FixedCase{"MoreIntegerDigitsThanPrecision", 1000.0, 3, 1, "1.00E+03"},
                      FixedCase{"RoundingIntoExponentForm", 999.7, 3, 1, "1.00E+03"},
                      FixedCase{"LargeInExponentForm", 1234567.0, 6, 1, "1.23457E+06"},
                      FixedCase{"NotANumber", kNaN, 3, 1, "NAN"},
                      FixedCase{"PositiveInfinity", kInf, 3, 1, "INF"},
                      FixedCase{"NegativeInfinity", -kInf, 3, 1, "-INF"},
                      FixedCase{"PrecisionClampedToOne", 7.6, 0, 0, "8"}),
    [](const ::testing::TestParamInfo<FixedCase>& info) { return info.param.name; });

} // namespace
} // namespace loopcraft
