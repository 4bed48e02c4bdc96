#include "core/bode/BodeAxes.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace loopcraft {
namespace {

const PlotFrame kFrame = PlotFrame::fromEdges(40, 740, 30, 450);

// End values chosen so that the axes run from dbTop to dbBottom and phaseTop to phaseBottom.
FrequencyResponse computed(float fMin, float fMax, float magSqTop, float magSqBottom,
                           float phaseTopDeg, float phaseBottomDeg) {
    FrequencyResponse r;
    r.accept(fMin, fMax, 10);
    const float rad = std::numbers::pi_v<float> / 180.0F;
    EXPECT_TRUE(r.compute(
        [=](float) {
            LoopResponse lr;
            lr.openLoopMagSq = magSqTop;
            lr.closedLoopMagSq = magSqBottom;
            lr.openLoopPhase = phaseTopDeg * rad;
            lr.closedLoopPhase = phaseBottomDeg * rad;
            return lr;
        },
        kFrame));
    return r;
}

TEST(BodeAxes, GainLinesEvery10DbMajorOn20) {
    const auto r = computed(1000, 1e6F, 1e4F, 1e-3F, 0, -180);
    ASSERT_NEAR(r.dbTop, 40, 1e-4);
    ASSERT_NEAR(r.dbBottom, -30, 1e-4);
    const auto axes = MakeBodeAxes(r);
    ASSERT_EQ(axes.gain.size(), 8U);
    const char* labels[] = {"40", "", "20", "", "0", "", "-20", ""};
    const int widths[] = {2, 1, 2, 1, 2, 1, 2, 1};
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(axes.gain[i].label, labels[i]) << i;
        EXPECT_EQ(axes.gain[i].penWidth, widths[i]) << i;
    }
    EXPECT_EQ(axes.gain.front().pos, kFrame.yTop);
    EXPECT_EQ(axes.gain.back().pos, kFrame.yMid);
}

TEST(BodeAxes, LowestMajorGainLineHasNoLabel) {
    const auto axes = MakeBodeAxes(computed(1000, 1e6F, 1.0F, 1e-4F, 0, -180));
    ASSERT_EQ(axes.gain.size(), 5U); // 0 .. -40
    EXPECT_EQ(axes.gain.back().penWidth, 2);
    EXPECT_EQ(axes.gain.back().label, "");
    EXPECT_EQ(axes.gain[2].label, "-20");
}

TEST(BodeAxes, PhaseLinesEvery90AllLabelledAndDecadeLines) {
    const auto axes = MakeBodeAxes(computed(1000, 1e6F, 10.0F, 0.1F, 0, -180));
    ASSERT_EQ(axes.phase.size(), 3U);
    EXPECT_EQ(axes.phase[0].label, "0");
    EXPECT_EQ(axes.phase[1].label, "-90");
    EXPECT_EQ(axes.phase[2].label, "-180");
    EXPECT_EQ(axes.phase[0].pos, kFrame.yMid);
    EXPECT_EQ(axes.phase[2].pos, kFrame.yBottom);

    ASSERT_EQ(axes.freq.size(), 27U);
    EXPECT_EQ(axes.freq[0].label, "1e3");
    EXPECT_EQ(axes.freq[9].label, "1e4");
    EXPECT_EQ(axes.stopLabel, "1e6");
    EXPECT_EQ(axes.freq[4].label, "5");
    EXPECT_TRUE(axes.freq[4].small);
    EXPECT_EQ(std::count_if(axes.freq.begin(), axes.freq.end(),
                            [](const auto& line) { return line.penWidth == 2; }),
              6); // 1, 5, 10, 50, 100, 500 kHz
    EXPECT_NEAR(axes.freq[0].pos, kFrame.xLeft, 1);
    EXPECT_NEAR(axes.freq[9].pos, kFrame.xLeft + (kFrame.xRight - kFrame.xLeft) / 3, 1);
}

TEST(BodeAxes, SubHertzDecadesAndNothingBeforeAComputation) {
    const auto axes = MakeBodeAxes(computed(0.05F, 20, 10.0F, 0.1F, 0, -90));
    EXPECT_EQ(axes.freq.front().label, "1e-2");
    EXPECT_EQ(axes.stopLabel, "1e2");
    const auto none = MakeBodeAxes(FrequencyResponse{});
    EXPECT_TRUE(none.gain.empty());
    EXPECT_TRUE(none.freq.empty());
}

} // namespace
} // namespace loopcraft
