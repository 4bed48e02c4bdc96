// Noise transfers inside filter circuits against the closed forms of simple networks; every
// circuit against ngspice is in the deck tests.
#include "core/noise/FilterNoise.h"

#include <complex>
#include <gtest/gtest.h>
#include <numbers>

namespace loopcraft {
namespace {

using C = std::complex<double>;

std::size_t indexOf(const std::vector<std::string>& names, const std::string& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name)
            return i;
    ADD_FAILURE() << name << " missing";
    return 0;
}

// Passive lead-lag driven by a voltage: with the source quiet, R1's noise current sees R1 in
// parallel with R2 + 1/(jωC1); R2's current divides between C1 and R1.
TEST(FilterNoise, PassiveLeadLagMatchesItsImpedances) {
    const double R1 = 50e3, R2 = 5e3, C1 = 10e-9;
    const auto fn = FilterNoise::make(filterCircuit(LoopFilter::PassiveLL, 1, false),
                                      {{"R1", R1}, {"R2", R2}, {"C1", C1}});
    ASSERT_TRUE(fn);
    EXPECT_TRUE(fn->opAmps().empty());
    std::vector<double> gr, ga;
    for (const double f : {10.0, 1e3, 3e4, 1e6}) {
        ASSERT_TRUE(fn->transfers(f, gr, ga));
        const C zc = 1.0 / C(0, 2 * std::numbers::pi * f * C1);
        const C zOut = 1.0 / (1.0 / R1 + 1.0 / (R2 + zc));
        const C zR2 = R1 * R2 / (R1 + R2 + zc); // output per unit current across R2
        EXPECT_NEAR(gr[indexOf(fn->resistors(), "R1")] / std::norm(zOut), 1.0, 1e-6) << f;
        EXPECT_NEAR(gr[indexOf(fn->resistors(), "R2")] / std::norm(zR2), 1.0, 1e-6) << f;
    }
}

// Active PI: the op-amp's input noise sees the non-inverting gain 1 + (R2 + 1/(jωC1))/R1; R1's
// current flows on through the feedback; R2's noise appears unchanged at the output.
TEST(FilterNoise, ActivePiNoiseGainAndResistors) {
    const double R1 = 20e3, R2 = 2e3, C1 = 47e-9;
    const auto fn = FilterNoise::make(filterCircuit(LoopFilter::ActivePI, 1, false),
                                      {{"R1", R1}, {"R2", R2}, {"C1", C1}});
    ASSERT_TRUE(fn);
    ASSERT_EQ(fn->opAmps().size(), 1U);
    std::vector<double> gr, ga;
    for (const double f : {1.0, 100.0, 1e4, 1e6}) {
        ASSERT_TRUE(fn->transfers(f, gr, ga));
        const C zf = R2 + 1.0 / C(0, 2 * std::numbers::pi * f * C1);
        EXPECT_NEAR(ga[0] / std::norm(1.0 + zf / R1), 1.0, 1e-6) << f;
        EXPECT_NEAR(gr[indexOf(fn->resistors(), "R1")] / std::norm(zf), 1.0, 1e-6) << f;
        EXPECT_NEAR(gr[indexOf(fn->resistors(), "R2")] / (R2 * R2), 1.0, 1e-6) << f;
    }
}

// A unity-gain buffer passes its input noise with gain 1 wherever it sits.
TEST(FilterNoise, BufferHasUnitNoiseGain) {
    const auto fn =
        FilterNoise::make(filterCircuit(LoopFilter::PassiveLL, 3, true),
                          {{"R2", 1e3}, {"C1", 1e-8}, {"C3", 1e-9}, {"R4", 5e3}, {"C4", 1e-10}});
    ASSERT_TRUE(fn);
    ASSERT_EQ(fn->opAmps().size(), 1U);
    std::vector<double> gr, ga;
    ASSERT_TRUE(fn->transfers(1.0, gr, ga)); // far below the stage's corner
    EXPECT_NEAR(ga[0], 1.0, 1e-6);
}

TEST(FilterNoise, MissingOrBadValuesAreRefused) {
    const FilterCircuit c = filterCircuit(LoopFilter::PassiveLL, 1, false);
    EXPECT_FALSE(FilterNoise::make(c, {{"R1", 1e3}, {"C1", 1e-9}}));
    EXPECT_FALSE(FilterNoise::make(c, {{"R1", 1e3}, {"R2", 0.0F}, {"C1", 1e-9}}));
    EXPECT_FALSE(FilterNoise::make(c, {{"R1", 1e3}, {"R2", std::nanf("")}, {"C1", 1e-9}}));
}

} // namespace
} // namespace loopcraft
