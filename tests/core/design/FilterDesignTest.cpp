// Mixed-signal and ADPLL design: which fields each configuration designs and with what value,
// the correction loop of the worked example, and the ADPLL figures.
#include "core/design/FilterDesign.h"

#include "core/design/AdpllDesign.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace loopcraft {
namespace {

constexpr double kPi = 3.141592653589793;

// Sentinels that no design formula produces: a field left alone keeps its sentinel.
const FilterDesignState kSentinels{.tau1 = 1,
                                   .tau2 = 2,
                                   .tau3 = 3,
                                   .tau4 = 4,
                                   .tau5 = 5,
                                   .Ka = 3,
                                   .Kd = 0.8F,
                                   .Kp = 0.0003F,
                                   .K0 = 200000,
                                   .N = 2,
                                   .fs = 6,
                                   .zeta2 = 7,
                                   .C1 = 8};

// fd = 3 kHz: T = 1/(2π·fd) = 53.0516 µs. Fields a configuration does not design keep the
// sentinel (1..8 for tau1..C1, Ka 3).
struct StepRow {
    const char* name;
    int order;
    LoopFilter filter;
    bool chargePump;
    PoleKind poleKind;
    double tau1, tau2, tau3, tau4, tau5, fs, zeta2, C1, Ka;
};

class DesignStepTest : public testing::TestWithParam<StepRow> {};

TEST_P(DesignStepTest, WritesExactlyTheDesignedFields) {
    const StepRow& e = GetParam();
    FilterDesignState s = kSentinels;
    Configuration c;
    c.order = e.order;
    c.filter = e.filter;
    c.detector = e.chargePump ? Detector::PFD_CP : Detector::Mul;
    c.poleKind = e.poleKind;
    RunDesignStep(s, c, 3000.0F);
    const std::pair<float, double> fields[] = {
        {s.tau1, e.tau1}, {s.tau2, e.tau2},   {s.tau3, e.tau3}, {s.tau4, e.tau4}, {s.tau5, e.tau5},
        {s.fs, e.fs},     {s.zeta2, e.zeta2}, {s.C1, e.C1},     {s.Ka, e.Ka}};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        EXPECT_NEAR(fields[i].first, fields[i].second, fields[i].second * 2e-5) << "field " << i;
    }
}

constexpr auto Pas = LoopFilter::PassiveLL;
constexpr auto ALL = LoopFilter::ActiveLL;
constexpr auto API = LoopFilter::ActivePI;
constexpr auto Re = PoleKind::Real;
constexpr auto Cx = PoleKind::Complex;

INSTANTIATE_TEST_SUITE_P(
    EveryConfiguration, DesignStepTest,
    testing::Values(
        StepRow{"Order1", 1, ALL, false, Re, 1, 2, 3, 4, 5, 6, 7, 8, 3},
        StepRow{"PassiveVd2", 2, Pas, false, Re, 0.000172107, 5.30516e-05, 3, 4, 5, 6, 7, 8, 3},
        StepRow{"PassiveVd5", 5, Pas, false, Cx, 0.000182717, 3.99768e-05, 1.30749e-05, 2.12207e-06,
                4.24413e-07, 6, 7, 8, 3},
        StepRow{"PassiveVd4", 4, Pas, false, Re, 0.000182717, 3.99768e-05, 1.30749e-05, 2.12207e-06,
                5, 6, 7, 8, 3},
        StepRow{"ActiveLLVd3", 3, ALL, false, Re, 0.000530516, 4.24413e-05, 1.06103e-05, 4, 5, 6, 7,
                8, 2.35619},
        StepRow{"ActiveLLVd4Complex", 4, ALL, false, Cx, 0.000530516, 5.30516e-05, 3, 4, 5, 15000,
                0.707, 8, 2.35619},
        StepRow{"ActivePIVd4Real", 4, API, false, Re, 0.000225158, 5.30516e-05, 3, 1.06103e-05,
                2.12207e-06, 6, 7, 8, 3},
        StepRow{"ActivePIVd5Real", 5, API, false, Re, 0.000225158, 4.24413e-05, 1.06103e-05,
                2.12207e-06, 4.24413e-07, 6, 7, 8, 3},
        StepRow{"PassiveCp2", 2, Pas, true, Re, 1, 5.30516e-05, 3, 4, 5, 6, 7, 8.44343e-08, 3},
        StepRow{"PassiveCp5", 5, Pas, true, Cx, 1, 4.24413e-05, 1.06103e-05, 2.12207e-06,
                4.24413e-07, 6, 7, 8.44343e-08, 3},
        StepRow{"ActiveLLCp2", 2, ALL, true, Re, 0.000530516, 5.30516e-05, 3, 4, 5, 6, 7,
                8.44343e-07, 10},
        StepRow{"ActiveLLCp5Complex", 5, ALL, true, Cx, 0.000530516, 4.24413e-05, 1.06103e-05, 4, 5,
                75000, 0.707, 8.44343e-07, 10},
        StepRow{"ActivePICp3", 3, API, true, Re, 1, 4.24413e-05, 1.06103e-05, 4, 5, 6, 7,
                8.44343e-08, 3},
        StepRow{"ActivePICp4Real", 4, API, true, Re, 1, 5.30516e-05, 3, 1.06103e-05, 2.12207e-06, 6,
                7, 8.44343e-08, 3}),
    [](const testing::TestParamInfo<StepRow>& info) { return std::string(info.param.name); });

FilterDesignState defaultLoop() {
    FilterDesignState s;
    s.Kd = static_cast<float>(4.0 / kPi);
    s.K0 = 130000.0F;
    s.tau1 = 0.0005F;
    s.tau2 = 0.00005F;
    return s;
}

TEST(FilterDesignTest, WorkedExampleEndsAfterTwoCorrections) {
    FilterDesignState s = defaultLoop();
    const Configuration c;
    const auto first = RunDesignStep(s, c, 5000.0F);
    ASSERT_TRUE(first);
    EXPECT_NEAR(*first, 8553.0, 1.0);
    s = defaultLoop();
    const auto r = DesignForBandwidth(s, c, 5000.0F);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->corrections, 2);
    EXPECT_NEAR(r->designFrequency, 2845.0, 1.0);
    EXPECT_NEAR(r->achievedF3db, 5005.0, 1.0);
    EXPECT_NEAR(s.tau1, 0.000462, 0.0000005);
    EXPECT_NEAR(s.tau2, 0.0000559, 0.00000005);
}

TEST(FilterDesignTest, MaximumBandwidthOfTheDefaultLoop) {
    EXPECT_NEAR(MaximumF3db(defaultLoop()), 26343.5, 0.1);
    Configuration c;
    EXPECT_TRUE(HasMaximumF3db(c));
    c.detector = Detector::PFD_CP;
    EXPECT_FALSE(HasMaximumF3db(c));
    c.detector = Detector::PFD;
    c.filter = LoopFilter::ActivePI;
    EXPECT_FALSE(HasMaximumF3db(c));
    c.filter = LoopFilter::PassiveLL;
    c.order = 1;
    EXPECT_FALSE(HasMaximumF3db(c));
    EXPECT_EQ(MaximumF3dbWarning(26343.5F),
              "Maximum f3db frequency with this PLL is 26343.5 Hz.\r\n"
              "Note, however, that specifying the max value would\r\n"
              "result in a trivial loop filter, because the zero of\r\n"
              "of the filter would be cancelled by a pole.\r\n"
              "To get a reasonable filter, we recommend to specify\r\n"
              "an f3db of less than half the max value.");
}

TEST(AdpllDesignTest, DefaultsAndDetectors) {
    EXPECT_FLOAT_EQ(AdpllHoldRange(64, 8, 16, 100000.0F), 25000.0F);
    EXPECT_NEAR(AdpllF3db(64, 8, 16, 100000.0F, AdpllDetector::Exor), 15915.494, 0.01);
    EXPECT_NEAR(AdpllF3db(64, 8, 16, 100000.0F, AdpllDetector::JK), 7957.747, 0.01);
    // Hold range capped at f0/3.
    EXPECT_NEAR(AdpllHoldRange(128, 8, 16, 100000.0F), 33333.33, 0.01);
}

TEST(AdpllDesignTest, CounterMIsTheSmallestThatHoldsTheRange) {
    EXPECT_EQ(AdpllCounterM(25000.0F, 100000.0F), 64);
    EXPECT_EQ(AdpllCounterM(25001.0F, 100000.0F), 65);
    EXPECT_EQ(AdpllCounterM(1.0F, 100000.0F), 1);
    EXPECT_FALSE(AdpllCounterM(1e30F, 100000.0F));
    EXPECT_FALSE(AdpllCounterM(25000.0F, 0.0F));
}

} // namespace
} // namespace loopcraft
