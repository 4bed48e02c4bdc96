// Mixed-signal and ADPLL design: which fields each configuration designs and with what value,
// the correction loop of the worked example, and the ADPLL figures.
#include "core/design/FilterDesign.h"

#include "core/design/AdpllDesign.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace loopcraft {
namespace {

constexpr double kPi = 3.141592653589793;

// Sentinels that no design formula produces: a field left alone keeps its sentinel.
FilterDesignState sentinelState() {
    FilterDesignState s;
    s.Kd = 0.8F;
    s.Kp = 0.0003F;
    s.K0 = 200000.0F;
    s.N = 2;
    s.Ka = 3.0F;
    s.tau1 = 1.0F;
    s.tau2 = 2.0F;
    s.tau3 = 3.0F;
    s.tau4 = 4.0F;
    s.tau5 = 5.0F;
    s.fs = 6.0F;
    s.zeta2 = 7.0F;
    s.C1 = 8.0F;
    return s;
}

// Expected design for fd, in double, with the fields a row does not set left at the sentinel.
struct Expect {
    double tau1 = 1, tau2 = 2, tau3 = 3, tau4 = 4, tau5 = 5, fs = 6, zeta2 = 7, C1 = 8, Ka = 3;
};

struct StepRow {
    const char* name;
    int order;
    LoopFilter filter;
    bool chargePump;
    PoleKind poleKind;
    // T = 1/ω, L = K0·Kd/(ω²·N), Lc = K0·Kp/(ω²·N), fd, ω
    std::function<void(Expect&, double T, double L, double Lc, double fd, double w)> fill;
};

class DesignStepTest : public testing::TestWithParam<StepRow> {};

TEST_P(DesignStepTest, WritesExactlyTheDesignedFields) {
    const StepRow& row = GetParam();
    FilterDesignState s = sentinelState();
    Configuration c;
    c.order = row.order;
    c.filter = row.filter;
    c.detector = row.chargePump ? Detector::PFD_CP : Detector::Mul;
    c.poleKind = row.poleKind;
    const double fd = 3000.0;
    const double w = 2 * kPi * fd;
    const double T = 1.0 / w;
    const double L = 200000.0 * 0.8 / (w * w * 2.0);
    const double Lc = 200000.0 * 0.0003 / (w * w * 2.0);
    Expect e;
    row.fill(e, T, L, Lc, fd, w);
    RunDesignStep(s, c, static_cast<float>(fd));
    const auto near = [](double actual, double expected, const char* field) {
        EXPECT_NEAR(actual, expected, std::abs(expected) * 2e-5) << field;
    };
    near(s.tau1, e.tau1, "tau1");
    near(s.tau2, e.tau2, "tau2");
    near(s.tau3, e.tau3, "tau3");
    near(s.tau4, e.tau4, "tau4");
    near(s.tau5, e.tau5, "tau5");
    near(s.fs, e.fs, "fs");
    near(s.zeta2, e.zeta2, "zeta2");
    near(s.C1, e.C1, "C1");
    near(s.Ka, e.Ka, "Ka");
}

using E = Expect;
const auto kaVd = [](double w) { return 10.0 * 2 * w / (200000.0 * 0.8); };

INSTANTIATE_TEST_SUITE_P(
    EveryConfiguration, DesignStepTest,
    testing::Values(StepRow{"Order1", 1, LoopFilter::ActiveLL, false, PoleKind::Real,
                            [](E&, double, double, double, double, double) {}},
                    StepRow{"PassiveVd2", 2, LoopFilter::PassiveLL, false, PoleKind::Real,
                            [](E& e, double T, double L, double, double, double) {
                                e.tau1 = L - T;
                                e.tau2 = T;
                            }},
                    StepRow{"PassiveVd5", 5, LoopFilter::PassiveLL, false, PoleKind::Complex,
                            [](E& e, double T, double L, double, double, double) {
                                const double a = 0.2 * T;
                                e.tau1 = L + a - T;
                                e.tau2 = T - L * a / (L + a - T);
                                e.tau3 = T - e.tau2;
                                e.tau4 = 0.2 * a;
                                e.tau5 = 0.2 * e.tau4;
                            }},
                    StepRow{"PassiveVd4", 4, LoopFilter::PassiveLL, false, PoleKind::Real,
                            [](E& e, double T, double L, double, double, double) {
                                const double a = 0.2 * T;
                                e.tau1 = L + a - T;
                                e.tau2 = T - L * a / (L + a - T);
                                e.tau3 = T - e.tau2;
                                e.tau4 = 0.2 * a;
                            }},
                    StepRow{"ActiveLLVd3", 3, LoopFilter::ActiveLL, false, PoleKind::Real,
                            [](E& e, double T, double, double, double, double w) {
                                e.tau1 = 10 * T;
                                e.tau2 = 0.8 * T;
                                e.tau3 = 0.2 * T;
                                e.Ka = kaVd(w);
                            }},
                    StepRow{"ActiveLLVd4Complex", 4, LoopFilter::ActiveLL, false, PoleKind::Complex,
                            [](E& e, double T, double, double, double fd, double w) {
                                e.tau1 = 10 * T;
                                e.tau2 = T;
                                e.Ka = kaVd(w);
                                e.fs = 5 * fd;
                                e.zeta2 = 0.707;
                            }},
                    StepRow{"ActivePIVd4Real", 4, LoopFilter::ActivePI, false, PoleKind::Real,
                            [](E& e, double T, double L, double, double, double) {
                                e.tau1 = L;
                                e.tau2 = T;
                                e.tau4 = 0.2 * T;
                                e.tau5 = 0.04 * T;
                            }},
                    StepRow{"ActivePIVd5Real", 5, LoopFilter::ActivePI, false, PoleKind::Real,
                            [](E& e, double T, double L, double, double, double) {
                                e.tau1 = L;
                                e.tau2 = 0.8 * T;
                                e.tau3 = 0.2 * T;
                                e.tau4 = 0.04 * T;
                                e.tau5 = 0.008 * T;
                            }},
                    StepRow{"PassiveCp2", 2, LoopFilter::PassiveLL, true, PoleKind::Real,
                            [](E& e, double T, double, double Lc, double, double) {
                                e.C1 = Lc;
                                e.tau2 = T;
                            }},
                    StepRow{"PassiveCp5", 5, LoopFilter::PassiveLL, true, PoleKind::Complex,
                            [](E& e, double T, double, double Lc, double, double) {
                                e.C1 = Lc;
                                e.tau2 = 0.8 * T;
                                e.tau3 = 0.2 * T;
                                e.tau4 = 0.04 * T;
                                e.tau5 = 0.008 * T;
                            }},
                    StepRow{"ActiveLLCp2", 2, LoopFilter::ActiveLL, true, PoleKind::Real,
                            [](E& e, double T, double, double Lc, double, double) {
                                e.Ka = 10;
                                e.tau1 = 10 * T;
                                e.C1 = 10 * Lc;
                                e.tau2 = T;
                            }},
                    StepRow{"ActiveLLCp5Complex", 5, LoopFilter::ActiveLL, true, PoleKind::Complex,
                            [](E& e, double T, double, double Lc, double fd, double) {
                                e.Ka = 10;
                                e.tau1 = 10 * T;
                                e.C1 = 10 * Lc;
                                e.tau2 = 0.8 * T;
                                e.tau3 = 0.2 * T;
                                e.fs = 25 * fd;
                                e.zeta2 = 0.707;
                            }},
                    StepRow{"ActivePICp3", 3, LoopFilter::ActivePI, true, PoleKind::Real,
                            [](E& e, double T, double, double Lc, double, double) {
                                e.C1 = Lc;
                                e.tau2 = 0.8 * T;
                                e.tau3 = 0.2 * T;
                            }},
                    StepRow{"ActivePICp4Real", 4, LoopFilter::ActivePI, true, PoleKind::Real,
                            [](E& e, double T, double, double Lc, double, double) {
                                e.C1 = Lc;
                                e.tau2 = T;
                                e.tau4 = 0.2 * T;
                                e.tau5 = 0.04 * T;
                            }}),
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

TEST(FilterDesignTest, GeneralNotationSwitchesToExponentForm) {
    EXPECT_EQ(formatGeneral(4704.5678, 6), "4704.57");
    EXPECT_EQ(formatGeneral(26343.5, 6), "26343.5");
    EXPECT_EQ(formatGeneral(1234567.0, 6), "1.23457e+06");
    EXPECT_EQ(formatGeneral(0.00001234, 6), "1.234e-05");
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
