#include "core/base/E24.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace loopcraft {
namespace {

TEST(E24, TieGoesUpward) {
    // Half-way between 1.0 and 1.1 on the series' logarithmic scale is 10^(0.5/24).
    EXPECT_EQ(e24Index(1.0491F), 0);
    EXPECT_EQ(e24Index(1.0492F), 1);
    EXPECT_EQ(e24Index(10.0F), 24);
    EXPECT_EQ(e24Index(9.9F), 24);
}

TEST(E24, ValuesWithoutSeriesRepresentationGiveNothing) {
    EXPECT_FALSE(roundToE24(0.0F));
    EXPECT_FALSE(roundToE24(-47.0F));
    EXPECT_FALSE(roundToE24(std::numeric_limits<float>::infinity()));
    EXPECT_FALSE(roundToE24(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(normaliseCapacitor(0.0F));
    EXPECT_FALSE(normaliseCapacitor(-1e-9F));
    EXPECT_FALSE(normaliseCapacitor(std::numeric_limits<float>::infinity()));
}

struct CapCase {
    float farads;
    float value;
    int unit;
};

class NormaliseCapacitor : public ::testing::TestWithParam<CapCase> {};

TEST_P(NormaliseCapacitor, PicksLargestUnitAndRounds) {
    const auto c = normaliseCapacitor(GetParam().farads);
    ASSERT_TRUE(c.has_value());
    EXPECT_EQ(c->unit, GetParam().unit);
    EXPECT_FLOAT_EQ(c->value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Values, NormaliseCapacitor,
                         ::testing::Values(CapCase{4.7e-9F, 4.7F, 3}, CapCase{1.0e-6F, 1.0F, 2},
                                           CapCase{0.05F, 51.0F, 1}, CapCase{1.0e-8F, 10.0F, 3},
                                           CapCase{2.0F, 2.0F, 0}, CapCase{300.0F, 300.0F, 0},
                                           CapCase{820e-12F, 820.0F, 4},
                                           // below 1 pF: stays in pF, own decade
                                           CapCase{4.7e-13F, 0.47F, 4},
                                           CapCase{1e-30F, 1e-18F, 4}));

TEST(E24, CapacitorUnits) {
    EXPECT_EQ(capacitorUnitIndex("nF"), 3);
    EXPECT_EQ(capacitorUnitIndex("F"), 0);
    EXPECT_FALSE(capacitorUnitIndex("nf"));
    EXPECT_EQ(capacitorUnitName(5), "");
    EXPECT_FLOAT_EQ(capacitorFarads(0.01F, 2), 1e-8F);
}

} // namespace
} // namespace loopcraft
