// The loop transfer model: worked examples, every configuration's factors and phase terms, and
// the bounded searches.
#include "core/design/LoopModel.h"

#include "../DistinctDesignState.h"
#include "core/base/ParameterSet.h"
#include "core/design/FilterDesignState.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <tuple>

namespace loopcraft {
namespace {

constexpr double kPi = 3.141592653589793;

// The values the design window opens with: order 2, Exor, passive lead-lag, VCO.
FilterDesignState defaultState() {
    return FilterDesignState::fromParameters(ParameterSet{}, Configuration{});
}

Configuration config(int order, Detector d, LoopFilter f, PoleKind pk = PoleKind::Complex) {
    Configuration c;
    c.order = order;
    c.detector = d;
    c.filter = f;
    c.poleKind = pk;
    return c;
}

TEST(LoopModelTest, DefaultLoopAtOneKilohertz) {
    const FilterDesignState s = defaultState();
    const Configuration c;
    const LoopResponse r = EvaluateLoop(s, c, 1000.0F);
    EXPECT_NEAR(r.openLoop.re, -6.395, 0.002);
    EXPECT_NEAR(r.openLoop.im, -4.245, 0.002);
    EXPECT_NEAR(r.openLoopMagSq, 58.91, 0.02);
    EXPECT_NEAR(r.openLoopPhase, -2.5555, 0.0005);
    const std::complex<double> g(r.openLoop.re, r.openLoop.im);
    const std::complex<double> h = g / (1.0 + g);
    EXPECT_NEAR(r.closedLoop.re, h.real(), 1e-5);
    EXPECT_NEAR(r.closedLoop.im, h.imag(), 1e-5);
    EXPECT_NEAR(r.closedLoopMagSq, std::norm(h), 1e-5);
    EXPECT_NEAR(r.closedLoopPhase, r.openLoopPhase - std::atan2(g.imag(), g.real() + 1.0), 1e-5);
}

TEST(LoopModelTest, DefaultLoopFigures) {
    FilterDesignState s = defaultState();
    const Configuration c;
    const auto f3db = Find3dBFrequency(s, c);
    ASSERT_TRUE(f3db);
    EXPECT_LE(*f3db, 4705.0 * 1.0005);
    EXPECT_GE(*f3db, 4705.0 * (1 - 0.0023 - 0.0005));
    const auto fc = FindGainCrossover(s, c);
    ASSERT_TRUE(fc);
    EXPECT_LE(*fc, 3310.0 * 1.0005);
    EXPECT_GE(*fc, 3310.0 * (1 - 0.0023 - 0.0005));
    EXPECT_NEAR(PhaseMarginDeg(s, c, *fc), 51.1, 0.1);
    s.omegaN = ComputeNaturalFrequency(s, c);
    EXPECT_NEAR(s.omegaN, 17348.0, 2.0);
    EXPECT_NEAR(ComputeDampingFactor(s, c), 0.486, 0.0005);
}

// One row per mixed-signal configuration: |G|² and phase at 900 Hz and at fs = 30 kHz. The comment
// names the zero's and the poles' time constants ("12" = tau1 + tau2, "A"/"B" = the roots of the
// passive third-order denominator, "Q" = the section-2 quadratic); rows that share them agree.
struct FactorRow {
    int order;
    LoopFilter filter;
    bool chargePump;
    PoleKind poleKind;
    double magSqLow, phaseLow, magSqFs, phaseFs;
};

class LoopFactorTest : public testing::TestWithParam<FactorRow> {};

const FilterDesignState& kDistinct = test::kDistinctDesign;

TEST_P(LoopFactorTest, GainAndPhaseOfTheConfiguration) {
    const FactorRow& row = GetParam();
    const Configuration c = config(row.order, row.chargePump ? Detector::PFD_CP : Detector::JK,
                                   row.filter, row.poleKind);
    for (auto [f, magSq, phase] : {std::tuple{900.0F, row.magSqLow, row.phaseLow},
                                   std::tuple{30000.0F, row.magSqFs, row.phaseFs}}) {
        const LoopResponse r = EvaluateLoop(kDistinct, c, f);
        EXPECT_NEAR(r.openLoopMagSq, magSq, magSq * 2e-5) << "f=" << f;
        EXPECT_NEAR(r.openLoopPhase, phase, 2e-5) << "f=" << f;
        // The unwrapped phase agrees with the complex value up to whole turns.
        const double turns =
            (r.openLoopPhase - std::atan2(r.openLoop.im, r.openLoop.re)) / (2 * kPi);
        EXPECT_NEAR(turns, std::round(turns), 1e-4) << "f=" << f;
    }
}

constexpr auto Pas = LoopFilter::PassiveLL;
constexpr auto ALL = LoopFilter::ActiveLL;
constexpr auto API = LoopFilter::ActivePI;
constexpr auto Re = PoleKind::Real;
constexpr auto Cx = PoleKind::Complex;

INSTANTIATE_TEST_SUITE_P(
    AllMixedSignalConfigurations, LoopFactorTest,
    testing::Values(
        FactorRow{2, Pas, false, Cx, 6.40747, -2.55496, 0.000476276, -1.66686}, // 2/12
        FactorRow{2, Pas, true, Cx, 264.029, -2.86604, 0.0177885, -1.6765},     // 2/-
        FactorRow{2, ALL, false, Cx, 372.569, -2.52609, 0.0282379, -1.66589},   // 2/1
        FactorRow{2, ALL, true, Cx, 11499, -2.52609, 0.871539, -1.66589},       // 2/1
        FactorRow{2, API, false, Cx, 8.55454, -2.86604, 0.000576348, -1.6765},  // 2/-
        FactorRow{2, API, true, Cx, 264.029, -2.86604, 0.0177885, -1.6765},     // 2/-
        FactorRow{3, Pas, false, Cx, 6.52727, -2.55496, 0.000252902, -2.52925}, // 23/AB
        FactorRow{3, Pas, true, Cx, 269.462, -2.86934, 0.00841249, -2.58587},   // 23/3
        FactorRow{3, ALL, false, Cx, 380.236, -2.5294, 0.0133542, -2.57526},    // 23/13
        FactorRow{3, ALL, true, Cx, 11735.7, -2.5294, 0.412166, -2.57526},      // 23/13
        FactorRow{3, API, false, Cx, 8.73058, -2.86934, 0.000272565, -2.58587}, // 23/3
        FactorRow{3, API, true, Cx, 269.462, -2.86934, 0.00841249, -2.58587},   // 23/3
        FactorRow{4, Pas, false, Cx, 6.52644, -2.56627, 0.000221432, -2.88977}, // 23/AB4
        FactorRow{4, Pas, false, Re, 6.52644, -2.56627, 0.000221432, -2.88977}, // 23/AB4
        FactorRow{4, Pas, true, Cx, 269.428, -2.88065, 0.00736566, -2.94639},   // 23/34
        FactorRow{4, Pas, true, Re, 269.428, -2.88065, 0.00736566, -2.94639},   // 23/34
        FactorRow{4, ALL, false, Re, 372.501, -2.54475, 0.0233235, -2.26672},   // 2/145
        FactorRow{4, ALL, false, Cx, 372.756, -2.56211, 0.0196096, -3.23669},   // 2/1Q
        FactorRow{4, ALL, true, Re, 11496.9, -2.54475, 0.719862, -2.26672},     // 2/145
        FactorRow{4, ALL, true, Cx, 11504.8, -2.56211, 0.605235, -3.23669},     // 2/1Q
        FactorRow{4, API, false, Re, 8.55298, -2.8847, 0.000476044, -2.27733},  // 2/45
        FactorRow{4, API, false, Cx, 8.55884, -2.90206, 0.000400241, -3.2473},  // 2/Q
        FactorRow{4, API, true, Re, 263.981, -2.8847, 0.0146927, -2.27733},     // 2/45
        FactorRow{4, API, true, Cx, 264.162, -2.90206, 0.0123531, -3.2473},     // 2/Q
        FactorRow{5, Pas, false, Cx, 6.52608, -2.57362, 0.000208888, -3.13008}, // 23/AB45
        FactorRow{5, Pas, true, Re, 269.413, -2.888, 0.00694843, -3.1867},      // 23/345
        FactorRow{5, ALL, false, Re, 380.167, -2.54806, 0.0110301, -3.17609},   // 23/1345
        FactorRow{5, ALL, false, Cx, 380.427, -2.56541, 0.00927372, -4.14606},  // 23/13Q
        FactorRow{5, ALL, true, Re, 11733.5, -2.54806, 0.340435, -3.17609},     // 23/1345
        FactorRow{5, ALL, true, Cx, 11741.6, -2.56541, 0.286226, -4.14606},     // 23/13Q
        FactorRow{5, API, false, Re, 8.729, -2.888, 0.000225129, -3.1867},      // 23/345
        FactorRow{5, API, false, Cx, 8.73498, -2.90536, 0.000189281, -4.15667}, // 23/3Q
        FactorRow{5, API, true, Re, 269.413, -2.888, 0.00694843, -3.1867},      // 23/345
        FactorRow{5, API, true, Cx, 269.598, -2.90536, 0.00584201, -4.15667}),  // 23/3Q
    [](const testing::TestParamInfo<FactorRow>& info) {
        const FactorRow& r = info.param;
        return "Order" + std::to_string(r.order) +
               (r.filter == Pas   ? "Passive"
                : r.filter == ALL ? "ActiveLL"
                                  : "ActivePI") +
               (r.chargePump ? "CP" : "VD") + (r.poleKind == Re ? "Real" : "Cplx");
    });

// Order 1 is a pure integrator for every detector and filter; the divider ratio divides.
TEST(LoopModelTest, OrderOneIsAnIntegratorForEveryDetector) {
    FilterDesignState s = defaultState();
    s.N = 4;
    for (Detector d :
         {Detector::Mul, Detector::Exor, Detector::JK, Detector::PFD, Detector::PFD_CP}) {
        for (LoopFilter lf : {LoopFilter::PassiveLL, LoopFilter::ActiveLL, LoopFilter::ActivePI}) {
            const Configuration c = config(1, d, lf);
            const LoopResponse r = EvaluateLoop(s, c, 2000.0F);
            const double mag = double(s.K0) * s.Kd / (2 * kPi * 2000.0 * 4.0);
            EXPECT_FLOAT_EQ(r.openLoop.re, 0.0F);
            EXPECT_NEAR(r.openLoop.im, -mag, mag * 1e-6);
            EXPECT_FLOAT_EQ(r.openLoopPhase, static_cast<float>(-kPi / 2));
            const auto f3db = Find3dBFrequency(s, c);
            ASSERT_TRUE(f3db);
            const double expected = double(s.K0) * s.Kd / (2 * kPi * 4.0);
            EXPECT_NEAR(*f3db, expected, expected * 1e-5);
        }
    }
}

TEST(LoopModelTest, AdpllIntegratorGainByDetector) {
    FilterDesignState s;
    s.M = 64;
    s.K = 8;
    s.Nadpll = 16;
    s.f0adpll = 100000.0F;
    Configuration c;
    c.category = Category::Adpll;
    c.order = 3; // ignored
    for (auto [det, kadpll] :
         {std::pair{AdpllDetector::Exor, 100000.0}, std::pair{AdpllDetector::JK, 50000.0}}) {
        c.adpllDetector = det;
        const LoopResponse r = EvaluateLoop(s, c, 1000.0F);
        EXPECT_NEAR(r.openLoop.im, -kadpll / (2 * kPi * 1000.0), 1e-3);
        EXPECT_FLOAT_EQ(r.openLoopPhase, static_cast<float>(-kPi / 2));
        const auto f3db = Find3dBFrequency(s, c);
        ASSERT_TRUE(f3db);
        EXPECT_NEAR(*f3db, kadpll / (2 * kPi), 0.1);
    }
}

TEST(LoopModelTest, PhaseIsNotWrappedAtHighFrequency) {
    FilterDesignState s = defaultState();
    const Configuration c = config(5, Detector::JK, LoopFilter::ActivePI, PoleKind::Real);
    const LoopResponse r = EvaluateLoop(s, c, 5e6F);
    EXPECT_LT(r.openLoopPhase, -3.0 * kPi / 2.0 - 0.3);
}

// The searches' coarse start: above the threshold at 1 Hz it climbs, below it descends.
TEST(LoopModelTest, SearchesWorkFromBothSidesOfOneHertz) {
    FilterDesignState s = defaultState();
    const Configuration c = config(1, Detector::Mul, LoopFilter::PassiveLL);
    s.Kd = 1.0F;
    for (double k : {2e-4, 3e7}) { // crossings at 0.032 mHz-ish and 4.8 MHz
        s.K0 = static_cast<float>(k);
        const auto fc = FindGainCrossover(s, c);
        ASSERT_TRUE(fc);
        const double expected = k / (2 * kPi);
        EXPECT_NEAR(*fc, expected, expected * 1e-5);
    }
}

TEST(LoopModelTest, SearchesReportNoCrossingInsteadOfHanging) {
    FilterDesignState s = defaultState();
    Configuration c = config(1, Detector::Mul, LoopFilter::PassiveLL);
    s.K0 = 0.0F; // zero gain never reaches either threshold
    EXPECT_FALSE(FindGainCrossover(s, c));
    EXPECT_FALSE(Find3dBFrequency(s, c));
    s = defaultState();
    s.K0 = std::numeric_limits<float>::quiet_NaN();
    c = Configuration{};
    EXPECT_FALSE(FindGainCrossover(s, c));
    EXPECT_FALSE(Find3dBFrequency(s, c));
    s.K0 = std::numeric_limits<float>::infinity();
    EXPECT_FALSE(Find3dBFrequency(s, c));
}

// Natural frequency and damping: one row per distinct formula, on the distinct state above so that
// every gain, time constant and the divider ratio counts.
struct DampingRow {
    const char* name;
    int order;
    Detector detector;
    LoopFilter filter;
    double omegaN, zeta;
};

class DampingTest : public testing::TestWithParam<DampingRow> {};

TEST_P(DampingTest, NaturalFrequencyAndDamping) {
    const DampingRow& row = GetParam();
    FilterDesignState s = kDistinct;
    const Configuration c = config(row.order, row.detector, row.filter);
    s.omegaN = ComputeNaturalFrequency(s, c);
    EXPECT_NEAR(s.omegaN, row.omegaN, row.omegaN * 1e-6 + 1e-9);
    EXPECT_NEAR(ComputeDampingFactor(s, c), row.zeta, row.zeta * 1e-5 + 1e-9);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormula, DampingTest,
    testing::Values(DampingRow{"Order1", 1, Detector::Mul, ALL, 0, 0},
                    DampingRow{"PassiveExor2", 2, Detector::Exor, Pas, 9045.34, 0.3266373},
                    DampingRow{"PassivePfd3", 3, Detector::PFD, Pas, 9486.833, 0.2703747},
                    DampingRow{"ActiveLLPfd3", 3, Detector::PFD, ALL, 25099.8, 0.7153443},
                    DampingRow{"ActiveLLMul4", 4, Detector::Mul, ALL, 25099.8, 0.667336},
                    DampingRow{"ActiveLLPfd2", 2, Detector::PFD, ALL, 25099.8, 0.627495},
                    DampingRow{"ActivePIJK5", 5, Detector::JK, API, 9486.833, 0.2371708},
                    DampingRow{"PassiveCp2", 2, Detector::PFD_CP, Pas, 22360.68, 0.559017},
                    DampingRow{"PassiveCp4", 4, Detector::PFD_CP, Pas, 22360.68, 0.6372793},
                    DampingRow{"ActiveLLCp4", 4, Detector::PFD_CP, ALL, 59160.8, 1.495923},
                    DampingRow{"ActiveLLCp3", 3, Detector::PFD_CP, ALL, 59160.8, 1.702986},
                    DampingRow{"ActivePICp2", 2, Detector::PFD_CP, API, 22360.68, 0.559017},
                    DampingRow{"ActivePICp5", 5, Detector::PFD_CP, API, 22360.68, 0.6372793}),
    [](const testing::TestParamInfo<DampingRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace loopcraft
