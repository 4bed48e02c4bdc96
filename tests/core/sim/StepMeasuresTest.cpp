// The step measures the fidelity tests and their table rest on: period means of steps and of
// straight pieces between uneven time points, overshoot and settling of rising and falling
// steps, and the tolerance rule.
#include "core/sim/StepMeasures.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace loopcraft {
namespace {

TEST(StepMeasures, PeriodMeansAverageWholePeriodsOnly) {
    EXPECT_EQ(PeriodMeansOfSteps({1, 3, 5, 7, 9}, 2), (std::vector<double>{2, 6}));
    EXPECT_TRUE(PeriodMeansOfSteps({1, 2}, 0).empty());

    // v = t² on uneven points: the means are those of the straight pieces, cut at the period
    // boundaries, and the period the points do not reach is left out.
    const std::vector<double> t{0, 0.1, 0.35, 0.5, 0.8, 1.1};
    std::vector<double> v;
    for (const double x : t)
        v.push_back(x * x);
    const auto means = PeriodMeansOfPoints(t, v, 0.5, 5);
    ASSERT_EQ(means.size(), 2U);
    // First period: pieces 0-0.1, 0.1-0.35, 0.35-0.5.
    const double first =
        (0.5 * 0.01 * 0.1 + 0.5 * (0.01 + 0.1225) * 0.25 + 0.5 * (0.1225 + 0.25) * 0.15) / 0.5;
    EXPECT_NEAR(means[0], first, 1e-12);
    // Second period: 0.5-0.8, then 0.8-1.0 on the piece towards 1.1 (1.21).
    const double at1 = 0.64 + (1.21 - 0.64) * (0.2 / 0.3);
    const double second = (0.5 * (0.25 + 0.64) * 0.3 + 0.5 * (0.64 + at1) * 0.2) / 0.5;
    EXPECT_NEAR(means[1], second, 1e-12);
}

TEST(StepMeasures, OvershootAndSettlingOfRisingAndFallingSteps) {
    // Rising from 1 to 2: peak 2.3 in the third period, outside ±2 % until the sixth.
    const std::vector<double> up{1.5, 2.1, 2.3, 1.9, 2.03, 2.01, 1.99, 2.0};
    const StepFigures f = MeasureStep(up, 1e-5, 1.0, 2.0);
    EXPECT_NEAR(f.overshootPct, 30, 1e-9);
    EXPECT_DOUBLE_EQ(f.peakTime, 3e-5);
    EXPECT_DOUBLE_EQ(f.settlingTime, 5e-5);

    // The same mirrored: falling from 1 to 0 measures alike.
    std::vector<double> down;
    for (const double v : up)
        down.push_back(2.0 - v);
    const StepFigures g = MeasureStep(down, 1e-5, 1.0, 0.0);
    EXPECT_NEAR(g.overshootPct, 30, 1e-9);
    EXPECT_DOUBLE_EQ(g.settlingTime, 5e-5);

    // Never above the final value: no overshoot; still outside at the end: never settled.
    const StepFigures h = MeasureStep({0.2, 0.5, 0.9}, 1e-5, 0.0, 1.0);
    EXPECT_EQ(h.overshootPct, 0);
    EXPECT_TRUE(std::isinf(h.settlingTime));
}

TEST(StepMeasures, DifferencesAreRelativeWithAFloor) {
    EXPECT_DOUBLE_EQ(LargestDifference({1, 2, 3}, {1, 2.5, 3, 9}, -2.0), 0.25);
    // Inside the band counts nothing; outside, the distance to its nearer edge.
    EXPECT_DOUBLE_EQ(LargestDifferenceOutside({0.5, 1.0, 3.0}, {0, 2, 1}, {1, 1.5, 2.5}, 2.0),
                     0.25);
    EXPECT_DOUBLE_EQ(RelativeDifference(11.5, 10, 2), 0.15);
    EXPECT_DOUBLE_EQ(RelativeDifference(0.5, 1.9, 2), 0.0); // both below the floor
    const double never = std::numeric_limits<double>::infinity();
    EXPECT_EQ(RelativeDifference(never, never, 0), 0);
    EXPECT_TRUE(std::isinf(RelativeDifference(never, 1e-3, 0)));
}

} // namespace
} // namespace loopcraft
