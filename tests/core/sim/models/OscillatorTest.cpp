#include "SimModelTestSupport.h"
#include "core/sim/models/OSC_ID_Counter.h"
#include "core/sim/models/OSC_VCO.h"
#include "core/sim/models/OSC_VCO_N.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <utility>

namespace loopcraft {
namespace {

using namespace loopcraft::testing;

class OscillatorTest : public ::testing::Test {
protected:
    void SetUp() override { prepareState(s, 4, 1); } // K0 130000 rad/s/V, limits 0.5 .. 4.5 V
    // Phase advance of one step of `osc` at control voltage uf.
    template <class Osc> double advance(Osc& osc, float uf) {
        s.Uf = uf;
        s.Theta2End = 10.0;
        osc.Step();
        EXPECT_DOUBLE_EQ(s.Theta2Start, 10.0);
        return s.Theta2End - s.Theta2Start;
    }
    double stepOf(double omega) const { return omega / (s.SimulnSamp * s.SimulfRef); }
    SimState s;
};

// The control voltage is clamped to the VCO's limits; the scaler model divides a VCO at N f0
// back to the same output frequency. Far below its range the VCO keeps 1 % of its centre.
TEST_F(OscillatorTest, FrequencyFollowsClampedControlVoltage) {
    for (const auto& [uf, clamped] :
         {std::pair{3.0f, 3.0f}, std::pair{7.0f, 4.5f}, std::pair{-3.0f, 0.5f}}) {
        const double omega = (clamped - 2.5) * 130000.0 + 2 * 3.14159 * 100000.0;
        s.ConfigK0 = 130000.0f;
        EXPECT_NEAR(advance(s.ensureModel(s.OscVco), uf), stepOf(omega), 1e-6) << uf;
        s.ConfigN = 8;
        s.ConfigK0 = 8 * 130000.0f;
        EXPECT_NEAR(advance(s.ensureModel(s.OscVcoN), uf), stepOf(omega), 1e-6) << uf;
    }
    s.ConfigK0 = 1.0e7f;
    const double minimum = stepOf(3.14159 * 0.02 * 100000.0);
    EXPECT_NEAR(advance(s.ensureModel(s.OscVco), 0.5f), minimum, 1e-6);
    s.ConfigN = 4;
    EXPECT_NEAR(advance(s.ensureModel(s.OscVcoN), 0.5f), minimum, 1e-6);
}

TEST_F(OscillatorTest, DividerStepActsFromTheFirstStep) {
    s.ConfigN = 4;
    auto& vcoN = s.ensureModel(s.OscVcoN);
    const double centre = advance(vcoN, 2.5f);
    s.selectFlag(FlagId::rbSimulNstep);
    s.SimuldN = 1;
    EXPECT_NEAR(advance(vcoN, 2.5f), centre * 4.0 / 5.0, 1e-6);
    s.SimuldN = 0;
    EXPECT_DOUBLE_EQ(advance(vcoN, 2.5f), centre);
}

// --- DCO -------------------------------------------------------------------------------------

class DcoTest : public OscillatorTest {
protected:
    // Clocks the DCO `clocks` times; KCarry / KBorrow are high during [from, from + 3) of each
    // listed start clock. Returns the clocks of the rising output edges.
    std::vector<int> run(int clocks, std::vector<int> carries = {}, std::vector<int> borrows = {}) {
        auto& dco = initModel(s, s.OscIdCounter);
        s.U2RiseSeen = false;
        const auto within = [](const std::vector<int>& starts, int c) {
            return std::any_of(starts.begin(), starts.end(),
                               [c](int st) { return c >= st && c < st + 3; });
        };
        std::vector<int> rises;
        for (int c = 0; c < clocks; ++c) {
            s.KCarry = within(carries, c);
            s.KBorrow = within(borrows, c);
            s.StepIndex = static_cast<std::uint32_t>(c);
            s.TIDClock = 0;
            s.U2Edge = false;
            const int before = s.U2Bit;
            dco.Step();
            EXPECT_EQ(s.U2Edge, before != s.U2Bit);
            if (before == 0 && s.U2Bit == 1) {
                rises.push_back(c);
                EXPECT_DOUBLE_EQ(s.TLastU2Rise, c);
            }
        }
        return rises;
    }
};

// The output runs at the clock over 2N; an odd ratio is high for the lower half of the count.
TEST_F(DcoTest, FreeRunningOutputIsClockOverTwoN) {
    for (const int n : {16, 5}) {
        s.FiltDesignN = n;
        const auto rises = run(20 * n);
        ASSERT_GE(rises.size(), 3u);
        for (std::size_t i = 1; i < rises.size(); ++i)
            EXPECT_EQ(rises[i] - rises[i - 1], 2 * n) << "N = " << n;
    }
    int high = 0;
    for (int c = 0; c < 100; ++c) { // ten output periods at N = 5
        s.OscIdCounter->Step();
        high += s.U2Bit;
    }
    EXPECT_EQ(high, 10 * 2 * 2); // 2 of 5 counts, each count lasting two clocks
}

// The divider starts so that its first rising edge comes a quarter (EXOR) or half (JK) output
// period after the start: the lock point of each detector.
TEST_F(DcoTest, FirstRisingEdgeSitsAtTheDetectorsLockPoint) {
    s.FiltDesignN = 16;
    EXPECT_EQ(run(64)[0], 8);
    s.selectFlag(FlagId::rbConfigADPLLJK);
    EXPECT_EQ(run(64)[0], 16);
}

TEST_F(DcoTest, CarryInsertsAndBorrowDeletesOneCount) {
    s.FiltDesignN = 16;
    const auto base = run(400);
    const auto inserted = run(400, {40, 150});
    const auto deleted = run(400, {}, {40});
    ASSERT_EQ(base.size(), inserted.size());
    ASSERT_EQ(base.size(), deleted.size());
    // Each pulse moves every later edge by one clock: half a count, since the toggle flip-flop
    // lets only every second clock count.
    EXPECT_EQ(inserted[0], base[0]);
    EXPECT_EQ(inserted[3], base[3] - 1);
    EXPECT_EQ(inserted.back(), base.back() - 2);
    EXPECT_EQ(deleted.back(), base.back() + 1);
    EXPECT_EQ(run(400, {40}, {150}).back(), base.back()); // one of each: back on the grid
}

TEST_F(DcoTest, SimultaneousCarryAndBorrowPulsesHoldTheToggle) {
    auto& dco = s.ensureModel(s.OscIdCounter);
    for (const bool t : {false, true}) {
        dco.Init();
        dco.Current.CarryPulse = true;
        dco.Current.BorrowPulse = true;
        dco.Current.T = t;
        dco.Step();
        EXPECT_EQ(dco.Current.T, t);
        EXPECT_EQ(dco.CountEnable, !t);
    }
}

} // namespace
} // namespace loopcraft
