#include "core/bode/FrequencyResponse.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace loopcraft {
namespace {

const PlotFrame kFrame = PlotFrame::fromEdges(40, 740, 30, 450);

// |G|² = f / 1000, phase −f/10000 rad; the closed loop a tenth of the open loop in |.|², twice
// its phase: distinct enough that a swapped or mis-scaled curve shows.
LoopResponse rampLoop(float f) {
    LoopResponse r;
    r.openLoopMagSq = f / 1000.0F;
    r.openLoopPhase = -f / 10000.0F;
    r.closedLoopMagSq = f / 10000.0F;
    r.closedLoopPhase = -f / 5000.0F;
    return r;
}

struct GridCase {
    float fMin;
    float fMax;
    int points;
    float fStart;
    float fStop;
    int decades;
    unsigned pointCount;
};

class BodeGrid : public ::testing::TestWithParam<GridCase> {};

TEST_P(BodeGrid, CoversWholeDecades) {
    const auto& p = GetParam();
    FrequencyResponse response;
    response.accept(p.fMin, p.fMax, p.points);
    ASSERT_TRUE(response.compute(rampLoop, kFrame));
    EXPECT_FLOAT_EQ(response.fStart, p.fStart);
    EXPECT_FLOAT_EQ(response.fStop, p.fStop);
    EXPECT_EQ(response.decadeCount, p.decades);
    EXPECT_EQ(response.pointCount, p.pointCount);
    ASSERT_EQ(response.logFreq.size(), p.pointCount);
    EXPECT_FLOAT_EQ(response.logFreq.front(), std::log10(p.fStart));
    EXPECT_NEAR(response.logFreq.back(), std::log10(p.fStop), 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Values, BodeGrid,
                         ::testing::Values(GridCase{1000, 1e6F, 50, 1000, 1e6F, 3, 151},
                                           GridCase{1500, 200000, 50, 1000, 1e6F, 3, 151},
                                           GridCase{100, 1000, 10, 100, 1000, 1, 11},
                                           GridCase{0.05F, 20, 5, 0.01F, 100, 4, 21},
                                           GridCase{2, 3, 1, 1, 10, 1, 2},
                                           GridCase{1000, 1e6F, 1, 1000, 1e6F, 3, 4},
                                           GridCase{1e-30F, 1e6F, 1, 1e-30F, 1e6F, 36, 37}));

TEST(BodeRanges, EndPointsDecideAxes) {
    FrequencyResponse response;
    response.accept(1000, 1e6F, 10);
    auto loop = [](float f) {
        LoopResponse r;
        const bool start = f < 2000;
        r.openLoopMagSq = start ? 5000.0F : 1.0F;
        r.closedLoopMagSq = start ? 1.0F : 0.002F;
        // −95° and −170° at the ends
        r.openLoopPhase = (start ? -95.0F : -170.0F) * std::numbers::pi_v<float> / 180.0F;
        r.closedLoopPhase = -100.0F * std::numbers::pi_v<float> / 180.0F;
        return r;
    };
    ASSERT_TRUE(response.compute(loop, kFrame));
    EXPECT_FLOAT_EQ(response.magSqMax, 5000);
    EXPECT_FLOAT_EQ(response.magSqMin, 0.002F);
    EXPECT_NEAR(response.dbTop, 40, 1e-4);
    EXPECT_NEAR(response.dbBottom, -30, 1e-4);
    EXPECT_FLOAT_EQ(response.phaseTop, -90);
    EXPECT_FLOAT_EQ(response.phaseBottom, -180);

    // dbTop on yTop, dbBottom on yMid, phaseTop on yMid, phaseBottom on yBottom.
    EXPECT_NEAR(response.magOffset + response.magScale * response.dbTop, kFrame.yTop, 1e-3);
    EXPECT_NEAR(response.magOffset + response.magScale * response.dbBottom, kFrame.yMid, 1e-3);
    EXPECT_NEAR(response.phaseOffset + response.phaseScale * response.phaseTop, kFrame.yMid, 1e-3);
    EXPECT_NEAR(response.phaseOffset + response.phaseScale * response.phaseBottom, kFrame.yBottom,
                1e-3);
    EXPECT_NEAR(response.freqOffset + response.freqScale * 3, kFrame.xLeft, 1e-3);
    EXPECT_NEAR(response.freqOffset + response.freqScale * 6, kFrame.xRight, 1e-3);
}

TEST(BodeRanges, CollapsedRangesGetASpan) {
    FrequencyResponse response;
    response.accept(10, 100, 4);
    auto flat = [](float) {
        LoopResponse r;
        r.openLoopMagSq = r.closedLoopMagSq = 1.0F;
        return r; // phase 0 everywhere
    };
    ASSERT_TRUE(response.compute(flat, kFrame));
    EXPECT_NEAR(response.dbTop, 10, 1e-4);
    EXPECT_NEAR(response.dbBottom, -10, 1e-4);
    EXPECT_FLOAT_EQ(response.phaseTop, 90);
    EXPECT_FLOAT_EQ(response.phaseBottom, -90);
    EXPECT_TRUE(std::isfinite(response.magScale));
    EXPECT_TRUE(std::isfinite(response.phaseScale));
}

TEST(BodeRanges, UnusableEndValuesAreLeftOutOfTheRange) {
    FrequencyResponse response;
    response.accept(10, 100, 4);
    auto loop = [](float f) {
        LoopResponse r;
        r.openLoopMagSq = f < 50 ? 0.0F : INFINITY;
        r.closedLoopMagSq = 50.0F;
        r.openLoopPhase = NAN;
        r.closedLoopPhase = -1.0F;
        return r;
    };
    ASSERT_TRUE(response.compute(loop, kFrame));
    EXPECT_NEAR(response.dbTop, 20, 1e-4);
    EXPECT_NEAR(response.dbBottom, 10, 1e-4);
    EXPECT_FLOAT_EQ(response.phaseTop, -0.0F);
    EXPECT_FLOAT_EQ(response.phaseBottom, -90);
}

TEST(BodeCurves, GainInDecibelsAndPhaseInDegreesPerCurve) {
    FrequencyResponse response;
    response.accept(1000, 100000, 2);
    ASSERT_TRUE(response.compute(rampLoop, kFrame));
    ASSERT_EQ(response.pointCount, 5U);
    EXPECT_FLOAT_EQ(response.stepRatio, static_cast<float>(std::sqrt(10.0)));
    for (std::size_t i = 0; i < response.pointCount; ++i) {
        const float f = std::pow(10.0F, response.logFreq[i]);
        EXPECT_NEAR(response.openGainDb[i], 10 * std::log10(f / 1000), 1e-3) << i;
        EXPECT_NEAR(response.closedGainDb[i], 10 * std::log10(f / 10000), 1e-3) << i;
        EXPECT_NEAR(response.openPhaseDeg[i], -f / 10000 * 180 / std::numbers::pi, 1e-2) << i;
        EXPECT_NEAR(response.closedPhaseDeg[i], -f / 5000 * 180 / std::numbers::pi, 1e-2) << i;
    }
}

// A curve that is not finite somewhere is never plotted: the message names the curve and the
// first such frequency, and the curves are gone; an entry error keeps its own message.
TEST(BodeCurves, NonFiniteCurveGivesAMessageInsteadOfCurves) {
    const auto overflowing = [](float f) {
        LoopResponse r = rampLoop(f);
        if (f > 5000) {
            r.closedLoopMagSq = 0.0F; // -inf dB
        }
        return r;
    };
    ParameterSet params;
    FrequencyResponse response;
    BodeRun run =
        ComputeBodeResponse(response, params, {"1000", "100000", "1"}, overflowing, kFrame);
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->title, "Non-finite result");
    EXPECT_EQ(run.error->text.rfind("The closed-loop gain (dB) at 10000 Hz is not a finite number "
                                    "(-inf)",
                                    0),
              0U)
        << run.error->text;
    EXPECT_FALSE(run.computed);
    EXPECT_FALSE(response.hasCurves());
    EXPECT_TRUE(response.closedGainDb.empty());

    run = ComputeBodeResponse(response, params, {"1000", "10", "1"}, overflowing, kFrame);
    ASSERT_TRUE(run.error);
    EXPECT_EQ(run.error->title, "Illegal entry");
    EXPECT_FALSE(response.hasCurves());
    run = ComputeBodeResponse(response, params, {"100", "1000", "1"}, overflowing, kFrame);
    EXPECT_FALSE(run.error);
    EXPECT_TRUE(run.computed && response.hasCurves());
}

} // namespace
} // namespace loopcraft
