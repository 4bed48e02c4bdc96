// The phase-noise analysis of designed loops: what the loop does to each source (reference
// passed in band and multiplied by the divider, oscillator high-passed), the power sum, the
// figures, and the loops and settings it refuses or reports on.
#include "core/noise/PhaseNoiseAnalysis.h"

#include "../ConfigFlagsSupport.h"
#include "core/design/LoopModel.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace loopcraft {
namespace {

const NoiseContribution* find(const PhaseNoiseResult& r, const std::string& name) {
    for (const auto& c : r.contributions)
        if (c.name == name)
            return &c;
    return nullptr;
}

PhaseNoiseResult analyze(const ParameterSet& params, const PhaseNoiseSettings& s = {}) {
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(params, s.e24Values);
    EXPECT_TRUE(build.loop) << build.error;
    if (!build.loop)
        return {};
    PhaseNoiseRun run = analyzePhaseNoise(*build.loop, s);
    EXPECT_TRUE(run.result) << run.error;
    return run.result ? *run.result : PhaseNoiseResult{};
}

ParameterSet withDivider(int n) {
    ParameterSet p;
    p.selectFlag(FlagId::rbConfigVCOScaler);
    p.setEntry(TextId::ConfigN, std::to_string(n));
    return p;
}

// Far inside the loop's bandwidth (|G| in the thousands at 1 Hz) the output follows the
// reference times the divider: its noise rises by 20·log10(Nf).
TEST(PhaseNoiseAnalysis, InBandReferenceNoiseRisesByTheDivider) {
    for (const int n : {1, 10, 64}) {
        const PhaseNoiseResult r = analyze(withDivider(n));
        const auto* ref = find(r, "reference");
        ASSERT_TRUE(ref);
        const PhaseNoiseSettings s;
        EXPECT_NEAR(ref->dbc.front() - noiseAt(s.reference, r.offsets.front()),
                    20.0 * std::log10(n), 0.05)
            << "N = " << n;
    }
}

// The loop suppresses its oscillator's noise at small offsets and leaves it alone far out.
TEST(PhaseNoiseAnalysis, OscillatorNoiseIsHighPassed) {
    const PhaseNoiseResult r = analyze(ParameterSet{});
    const auto* osc = find(r, "oscillator");
    ASSERT_TRUE(osc);
    const PhaseNoiseSettings s;
    EXPECT_LT(osc->dbc.front(), noiseAt(s.oscillator, r.offsets.front()) - 60.0);
    EXPECT_NEAR(osc->dbc.back(), noiseAt(s.oscillator, r.offsets.back()), 1.0);
    // In between the suppression falls steadily, with the loop's peaking near its bandwidth.
    double peak = -1e9;
    for (std::size_t i = 0; i < r.offsets.size(); ++i)
        peak = std::max(peak, osc->dbc[i] - noiseAt(s.oscillator, r.offsets[i]));
    EXPECT_GT(peak, 0.0);
    EXPECT_LT(peak, 10.0);
}

TEST(PhaseNoiseAnalysis, TotalIsThePowerSumAndResistorsAddUp) {
    ParameterSet p = withDivider(4);
    const PhaseNoiseResult r = analyze(p);
    const auto* resistors = find(r, "resistors");
    ASSERT_TRUE(resistors);
    ASSERT_TRUE(find(r, "R1"));
    ASSERT_TRUE(find(r, "R2"));
    ASSERT_TRUE(find(r, "divider"));
    EXPECT_FALSE(find(r, "opamp")); // a passive filter of order 2 has none
    for (std::size_t i = 0; i < r.offsets.size(); i += 37) {
        double sum = 0, parts = 0;
        for (const auto& c : r.contributions) {
            const double p10 = std::pow(10.0, c.dbc[i] / 10.0);
            if (c.source == NoiseSource::Resistor)
                parts += p10;
            else
                sum += p10;
        }
        EXPECT_NEAR(r.total[i], 10 * std::log10(sum), 1e-9);
        EXPECT_NEAR(resistors->dbc[i], 10 * std::log10(parts), 1e-9);
    }
}

// A resistor's noise in phase: (K0/ω)²·4kTR·|transfer|²/|1+G|²/2. R1 of the passive filter far
// above the loop's bandwidth: G is small and the filter output sees R1 ∥ (R2 + 1/(jωC1)).
TEST(PhaseNoiseAnalysis, ResistorNoiseFarOutMatchesItsClosedForm) {
    const ParameterSet p;
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(p, false);
    ASSERT_TRUE(build.loop);
    const PhaseNoiseResult r = analyze(p);
    const auto* r1 = find(r, "R1");
    ASSERT_TRUE(r1);
    const double f = r.offsets.back();
    const double C1 = 10e-9, R1 = 500e-6 / C1, R2 = 50e-6 / C1;
    const std::complex<double> zc = 1.0 / std::complex<double>(0, 2 * std::numbers::pi * f * C1);
    const std::complex<double> z = 1.0 / (1.0 / R1 + 1.0 / (R2 + zc));
    const LoopResponse g =
        EvaluateLoop(build.loop->state, build.loop->config, static_cast<float>(f));
    const double onePlusG2 = std::norm(std::complex<double>(1.0 + g.openLoop.re, g.openLoop.im));
    const double omega = 2 * std::numbers::pi * f;
    const double expected = 0.5 * 130000.0 * 130000.0 / (omega * omega) * 4 * kBoltzmann * 300 /
                            R1 * std::norm(z) / onePlusG2;
    EXPECT_NEAR(r1->dbc.back(), 10 * std::log10(expected), 0.01);
}

TEST(PhaseNoiseAnalysis, DetectorFloorFromFigureOfMerit) {
    ParameterSet p;
    test::selectMixedSignal(p, 2, LoopFilter::ActivePI, true);
    PhaseNoiseSettings s;
    s.detectorFromFom = true;
    s.detectorFom = -220;
    s.detectorCorner = 0;
    const PhaseNoiseResult r = analyze(p, s);
    const auto* det = find(r, "detector");
    ASSERT_TRUE(det);
    // In band, Nf = 1: the floor itself, FOM + 10·log10(100 kHz) = -170 dBc/Hz.
    EXPECT_NEAR(det->dbc.front(), -170.0, 0.05);
    ASSERT_TRUE(find(r, "opamp"));
}

TEST(PhaseNoiseAnalysis, FiguresAtTheOscillatorFrequency) {
    const PhaseNoiseResult r = analyze(withDivider(8));
    EXPECT_DOUBLE_EQ(r.figures.carrier, 800000.0);
    EXPECT_DOUBLE_EQ(r.figures.from, 10.0);
    EXPECT_DOUBLE_EQ(r.figures.to, 50000.0);
    EXPECT_GT(r.figures.rmsPhaseRad, 0.0);
    EXPECT_NEAR(r.figures.jitterSeconds, r.figures.rmsPhaseRad / (2 * std::numbers::pi * 800000.0),
                1e-20);
    EXPECT_NEAR(r.figures.rmsPhaseRad,
                std::sqrt(integratePhaseNoise(r.offsets, r.total, 10.0, 50000.0)), 1e-15);
}

// Rounding the parts to E24 moves the resistor noise a little, not the sources outside.
TEST(PhaseNoiseAnalysis, E24ValuesChangeOnlyTheFilter) {
    PhaseNoiseSettings s;
    const PhaseNoiseResult designed = analyze(ParameterSet{}, s);
    s.e24Values = true;
    const PhaseNoiseResult e24 = analyze(ParameterSet{}, s);
    EXPECT_NE(find(designed, "R1")->dbc[200], find(e24, "R1")->dbc[200]);
    EXPECT_NEAR(find(designed, "R1")->dbc[200], find(e24, "R1")->dbc[200], 0.5);
    EXPECT_EQ(find(designed, "reference")->dbc, find(e24, "reference")->dbc);
}

TEST(PhaseNoiseAnalysis, LoopsWithoutFilterSayWhatIsLeftOut) {
    ParameterSet order1;
    order1.selectFlag(FlagId::rbConfigPLLOrder1);
    PhaseNoiseResult r = analyze(order1);
    EXPECT_FALSE(find(r, "resistors"));
    EXPECT_NE(r.note.find("order 1"), std::string::npos);

    ParameterSet adpll;
    adpll.selectFlag(FlagId::rbConfigADPLL);
    r = analyze(adpll);
    ASSERT_TRUE(find(r, "reference"));
    ASSERT_TRUE(find(r, "oscillator"));
    EXPECT_FALSE(find(r, "detector"));
    EXPECT_NE(r.note.find("all-digital"), std::string::npos);
    EXPECT_DOUBLE_EQ(r.figures.carrier, 100000.0);
}

TEST(PhaseNoiseAnalysis, BadSettingsAndLoopsAreRefusedWithAReason) {
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(ParameterSet{}, false);
    ASSERT_TRUE(build.loop);
    struct Case {
        void (*change)(PhaseNoiseSettings&);
        const char* fault;
    };
    const Case cases[] = {
        {[](PhaseNoiseSettings& s) { s.reference.clear(); }, "reference table has no points"},
        {[](PhaseNoiseSettings& s) {
             s.oscillator = {{10, -80}, {10, -90}};
         },
         "twice"},
        {[](PhaseNoiseSettings& s) { s.from = 60000; }, "reversed"},
        {[](PhaseNoiseSettings& s) { s.to = 5; }, "reversed"},
        {[](PhaseNoiseSettings& s) { s.from = -1; }, "positive"},
        {[](PhaseNoiseSettings& s) { s.temperature = 0; }, "temperature"},
        {[](PhaseNoiseSettings& s) { s.opAmpNoise = std::nan(""); }, "op-amp"},
        {[](PhaseNoiseSettings& s) { s.points = 1; }, "points"},
        {[](PhaseNoiseSettings& s) { s.points = 1000000; }, "points"},
    };
    for (const Case& c : cases) {
        PhaseNoiseSettings s;
        c.change(s);
        const PhaseNoiseRun run = analyzePhaseNoise(*build.loop, s);
        EXPECT_FALSE(run.result) << c.fault;
        EXPECT_NE(run.error.find(c.fault), std::string::npos) << run.error;
    }
    ParameterSet undesigned;
    undesigned.setEntry(TextId::FiltDesignTau2, "0");
    EXPECT_FALSE(phaseNoiseLoopFrom(undesigned, false).loop);
}

} // namespace
} // namespace loopcraft
