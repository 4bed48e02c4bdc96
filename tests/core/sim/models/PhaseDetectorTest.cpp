#include "SimModelTestSupport.h"
#include "core/sim/models/PD_EXOR.h"
#include "core/sim/models/PD_JK.h"
#include "core/sim/models/PD_MUL.h"
#include "core/sim/models/PD_PFD.h"

#include <gtest/gtest.h>
#include <utility>

namespace loopcraft {
namespace {

using namespace loopcraft::testing;

class DetectorTest : public ::testing::Test {
protected:
    void SetUp() override { prepareState(s, 4, 64); }
    SimState s;
};

// The mean output rises linearly with the lag, from the low level in phase to the high level in
// anti-phase; the lock point (mid-supply) is a quarter period.
TEST_F(DetectorTest, ExorMeanOutputFollowsPhaseDifference) {
    for (const auto& [theta0, mean] : {std::pair{-0.0001, 0.5f}, std::pair{-kPi / 4, 1.5f},
                                       std::pair{-kPi / 2, 2.5f}, std::pair{-kPi + 0.0001, 4.5f}}) {
        auto& d = initModel(s, s.PdExor);
        EXPECT_NEAR(meanOf(runOpenLoop(s, d, 4 * 8, theta0), 4, 28), mean, 3e-4) << theta0;
    }
}

// A lag of three sixteenths of a period: the first step is 3/4 "different".
TEST_F(DetectorTest, ExorLocatesOscillatorEdgeInsideTheStep) {
    auto& d = initModel(s, s.PdExor);
    EXPECT_NEAR(runOpenLoop(s, d, 1, -3 * kPi / 8)[0], 0.75f * 4.5f + 0.25f * 0.5f, 1e-4);
}

TEST_F(DetectorTest, ExorReferenceEdgeBookkeeping) {
    auto& d = initModel(s, s.PdExor);
    for (auto& rec : s.RefPeriodRecords) {
        rec.EdgeTime = {0.25f, -1.0f, -1.0f, -1.0f};
    }
    setStepPhase(s, 1, 1.0, 0.0); // oscillator held high
    d.Step();
    EXPECT_FLOAT_EQ(d.RefLevel, -1.0f); // an edge at the step end is the next step's
    EXPECT_FLOAT_EQ(s.Ud, 4.5f);
    setStepPhase(s, 2, 1.0, 0.0);
    d.Step();
    EXPECT_FLOAT_EQ(d.RefLevel, 1.0f);
    EXPECT_FLOAT_EQ(s.Ud, 0.5f);

    // Third and fourth edges of a step are ignored: high from 0.05 to 0.1 only.
    d.Init();
    s.RefPeriodRecords[0].EdgeTime = {0.05f, 0.1f, 0.15f, 0.2f};
    setStepPhase(s, 1, 1.0, 0.0);
    d.Step();
    EXPECT_FLOAT_EQ(d.RefLevel, -1.0f);
    EXPECT_NEAR(s.Ud, 0.2f * 0.5f + 0.8f * 4.5f, 1e-5);
}

// The all-digital JK: a reset wins over a set that arrives in the same call, and only rising
// edges act.
TEST_F(DetectorTest, AdpllJkResetWinsAndOnlyRisingEdgesAct) {
    s.selectFlag(FlagId::rbConfigADPLL);
    auto& jk = s.ensureModel(s.PdJk);
    jk.State = 0;
    s.U1Bit = s.U2Bit = 1;
    s.U1Edge = s.U2Edge = true;
    jk.Step();
    EXPECT_EQ(s.UdBit, 0);
    s.U1Edge = true;
    jk.Step();
    EXPECT_EQ(s.UdBit, 1);
    s.U2Bit = 0;
    s.U2Edge = true;
    jk.Step();
    EXPECT_EQ(s.UdBit, 1);
    EXPECT_FALSE(s.U1Edge || s.U2Edge);
}

// Sine times square wave: the mean output is UMid + Kd cos(phase), Kd in V/rad at the slope.
TEST_F(DetectorTest, MulMeanOutputIsKdTimesCosine) {
    s.rbConfigLPLLMul = 1;
    s.ConfigKd = 0.8f;
    setQuarterSamples(s, {}); // no noise
    for (const double theta0 : {0.0, kPi / 3, 0.95 * kPi}) {
        auto& d = initModel(s, s.PdMul);
        const auto ud = runOpenLoop(s, d, 16 * 4, theta0);
        EXPECT_NEAR(meanOf(ud, 0, 64), 2.5f + 0.8f * std::cos(theta0), 1e-2) << theta0;
    }
}

// Each quarter's noise sample acts in its quarter only, weighted by Kd like the sine it rides
// on (the same signal-to-noise ratio for every gain): the difference to a noise-free step.
TEST_F(DetectorTest, MulSplitsStepAtQuarterBoundaryOnlyInside) {
    auto& d = s.ensureModel(s.PdMul);
    auto ud = [&](std::array<float, 4> samples, std::uint32_t k) {
        setQuarterSamples(s, samples);
        setStepPhase(s, k, 1.0, 0.0);
        d.Step();
        return s.Ud;
    };
    const std::array<float, 4> noise{0.1f, 0.2f, 0.3f, 0.4f};
    for (const float kd : {1.0f, 0.5f}) {
        s.ConfigKd = kd;
        s.SimulnSamp = 4;
        for (std::uint32_t k = 1; k <= 4; ++k) // four steps per period: one quarter each
            EXPECT_NEAR(ud(noise, k) - ud({}, k), kd * 0.1f * k, 1e-6) << "step " << k;
        s.SimulnSamp = 5; // step 2 (0.2..0.4) is split at 0.25
        EXPECT_NEAR(ud(noise, 2) - ud({}, 2), kd * (0.05f * 0.1f + 0.15f * 0.2f) / 0.2f, 1e-6);
    }
}

// An oscillator thousands of times faster than the reference (hundreds of edges per step) is
// summed in closed form: both detectors see a square wave that averages to zero.
TEST_F(DetectorTest, FarFasterOscillatorAveragesOut) {
    auto& exor = initModel(s, s.PdExor);
    EXPECT_NEAR(meanOf(runOpenLoop(s, exor, 8, 0.3, 2000.25), 0, 8), 2.5f, 0.01f);
    setQuarterSamples(s, {});
    auto& mul = s.ensureModel(s.PdMul);
    EXPECT_NEAR(meanOf(runOpenLoop(s, mul, 8, 0.3, 2000.25), 0, 8), 2.5f, 0.01f);
}

// Set by the reference's rising edge at 0, reset by the oscillator's rising edge: the duty
// cycle is the share of the period from 0 to the oscillator edge (lock point: half a period).
TEST_F(DetectorTest, JkDutyIsTimeFromReferenceToOscillatorEdge) {
    for (const double theta0 : {3.14159, 1.0, 6.0}) {
        auto& d = initModel(s, s.PdJk);
        const double duty = (kTwoPi - theta0) / kTwoPi;
        EXPECT_NEAR(meanOf(runOpenLoop(s, d, 4 * 10, theta0), 8, 32), 0.5f + 4.0f * duty, 1e-4);
    }
}

TEST_F(DetectorTest, JkCountsOscillatorEdgeWithinToleranceBeyondStep) {
    auto& d = s.ensureModel(s.PdJk);
    s.RefPeriodRecords[0].EdgeTime = {-1.0f, -1.0f, -1.0f, -1.0f};
    d.Init();
    d.State = 1;
    setStepPhase(s, 1, kTwoPi - 1.0, (1.0 - 0.004) * s.SimulnSamp / kTwoPi); // edge 0.004 rad late
    d.Step();
    EXPECT_EQ(d.State, 0);
    EXPECT_GT(s.Ud, 4.5f); // the high time reaches just past the step end
    d.Init();
    d.State = 1;
    setStepPhase(s, 1, kTwoPi - 1.0, (1.0 - 0.008) * s.SimulnSamp / kTwoPi); // beyond: next step's
    d.Step();
    EXPECT_EQ(d.State, 1);
    EXPECT_FLOAT_EQ(s.Ud, 4.5f);
}

TEST_F(DetectorTest, JkResetBeforeAndAfterSetInOneStep) {
    auto& d = initModel(s, s.PdJk); // reference low
    d.State = 1;
    s.RefPeriodRecords[0].EdgeTime = {0.1f, -1.0f, -1.0f, -1.0f}; // rising edge (set) at 0.1
    // Oscillator at 5x the reference, first edge at t = 0.025
    s.StepIndex = 1;
    s.Theta2Start = kTwoPi - 0.25 * kPi;
    s.Theta2End = s.Theta2Start + 0.25 * 5 * kTwoPi;
    d.Step();
    // Q=1: K1 at 0.025, J at 0.1, K2 at the first edge after 0.1 (t = 0.225).
    EXPECT_EQ(d.State, 0);
    const float high = (0.225f - 0.1f) + 0.025f;
    EXPECT_NEAR(s.Ud, 0.5f + 4.0f * high / 0.25f, 1e-4);
}

// Oscillator edges at 0.3 of every period. Starting in DOWN (frequency step) with the reference
// low, the rising reference edges at 0 close the DOWN pulses the oscillator edges open. Starting
// in UP (phase step) the reference is taken high, so its rising edges are those at mid-period and
// open UP pulses that the next oscillator edge (at 1.3) closes.
TEST_F(DetectorTest, PfdPulseTimesFollowEdgePairing) {
    s.rbConfigDPLLPFD = 1;
    s.SimuldphiRad = 0.5f;
    // (starts in UP, steady UP and DOWN time per period)
    for (const auto& [startUp, expectedUp, expectedDown] :
         {std::tuple{true, 0.8f, 0.0f}, std::tuple{false, 0.0f, 0.7f}}) {
        s.selectFlag(startUp ? FlagId::rbSimulphistep : FlagId::rbSimulfstep);
        auto& d = initModel(s, s.PdPfd);
        float up = 0;
        float down = 0;
        for (std::uint32_t k = 1; k <= 4 * 6; ++k) {
            setStepPhase(s, k, -0.3 * kTwoPi);
            d.Step();
            up += k > 4 ? s.TUp : 0;
            down += k > 4 ? s.TDown : 0;
        }
        EXPECT_NEAR(up / 5, expectedUp, 1e-5) << startUp;
        EXPECT_NEAR(down / 5, expectedDown, 1e-5) << startUp;
    }
}

// Frequency detection, whatever the phase: a slow oscillator gives mostly UP, a fast one mostly
// DOWN.
TEST_F(DetectorTest, PfdSignFollowsFrequencyError) {
    s.rbConfigDPLLPFD_CP = 1;
    for (const double ratio : {0.5, 0.8, 1.25, 3.0}) {
        auto& d = initModel(s, s.PdPfd);
        const auto ud = runOpenLoop(s, d, 4 * 40, 0.7, ratio);
        EXPECT_GT((meanOf(ud, 0, ud.size()) - 2.5f) * (ratio < 1 ? 1 : -1), 0.3f) << ratio;
    }
}

TEST_F(DetectorTest, PfdCountsOnlyFirstOscillatorEdgeOfAStep) {
    auto& d = initModel(s, s.PdPfd);
    d.State = 0;
    s.RefPeriodRecords[0].EdgeTime = {-1.0f, -1.0f, -1.0f, -1.0f};
    s.StepIndex = 1;
    s.Theta2Start = -0.1 * kTwoPi;             // first edge at 0.1/ratio
    s.Theta2End = s.Theta2Start + 10 * kTwoPi; // ten edges in the step
    d.Step();
    EXPECT_EQ(d.State, -1);
    EXPECT_NEAR(s.TDown, 0.25f - 0.0025f, 1e-5);
    EXPECT_GE(d.NextOscEdge, s.Theta2End);
    EXPECT_LT(d.NextOscEdge, s.Theta2End + kTwoPi);
}

} // namespace
} // namespace loopcraft
