#include "core/sim/ReferenceSignal.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <tuple>

namespace loopcraft {
namespace {

// Default parameters (1 ms at 100 kHz, 20 dB, bandwidth 0.5, frequency step) with the choices.
void configure(SimState& s, bool adpll, bool multiplier, bool noise) {
    s.selectFlag(adpll ? FlagId::rbConfigADPLL : FlagId::rbConfigDPLL);
    s.selectFlag(multiplier ? FlagId::rbConfigLPLLMul : FlagId::rbConfigDPLLExor);
    s.cbSimulAddNoise = noise;
    s.SimulfRef = 100000;
}

TEST(ReferenceSignal, GeneratorAndPeriodCount) {
    std::uint32_t state = 1;
    EXPECT_EQ(NextRandom(state), 346); // (22695478 >> 16) & 0x7fff
    EXPECT_EQ(state, 22695478u);
    EXPECT_EQ(ReferencePeriodCount(1e-6f, 100000), 1); // at least one period
    EXPECT_EQ(ReferencePeriodCount(0.001f, 100000), 100);
}

TEST(ReferenceSignal, IdealEdgesWithoutNoise) {
    SimState exor;
    configure(exor, false, false, false);
    BuildReference(exor);
    // One record stands for every period.
    EXPECT_EQ(exor.RefPeriodRecords.size(), 1u);
    ASSERT_NE(exor.refPeriodRecord(99), nullptr);
    const RefPeriodRecord& r = *exor.refPeriodRecord(99);
    EXPECT_EQ(r.EdgeCount, 2);
    EXPECT_EQ(r.EdgeTime, (std::array<float, 4>{0.0f, 0.5f, -1.0f, -1.0f}));
    EXPECT_EQ(r.QuarterSample, (std::array<float, 4>{0, 1, 0, -1}));
    SimState mul;
    configure(mul, false, true, false);
    BuildReference(mul);
    EXPECT_EQ(mul.refPeriodRecord(7)->EdgeCount, 0);
    EXPECT_EQ(mul.refPeriodRecord(7)->EdgeTime[0], -1.0f);
    EXPECT_EQ(mul.RandState, 1u); // no noise drawn
    // With noise each period has its own record, and there are no others.
    SimState noisy;
    configure(noisy, false, false, true);
    BuildReference(noisy);
    EXPECT_EQ(noisy.RefPeriodRecords.size(), 100u);
    EXPECT_EQ(noisy.refPeriodRecord(99), &noisy.RefPeriodRecords[99]);
    EXPECT_EQ(noisy.refPeriodRecord(100), nullptr);
}

// Without noise the all-digital reference toggles on a half-period grid, shifted by a phase step.
TEST(ReferenceSignal, AdpllIdealGridShiftedByThePhaseStep) {
    // (phase step, dphi, first edge, level at the start)
    for (const auto& [phiStep, dphi, first, u1] :
         {std::tuple{false, 90.0f, 0.0, 0}, std::tuple{true, -90.0f, 0.25, 0},
          std::tuple{true, 90.0f, 0.25, 1}, std::tuple{true, 180.0f, 0.0, 1}}) {
        SimState s;
        configure(s, true, false, false);
        s.selectFlag(phiStep ? FlagId::rbSimulphistep : FlagId::rbSimulfstep);
        s.Simuldphi = dphi;
        BuildReference(s);
        ASSERT_GE(s.RefEdgeList.size(), 201u);
        EXPECT_NEAR(s.RefEdgeList[0], first, 1e-6) << dphi;
        for (std::size_t i = 1; i < s.RefEdgeList.size(); ++i)
            EXPECT_NEAR(s.RefEdgeList[i] - s.RefEdgeList[i - 1], 0.5, 1e-9);
        EXPECT_GE(s.RefEdgeList.back(), 100.0);
        EXPECT_EQ(s.U1Bit, u1) << dphi;
    }
}

// Gain of the band-pass at a frequency in cycles per quarter-period sample.
float bandpassGain(const SimState& s, double f) {
    std::complex<double> sum;
    for (int i = -128; i <= 128; ++i)
        sum += static_cast<double>(s.NoiseBandpass[static_cast<std::size_t>(i + 128)]) *
               std::polar(1.0, -2 * M_PI * f * i);
    return static_cast<float>(std::abs(sum));
}

TEST(ReferenceSignal, BandPassFollowsTheNoiseBandwidth) {
    SimState s;
    configure(s, false, false, true);
    s.SimulNoiseBW = 0.1f;
    BuildReference(s);
    EXPECT_NEAR(bandpassGain(s, 0.25), 1.0f, 0.02f); // the reference frequency
    EXPECT_LT(bandpassGain(s, 0.15), 0.01f);         // 40 % below it
    EXPECT_LT(bandpassGain(s, 0.35), 0.01f);         // 40 % above it
    s.SimulNoiseBW = 1.0f;
    BuildReference(s);
    EXPECT_NEAR(bandpassGain(s, 0.05), 1.0f, 0.02f); // 0.2 fRef
    EXPECT_NEAR(bandpassGain(s, 0.45), 1.0f, 0.02f); // 1.8 fRef
}

TEST(ReferenceSignal, NoisyCrossingsLieNearTheIdealEdges) {
    SimState s;
    configure(s, false, false, true);
    s.SimulSNR = 40;
    BuildReference(s);
    int edges = 0;
    for (const RefPeriodRecord& r : s.RefPeriodRecords) {
        edges += r.EdgeCount;
        for (int e = 0; e < r.EdgeCount; ++e) {
            const float t = r.EdgeTime[static_cast<std::size_t>(e)];
            const float toIdeal = std::min({std::fabs(t), std::fabs(t - 0.5f), std::fabs(1 - t)});
            EXPECT_LT(toIdeal, 0.03f) << t;
        }
        for (int e = r.EdgeCount; e < 4; ++e)
            EXPECT_EQ(r.EdgeTime[static_cast<std::size_t>(e)], -1.0f);
    }
    EXPECT_NEAR(edges, 200, 2);
}

// At 60 dB the rising crossing lies so close to the period's end that, for this noise, it
// rounds onto 1.0 in period 55: it must stay in the period's last step, not fall between two.
TEST(ReferenceSignal, CrossingAtThePeriodEndStaysInItsPeriod) {
    SimState s;
    configure(s, false, false, true);
    s.SimulSNR = 60;
    s.SimulT = 0.0006f;
    s.sidecar.NoiseSeed = 77;
    BuildReference(s);
    const RefPeriodRecord& r = s.RefPeriodRecords[55];
    ASSERT_EQ(r.EdgeCount, 2);
    EXPECT_GT(r.EdgeTime[1], 0.9999f);
    for (const RefPeriodRecord& rec : s.RefPeriodRecords)
        for (const float e : rec.EdgeTime)
            EXPECT_LT(e, 1.0f);
}

TEST(ReferenceSignal, NoisyAdpllEdgesAndTheNoCrossingGrid) {
    SimState s;
    configure(s, true, false, true);
    s.SimulSNR = 40;
    BuildReference(s);
    ASSERT_FALSE(s.RefEdgeList.empty());
    EXPECT_GE(s.RefEdgeList.back(), 100.0);
    for (std::size_t i = 1; i < s.RefEdgeList.size(); ++i)
        EXPECT_GT(s.RefEdgeList[i], s.RefEdgeList[i - 1]);

    // Without noise power the samples are exactly 0, pi/2, 0, -pi/2: no sign change inside a
    // quarter, hence no crossing at all. The list then falls back to the half-period grid.
    SimState quiet;
    configure(quiet, true, false, true);
    quiet.SimulSNR = 1000;
    BuildReference(quiet);
    for (const RefPeriodRecord& r : quiet.RefPeriodRecords)
        EXPECT_EQ(r.EdgeCount, 0);
    ASSERT_EQ(quiet.RefEdgeList.size(), 201u);
    EXPECT_EQ(quiet.RefEdgeList[0], 0.0);
    EXPECT_EQ(quiet.RefEdgeList[200], 100.0);
    EXPECT_EQ(NextRefEdge(quiet, 205), 103.0);
    EXPECT_EQ(quiet.RefEdgeList.size(), 207u);
}

} // namespace
} // namespace loopcraft
