// The loop transfer model: worked examples, every configuration's factors and phase terms, and
// the bounded searches.
#include "core/design/LoopModel.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <limits>
#include <string>
#include <vector>

namespace loopcraft {
namespace {

constexpr double kPi = 3.141592653589793;

// Default configuration: order 2, Exor, passive lead-lag, VCO.
FilterDesignState defaultState() {
    FilterDesignState s;
    s.Kd = static_cast<float>(4.0 / kPi);
    s.K0 = 130000.0F;
    s.N = 1;
    s.tau1 = 0.0005F;
    s.tau2 = 0.00005F;
    s.tau3 = 0.000005F;
    s.tau4 = 0.000001F;
    s.tau5 = 0.000001F;
    s.fs = 20000.0F;
    s.zeta2 = 0.707F;
    s.Kp = 0.00016F;
    s.C1 = 10e-9F;
    s.Ka = 10.0F;
    return s;
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

// One row of the pole/zero table: the zero's time constant and the pole factors by name
// ("12" = tau1 + tau2, "A"/"B" = the two roots of the passive third-order denominator, "Q" = the
// section-2 quadratic).
struct FactorRow {
    int order;
    LoopFilter filter;
    bool chargePump;
    PoleKind poleKind;
    const char* zero;  // "2" or "23"
    const char* poles; // e.g. "AB4"
};

std::string rowName(const testing::TestParamInfo<FactorRow>& info) {
    const FactorRow& r = info.param;
    const char* f = r.filter == LoopFilter::PassiveLL  ? "Passive"
                    : r.filter == LoopFilter::ActiveLL ? "ActiveLL"
                                                       : "ActivePI";
    return "Order" + std::to_string(r.order) + f + (r.chargePump ? "CP" : "VD") +
           (r.poleKind == PoleKind::Real ? "Real" : "Cplx");
}

class LoopFactorTest : public testing::TestWithParam<FactorRow> {
protected:
    // Distinct values so that any swapped time constant, gain or pole shows.
    static FilterDesignState state() {
        FilterDesignState s;
        s.Kd = 0.9F;
        s.Kp = 0.0002F;
        s.K0 = 150000.0F;
        s.N = 3;
        s.Ka = 7.0F;
        s.tau1 = 0.0005F;
        s.tau2 = 0.00005F;
        s.tau3 = 0.000007F;
        s.tau4 = 0.000002F;
        s.tau5 = 0.0000013F;
        s.fs = 30000.0F;
        s.zeta2 = 0.6F;
        s.C1 = 20e-9F;
        return s;
    }
};

TEST_P(LoopFactorTest, GainAndPhaseFollowTheFactorTable) {
    const FactorRow& row = GetParam();
    const FilterDesignState s = state();
    const Configuration c = config(row.order, row.chargePump ? Detector::PFD_CP : Detector::JK,
                                   row.filter, row.poleKind);
    const double nf = s.N;
    const double s3 = double(s.tau1) + s.tau2 + s.tau3;
    const double tauA = (s3 + std::sqrt(s3 * s3 - 4.0 * double(s.tau1) * s.tau3)) / 2.0;
    const double tauB = double(s.tau1) * s.tau3 / tauA;

    for (double f : {10.0, 900.0, 12000.0, 30000.0, 250000.0}) {
        const double w = 2.0 * kPi * f;
        const std::complex<double> jw(0.0, w);
        std::complex<double> a;
        double phi0 = 0.0;
        const double k0 = s.K0;
        if (row.filter == LoopFilter::PassiveLL) {
            a = row.chargePump ? k0 * s.Kp / (-w * w * s.C1 * nf) : k0 * s.Kd / (jw * nf);
            phi0 = row.chargePump ? kPi : kPi / 2;
        } else if (row.filter == LoopFilter::ActiveLL) {
            a = row.chargePump ? k0 * s.Kp * s.Ka * s.tau1 / (jw * double(s.C1) * nf)
                               : k0 * s.Kd * s.Ka / (jw * nf);
            phi0 = kPi / 2;
        } else {
            a = row.chargePump ? k0 * s.Kp / (-w * w * s.C1 * nf)
                               : k0 * s.Kd / (-w * w * nf * s.tau1);
            phi0 = kPi;
        }
        const double tz = std::string(row.zero) == "2" ? s.tau2 : double(s.tau2) + s.tau3;
        std::complex<double> g = a * (1.0 + jw * tz);
        double phase = std::atan(w * tz) - phi0;
        const std::string poles = row.poles;
        for (std::size_t i = 0; i < poles.size(); ++i) {
            double tau = 0.0;
            switch (poles[i]) {
            case '1':
                if (i + 1 < poles.size() && poles[i + 1] == '2') {
                    tau = double(s.tau1) + s.tau2;
                    ++i;
                } else {
                    tau = s.tau1;
                }
                break;
            case '3':
                tau = s.tau3;
                break;
            case '4':
                tau = s.tau4;
                break;
            case '5':
                tau = s.tau5;
                break;
            case 'A':
                tau = tauA;
                break;
            case 'B':
                tau = tauB;
                break;
            case 'Q': {
                const double ws = 2.0 * kPi * s.fs;
                const std::complex<double> q(1.0 - (w / ws) * (w / ws), 2.0 * s.zeta2 * w / ws);
                g /= q;
                phase -= std::atan2(q.imag(), q.real());
                continue;
            }
            default:
                FAIL() << "bad table entry";
            }
            g /= (1.0 + jw * tau);
            phase -= std::atan(w * tau);
        }
        const LoopResponse r = EvaluateLoop(s, c, static_cast<float>(f));
        const double tol = 2e-5 * std::abs(g) + 1e-12;
        EXPECT_NEAR(r.openLoop.re, g.real(), tol) << "f=" << f;
        EXPECT_NEAR(r.openLoop.im, g.imag(), tol) << "f=" << f;
        EXPECT_NEAR(r.openLoopPhase, phase, 2e-5) << "f=" << f;
        // The analytic phase agrees with the complex value up to whole turns.
        const double turns = (r.openLoopPhase - std::arg(g)) / (2.0 * kPi);
        EXPECT_NEAR(turns, std::round(turns), 1e-4) << "f=" << f;
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllMixedSignalConfigurations, LoopFactorTest,
    testing::Values(FactorRow{2, LoopFilter::PassiveLL, false, PoleKind::Complex, "2", "12"},
                    FactorRow{2, LoopFilter::PassiveLL, true, PoleKind::Complex, "2", ""},
                    FactorRow{2, LoopFilter::ActiveLL, false, PoleKind::Complex, "2", "1"},
                    FactorRow{2, LoopFilter::ActiveLL, true, PoleKind::Complex, "2", "1"},
                    FactorRow{2, LoopFilter::ActivePI, false, PoleKind::Complex, "2", ""},
                    FactorRow{2, LoopFilter::ActivePI, true, PoleKind::Complex, "2", ""},
                    FactorRow{3, LoopFilter::PassiveLL, false, PoleKind::Complex, "23", "AB"},
                    FactorRow{3, LoopFilter::PassiveLL, true, PoleKind::Complex, "23", "3"},
                    FactorRow{3, LoopFilter::ActiveLL, false, PoleKind::Complex, "23", "13"},
                    FactorRow{3, LoopFilter::ActiveLL, true, PoleKind::Complex, "23", "13"},
                    FactorRow{3, LoopFilter::ActivePI, false, PoleKind::Complex, "23", "3"},
                    FactorRow{3, LoopFilter::ActivePI, true, PoleKind::Complex, "23", "3"},
                    FactorRow{4, LoopFilter::PassiveLL, false, PoleKind::Complex, "23", "AB4"},
                    FactorRow{4, LoopFilter::PassiveLL, false, PoleKind::Real, "23", "AB4"},
                    FactorRow{4, LoopFilter::PassiveLL, true, PoleKind::Complex, "23", "34"},
                    FactorRow{4, LoopFilter::PassiveLL, true, PoleKind::Real, "23", "34"},
                    FactorRow{4, LoopFilter::ActiveLL, false, PoleKind::Real, "2", "145"},
                    FactorRow{4, LoopFilter::ActiveLL, false, PoleKind::Complex, "2", "1Q"},
                    FactorRow{4, LoopFilter::ActiveLL, true, PoleKind::Real, "2", "145"},
                    FactorRow{4, LoopFilter::ActiveLL, true, PoleKind::Complex, "2", "1Q"},
                    FactorRow{4, LoopFilter::ActivePI, false, PoleKind::Real, "2", "45"},
                    FactorRow{4, LoopFilter::ActivePI, false, PoleKind::Complex, "2", "Q"},
                    FactorRow{4, LoopFilter::ActivePI, true, PoleKind::Real, "2", "45"},
                    FactorRow{4, LoopFilter::ActivePI, true, PoleKind::Complex, "2", "Q"},
                    FactorRow{5, LoopFilter::PassiveLL, false, PoleKind::Complex, "23", "AB45"},
                    FactorRow{5, LoopFilter::PassiveLL, true, PoleKind::Real, "23", "345"},
                    FactorRow{5, LoopFilter::ActiveLL, false, PoleKind::Real, "23", "1345"},
                    FactorRow{5, LoopFilter::ActiveLL, false, PoleKind::Complex, "23", "13Q"},
                    FactorRow{5, LoopFilter::ActiveLL, true, PoleKind::Real, "23", "1345"},
                    FactorRow{5, LoopFilter::ActiveLL, true, PoleKind::Complex, "23", "13Q"},
                    FactorRow{5, LoopFilter::ActivePI, false, PoleKind::Real, "23", "345"},
                    FactorRow{5, LoopFilter::ActivePI, false, PoleKind::Complex, "23", "3Q"},
                    FactorRow{5, LoopFilter::ActivePI, true, PoleKind::Real, "23", "345"},
                    FactorRow{5, LoopFilter::ActivePI, true, PoleKind::Complex, "23", "3Q"}),
    rowName);

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

TEST(LoopModelTest, ComplexPoleFactorAtItsOwnFrequency) {
    FilterDesignState s = defaultState();
    s.K0 = 0.0F; // only the phase matters
    const Configuration c = config(4, Detector::Exor, LoopFilter::ActivePI, PoleKind::Complex);
    const float phase = EvaluateLoop(s, c, s.fs).openLoopPhase;
    const double w = 2 * kPi * s.fs;
    EXPECT_NEAR(phase, std::atan(w * s.tau2) - kPi - kPi / 2, 1e-5);
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

// Natural frequency and damping: one row per distinct formula, with values that make every
// gain, time constant and the divider ratio count.
struct DampingRow {
    const char* name;
    int order;
    Detector detector;
    LoopFilter filter;
    double (*omegaN)(const FilterDesignState&);
    double (*zeta)(const FilterDesignState&, double wn);
};

class DampingTest : public testing::TestWithParam<DampingRow> {};

TEST_P(DampingTest, NaturalFrequencyAndDamping) {
    const DampingRow& row = GetParam();
    FilterDesignState s;
    s.Kd = 0.9F;
    s.Kp = 0.0002F;
    s.K0 = 150000.0F;
    s.N = 3;
    s.Ka = 7.0F;
    s.tau1 = 0.0005F;
    s.tau2 = 0.00005F;
    s.tau3 = 0.000007F;
    s.C1 = 20e-9F;
    const Configuration c = config(row.order, row.detector, row.filter);
    const double wn = row.omegaN(s);
    s.omegaN = ComputeNaturalFrequency(s, c);
    EXPECT_NEAR(s.omegaN, wn, wn * 1e-6 + 1e-9);
    const double z = row.zeta(s, s.omegaN);
    EXPECT_NEAR(ComputeDampingFactor(s, c), z, z * 1e-5 + 1e-9);
}

double t23(const FilterDesignState& s) {
    return double(s.tau2) + s.tau3;
}

INSTANTIATE_TEST_SUITE_P(
    EveryFormula, DampingTest,
    testing::Values(
        DampingRow{"Order1", 1, Detector::Mul, LoopFilter::ActiveLL,
                   [](const FilterDesignState&) { return 0.0; },
                   [](const FilterDesignState&, double) { return 0.0; }},
        DampingRow{"PassiveExor2", 2, Detector::Exor, LoopFilter::PassiveLL,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kd / (3.0 * (double(s.tau1) + s.tau2)));
                   },
                   [](const FilterDesignState& s, double wn) {
                       return (3.0 / (double(s.K0) * s.Kd) + s.tau2) * wn / 2;
                   }},
        DampingRow{"PassivePfd3", 3, Detector::PFD, LoopFilter::PassiveLL,
                   [](const FilterDesignState& s) {
                       const double s3 = double(s.tau1) + s.tau2 + s.tau3;
                       const double tauA = (s3 + std::sqrt(s3 * s3 - 4.0 * s.tau1 * s.tau3)) / 2;
                       return std::sqrt(double(s.K0) * s.Kd / (3.0 * tauA));
                   },
                   [](const FilterDesignState& s, double wn) { return wn * s.tau2 / 2; }},
        DampingRow{"ActiveLLMul4", 4, Detector::Mul, LoopFilter::ActiveLL,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kd * s.Ka / (3.0 * s.tau1));
                   },
                   [](const FilterDesignState& s, double wn) {
                       return (3.0 / (double(s.K0) * s.Kd * s.Ka) + s.tau2) * wn / 2;
                   }},
        DampingRow{"ActiveLLPfd2", 2, Detector::PFD, LoopFilter::ActiveLL,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kd * s.Ka / (3.0 * s.tau1));
                   },
                   [](const FilterDesignState& s, double wn) { return wn * s.tau2 / 2; }},
        DampingRow{"ActivePIJK5", 5, Detector::JK, LoopFilter::ActivePI,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kd / (3.0 * s.tau1));
                   },
                   [](const FilterDesignState& s, double wn) { return wn * s.tau2 / 2; }},
        DampingRow{"PassiveCp2", 2, Detector::PFD_CP, LoopFilter::PassiveLL,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kp / (3.0 * s.C1));
                   },
                   [](const FilterDesignState& s, double wn) { return wn * s.tau2 / 2; }},
        DampingRow{"PassiveCp4", 4, Detector::PFD_CP, LoopFilter::PassiveLL,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kp / (3.0 * s.C1));
                   },
                   [](const FilterDesignState& s, double wn) { return t23(s) * wn / 2; }},
        DampingRow{"ActiveLLCp4", 4, Detector::PFD_CP, LoopFilter::ActiveLL,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kp * s.Ka / (3.0 * s.C1));
                   },
                   [](const FilterDesignState& s, double wn) {
                       return 1.0 / (2 * wn * s.tau1) + wn * s.tau2 / 2;
                   }},
        DampingRow{"ActiveLLCp3", 3, Detector::PFD_CP, LoopFilter::ActiveLL,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kp * s.Ka / (3.0 * s.C1));
                   },
                   [](const FilterDesignState& s, double wn) {
                       return t23(s) * wn / 2 + 1.0 / (2 * wn * s.tau1);
                   }},
        DampingRow{"ActivePICp2", 2, Detector::PFD_CP, LoopFilter::ActivePI,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kp / (3.0 * s.C1));
                   },
                   [](const FilterDesignState& s, double wn) { return wn * s.tau2 / 2; }},
        DampingRow{"ActivePICp5", 5, Detector::PFD_CP, LoopFilter::ActivePI,
                   [](const FilterDesignState& s) {
                       return std::sqrt(double(s.K0) * s.Kp / (3.0 * s.C1));
                   },
                   [](const FilterDesignState& s, double wn) { return t23(s) * wn / 2; }}),
    [](const testing::TestParamInfo<DampingRow>& info) { return std::string(info.param.name); });

} // namespace
} // namespace loopcraft
