#include "SimModelTestSupport.h"
#include "core/sim/models/LF_ActiveLL.h"
#include "core/sim/models/LF_ActivePI.h"
#include "core/sim/models/LF_KCounter.h"
#include "core/sim/models/LF_PassiveLL.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace loopcraft {
namespace {

using namespace loopcraft::testing;

class FilterTest : public ::testing::Test {
protected:
    void SetUp() override { prepareState(s, 4, 1); } // Tau1 500 us, Tau2 50 us, Ka 10
    // Runs the filter for `seconds` with a constant detector voltage; returns the final Uf.
    template <class Filter> float drive(Filter& f, float ud, double seconds) {
        s.Ud = ud;
        const auto steps = static_cast<long>(seconds * s.SimulfRef * s.SimulnSamp + 0.5);
        for (long i = 0; i < steps; ++i)
            f.Step();
        return s.Uf;
    }
    SimState s;
};

// The integrators skip the division charge / i where its rounded value must exceed dt. Around
// the boundary, where rounding decides, the shortcut may only ever agree with the division,
// and it must take most free steps, or it is no shortcut.
TEST(FilterShortcut, QuotientExceedsOnlyWhereTheDivisionSaysSo) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> magnitude(-30.0f, 30.0f);
    int taken = 0;
    for (int n = 0; n < 200000; ++n) {
        const float dt = std::exp2(magnitude(random) * 0.5f);
        const float i = (n % 2 == 0 ? 1.0f : -1.0f) * std::exp2(magnitude(random));
        // Charges within a few float steps of dt * i, and well beyond it.
        float charge = dt * i;
        for (int step = n % 7 - 3; step != 0; step += step > 0 ? -1 : 1)
            charge = std::nextafter(charge, step > 0 ? INFINITY : -INFINITY);
        if (n % 5 == 0)
            charge *= 1.5f;
        const bool divided = charge / i > dt;
        if (detail::quotientClearlyExceeds(charge, i, dt)) {
            ASSERT_TRUE(divided) << charge << " / " << i << " against " << dt;
            ++taken;
        }
    }
    EXPECT_GT(taken, 50000);
    for (const float odd : {0.0f, INFINITY, -INFINITY, NAN})
        EXPECT_TRUE(!detail::quotientClearlyExceeds(1.0f, odd, 1e-6f) || 1.0f / odd > 1e-6f) << odd;
    EXPECT_FALSE(detail::quotientClearlyExceeds(INFINITY, 1.0f, INFINITY)); // inf / 1 > inf: no
}

// Exact solution of the lead-lag for a voltage step: the result must not depend on the step size.
TEST_F(FilterTest, PassiveStepResponseMatchesClosedFormForAnyStepSize) {
    // 1 V step from 2.5 V; tau = Tau1 + Tau2 = 550 us
    const double expected = 3.5 - (500e-6 / 550e-6) * std::exp(-200e-6 / 550e-6);
    for (const int nSamp : {4, 16, 64}) {
        s.SimulnSamp = nSamp;
        auto& f = initModel(s, s.LfPassiveLL);
        EXPECT_NEAR(drive(f, 3.5f, 200e-6), expected, 1e-4) << nSamp; // float rounding
    }
}

// The PI integrator ramps as (Ud - UMid)(Tau2 + t)/Tau1 and then stops at the filter's own
// output limit, not at the supply.
TEST_F(FilterTest, ActivePIRampsAndClipsAtFilterLimit) {
    s.ConfigLFSatP = 4.0f;
    auto& f = initModel(s, s.LfActivePI);
    EXPECT_NEAR(drive(f, 2.6f, 1e-3), 2.5 + 0.1 * (50e-6 + 1e-3) / 500e-6, 1e-4);
    EXPECT_FLOAT_EQ(drive(f, 2.6f, 10e-3), 4.0f);
    EXPECT_LT(f.Uc1, 4.0f); // the capacitor sits just below the limit while the output is held
    EXPECT_FLOAT_EQ(drive(f, 0.0f, 10e-3), s.ConfigLFSatN);
}

// Active lead-lag: high-frequency gain Ka Tau2/Tau1 right after a step, DC gain Ka at the end.
TEST_F(FilterTest, ActiveLeadLagHasBothGains) {
    auto& f = initModel(s, s.LfActiveLL);
    EXPECT_NEAR(drive(f, 2.6f, 2.5e-6) - 2.5f, 0.1f * 10 * 50e-6 / 500e-6, 0.01f);
    EXPECT_NEAR(drive(f, 2.6f, 10e-3) - 2.5f, 0.1f * 10, 0.01f);
}

TEST_F(FilterTest, IntegratorReachesLimitAtComputedTime) {
    s.ConfigLFSatP = 4.0f;
    auto& f = initModel(s, s.LfActivePI);
    f.Tau2 = 1e-3f; // R2 C with R2 = 1 kOhm, C = 1 uF
    // 1 mA from 2.5 V: the output starts at 3.5 V and meets 4.0 V after 0.5 ms.
    const IntervalResult before = f.SolveIntegrator(1e-3f, 2.5f, 1000.0f, 1e-6f, 0.49e-3f);
    EXPECT_NEAR(before.UfEnd, 3.99f, 1e-5);
    const IntervalResult after = f.SolveIntegrator(1e-3f, 2.5f, 1000.0f, 1e-6f, 1e-3f);
    EXPECT_NEAR(f.TSat, 0.5e-3f, 1e-9);
    EXPECT_FLOAT_EQ(after.UfEnd, 4.0f);
    // Held at the limit, the capacitor relaxes towards it through R2 from 3.0 V.
    EXPECT_NEAR(after.UcEnd, 4.0 - std::exp(-0.5), 1e-5);
    EXPECT_FLOAT_EQ(after.IAvg, 0.0f);
}

// A charge pump driving the passive filter stops exactly at the supply rail; the capacitor then
// relaxes towards the rail with Tau2.
TEST_F(FilterTest, PumpIntoPassiveFilterStopsAtSupplyRail) {
    auto& f = initModel(s, s.LfPassiveLL);
    f.Tau2 = 1e-3f;
    const IntervalResult up = f.SolvePumpRC(3e-3f, 2.5f, 1000.0f, 1e-6f, 1e-3f); // 3 V step
    EXPECT_FLOAT_EQ(up.UfEnd, s.ConfigUSupP);
    EXPECT_NEAR(up.UcEnd, 5.0 - 2.5 * std::exp(-1.0), 1e-5);
    const IntervalResult down = f.SolvePumpRC(-1e-3f, 1.0f, 1000.0f, 1e-6f, 1e-3f);
    EXPECT_FLOAT_EQ(down.UfEnd, s.ConfigUSupN); // reached after 0 s: already at 0 V
}

// No UP and no DOWN time: the capacitors keep their voltage and the output is that voltage. (The
// charge pump into the active lead-lag runs as its circuit: its input stage keeps relaxing into
// the integrator between the pulses; CircuitFilterTest holds it.)
TEST_F(FilterTest, StepWithoutPulsesHoldsCapacitor) {
    s.TUp = s.TDown = 0;
    const auto holds = [this](auto& slot, float LoopFilterRC::*cap) {
        auto& f = initModel(s, slot);
        f.*cap = 3.25f;
        f.Step();
        f.Step();
        EXPECT_FLOAT_EQ(f.*cap, 3.25f);
        EXPECT_FLOAT_EQ(s.Uf, 3.25f);
    };
    for (const FlagId detector : {FlagId::rbConfigDPLLPFD_CP, FlagId::rbConfigDPLLPFD}) {
        s.selectFlag(detector);
        holds(s.LfPassiveLL, &LoopFilterRC::Uc1);
        if (detector != FlagId::rbConfigDPLLPFD_CP)
            holds(s.LfActiveLL, &LoopFilterRC::Uc2);
        holds(s.LfActivePI, &LoopFilterRC::Uc1);
    }
}

// A pump pulse into the PI filter moves exactly the charge I t onto C; the step output is the
// capacitor voltage plus the pulse's I R2 drop weighted by its share of the step.
TEST_F(FilterTest, PumpPulseIntoPIConservesCharge) {
    s.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    s.ConfigKp = 1e-5f; // 62.8 uA
    auto& f = initModel(s, s.LfActivePI);
    s.TUp = 0.1f; // a tenth of a period = 1 us, 40 % of the step
    s.TDown = 0;
    f.Step();
    const float i = f.PumpCurrent;
    EXPECT_NEAR(f.Uc1, 2.5f + i * 1e-6f / 10e-9f, 1e-5);
    EXPECT_NEAR(s.Uf, f.Uc1 + i * f.R2 * 0.4f, 1e-5);
}

// The carry output falls once per K up-counts (never for K = 1); down-counts drive the borrow.
TEST_F(FilterTest, KCounterFallsOncePerKCounts) {
    for (const int k : {1, 2, 16}) {
        s.FiltDesignK = k;
        auto& f = initModel(s, s.LfKCounter);
        int carryFalls = 0;
        int borrowFalls = 0;
        for (int i = 0; i < 96; ++i) {
            const bool carry = s.KCarry;
            const bool borrow = s.KBorrow;
            s.UdBit = i % 2;
            f.Step();
            carryFalls += carry && !s.KCarry;
            borrowFalls += borrow && !s.KBorrow;
        }
        EXPECT_EQ(carryFalls, k == 1 ? 0 : 48 / k) << k;
        EXPECT_EQ(borrowFalls, carryFalls) << k;
    }
}

} // namespace
} // namespace loopcraft
