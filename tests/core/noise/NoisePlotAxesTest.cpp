// Axis ranges and the wording of the figures.
#include "core/noise/NoisePlotAxes.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

TEST(NoisePlotAxes, DecadesAroundTheOffsetsAndLevelsAroundTheCurves) {
    PhaseNoiseResult r;
    r.offsets = {3, 30, 3000, 70000};
    r.total = {-61, -80, -120, -150};
    r.contributions.push_back({NoiseSource::Reference, "reference", {-70, -90, -175, -300}});
    const NoisePlotAxes a = makeNoisePlotAxes(r);
    EXPECT_EQ(a.fMin, 1.0);
    EXPECT_EQ(a.fMax, 1e5);
    EXPECT_EQ(a.decades.size(), 6U);
    EXPECT_EQ(a.dbTop, -50.0);     // 10 dB steps, at least 5 dB over the total
    EXPECT_EQ(a.dbBottom, -190.0); // under -175; the -300 floor does not count
    EXPECT_EQ(a.dbTicks.front(), -50.0);
    EXPECT_EQ(a.dbTicks.back(), -190.0);
    EXPECT_DOUBLE_EQ(a.xOf(1000.0), 0.6);
    EXPECT_DOUBLE_EQ(a.yOf(-120.0), 0.5);

    r.contributions[0].dbc = {-400, -400, -400, -400};
    r.contributions[0].dbc[2] = -260;
    EXPECT_EQ(makeNoisePlotAxes(r).dbBottom, -210.0); // at most 160 dB shown
}

TEST(NoisePlotAxes, EngineeringTexts) {
    EXPECT_EQ(engineeringText(34.2e-12, "s"), "34.2 ps");
    EXPECT_EQ(engineeringText(100000, "Hz"), "100 kHz");
    EXPECT_EQ(engineeringText(999.96, "Hz"), "1 kHz");
    EXPECT_EQ(engineeringText(0.0141421, "rad"), "14.1 mrad");
    EXPECT_EQ(engineeringText(0, "s"), "0 s");
    EXPECT_EQ(decadeLabel(10000), "10k");
    EXPECT_EQ(decadeLabel(1), "1");
    IntegratedNoise f;
    f.carrier = 8e5;
    f.from = 10;
    f.to = 5e4;
    f.rmsPhaseDeg = 1.44;
    f.rmsPhaseRad = 0.0251;
    f.jitterSeconds = 4.99e-9;
    EXPECT_EQ(
        noiseFigureLines(f),
        (std::vector<std::string>{"Output frequency: 800 kHz", "Integration band: 10 Hz to 50 kHz",
                                  "RMS phase error: 1.44 deg (25.1 mrad)", "Jitter: 4.99 ns"}));
}

} // namespace
} // namespace loopcraft
