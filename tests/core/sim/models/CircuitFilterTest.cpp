// The filter circuits as the simulation runs them: their equations against the loop model's
// filter functions, the interval solver against closed forms, and the clamped output.
#include "core/sim/models/CircuitFilter.h"

#include "CircuitTestInputs.h"
#include "core/design/LoopModel.h"
#include "core/schematic/FilterStateSpace.h"
#include "core/sim/SimState.h"
#include "core/sim/models/LF_ActiveLL.h"
#include "core/sim/models/LF_ActivePI.h"
#include "core/sim/models/LF_PassiveLL.h"
#include "core/sim/models/ModalSystem.h"

#include <cmath>
#include <complex>
#include <functional>
#include <gtest/gtest.h>
#include <numbers>
#include <string>

namespace loopcraft {
namespace {

using Cx = std::complex<double>;

// C (sI - A)^-1 B + D at s = jω, by elimination.
Cx transfer(const FilterStateSpace& ss, double omega) {
    const int n = ss.n;
    std::vector<Cx> m(static_cast<std::size_t>(n * (n + 1)));
    auto at = [&](int r, int c) -> Cx& { return m[static_cast<std::size_t>(r * (n + 1) + c)]; };
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c)
            at(r, c) = (r == c ? Cx(0, omega) : Cx(0)) - ss.A[static_cast<std::size_t>(r * n + c)];
        at(r, n) = ss.B[static_cast<std::size_t>(r)];
    }
    for (int c = 0; c < n; ++c) {
        int p = c;
        for (int r = c + 1; r < n; ++r)
            if (std::abs(at(r, c)) > std::abs(at(p, c)))
                p = r;
        for (int k = 0; k <= n; ++k)
            std::swap(at(c, k), at(p, k));
        for (int r = 0; r < n; ++r) {
            if (r == c)
                continue;
            const Cx f = at(r, c) / at(c, c);
            for (int k = c; k <= n; ++k)
                at(r, k) -= f * at(c, k);
        }
    }
    Cx y = ss.D;
    for (int r = 0; r < n; ++r)
        y += ss.C[static_cast<std::size_t>(r)] * at(r, n) / at(r, r);
    return y;
}

struct Design {
    ComponentInputs inputs;
    FilterDesignState state;
};

Design designFor(const Configuration& c) {
    Design d;
    d.inputs = testing::circuitTestInputs(c);
    const ComponentInputs& in = d.inputs;
    FilterDesignState& s = d.state;
    s.tau1 = in.tau1;
    s.tau2 = in.tau2;
    s.tau3 = in.tau3;
    s.tau4 = in.tau4;
    s.tau5 = in.tau5;
    s.Ka = in.Ka;
    s.fs = in.fs;
    s.zeta2 = in.zeta;
    s.C1 = in.C1;
    s.Kd = 1;
    s.Kp = 1;
    s.K0 = 1;
    s.N = 1;
    return d;
}

// Every circuit the simulation can run has the filter function the design and the Bode plot
// use: orders 2..5, all three filters, voltage and current drive, real and complex poles.
TEST(FilterStateSpace, EveryCircuitHasTheLoopModelsFilterFunction) {
    for (const Configuration& c :
         testing::circuitConfigurations({Detector::Exor, Detector::PFD_CP})) {
        const Design d = designFor(c);
        const FilterCircuit circuit = *filterCircuitFor(c);
        const auto ss = filterStateSpace(circuit, d.inputs, CalcComponentValues(d.inputs));
        const std::string name = circuit.file + (c.poleKind == PoleKind::Real ? " real" : "");
        ASSERT_TRUE(ss) << name;
        for (const float f : {300.0f, 3000.0f, 30000.0f}) {
            const Cx model = [&] {
                const Complex m = *FilterResponse(d.state, c, f);
                return Cx(m.re, m.im);
            }();
            const Cx circuitGain =
                transfer(*ss, 2 * std::numbers::pi * f) * (circuit.inverting ? -1.0 : 1.0);
            EXPECT_LT(std::abs(circuitGain - model), 2e-4 * std::abs(model))
                << name << " at " << f << " Hz: " << circuitGain << " vs " << model;
        }
    }
}

// A tri-state detector between its pulses: R1 carries nothing, so the passive filter's
// capacitors keep their charge (an integrator) and only C3 shares charge through R2.
TEST(FilterStateSpace, OpenSourceLeavesTheNetworkToItself) {
    Configuration c;
    c.order = 3;
    c.detector = Detector::PFD;
    const Design d = designFor(c);
    const auto ss =
        filterStateSpace(*filterCircuitFor(c), d.inputs, CalcComponentValues(d.inputs), false);
    ASSERT_TRUE(ss);
    ASSERT_EQ(ss->n, 2);
    for (const double b : ss->B)
        EXPECT_EQ(b, 0.0);
    const auto modes = ModalSystem::fromStateSpace(*ss);
    ASSERT_TRUE(modes);
    // C1 holds its charge; C3 shares it with nothing but R2 and decays with tau3.
    ASSERT_EQ(modes->modes(), 1);
    EXPECT_NEAR(modes->eigenvalue(0).real(), -1 / d.inputs.tau3, 1e-6 / d.inputs.tau3);
    FilterStateVector x{0.7, 0.2};
    const ModalInterval r = modes->advance(x, 1.0, d.inputs.tau3);
    EXPECT_EQ(x[0], 0.7);
    EXPECT_NEAR(x[1], 0.2 * std::exp(-1.0), 1e-8); // R2·C3 in float
    EXPECT_NEAR(r.yEnd, 0.7 + 0.2 * std::exp(-1.0), 1e-8);
}

// Every filter of orders 3..5 (and the charge pump into the active lead-lag at order 2) runs
// as its circuit with the default design, whatever the detector and the poles.
TEST(CircuitFilter, EveryConfigurationSetsUpItsCircuit) {
    for (const FlagId order : {FlagId::rbConfigPLLOrder2, FlagId::rbConfigPLLOrder3,
                               FlagId::rbConfigPLLOrder4, FlagId::rbConfigPLLOrder5})
        for (const FlagId detector :
             {FlagId::rbConfigLPLLMul, FlagId::rbConfigDPLLPFD, FlagId::rbConfigDPLLPFD_CP})
            for (const FlagId poles :
                 {FlagId::rbFiltDesignRealPoles, FlagId::rbFiltDesignComplexPoles}) {
                SimState s;
                s.selectFlag(order);
                s.selectFlag(detector);
                s.selectFlag(poles);
                s.SimulfRef = s.Simulf0;
                s.UMid = 2.5f;
                const bool higher = order != FlagId::rbConfigPLLOrder2;
                const std::string name = std::to_string(static_cast<int>(order)) + "/" +
                                         std::to_string(static_cast<int>(poles)) + "/" +
                                         std::to_string(static_cast<int>(detector));
                LF_PassiveLL& passive = s.ensureModel(s.LfPassiveLL);
                passive.Init();
                EXPECT_EQ(passive.Circuit.has_value(), higher) << name;
                LF_ActiveLL& leadLag = s.ensureModel(s.LfActiveLL);
                leadLag.Init();
                EXPECT_EQ(leadLag.Circuit.has_value(),
                          higher || detector == FlagId::rbConfigDPLLPFD_CP)
                    << name;
                LF_ActivePI& pi = s.ensureModel(s.LfActivePI);
                pi.Init();
                EXPECT_EQ(pi.Circuit.has_value(), higher) << name;
            }
}

// At the op-amp's output limit only the output stops: the pump's charge stays on the
// capacitors, so as much charge pumped back returns the filter to where it started.
TEST(CircuitFilter, OutputLimitKeepsThePumpsCharge) {
    SimState s;
    s.selectFlag(FlagId::rbConfigPLLOrder3);
    s.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    s.selectFlag(FlagId::rbConfigActivePI);
    s.SimulfRef = s.Simulf0;
    s.UMid = 2.5f;
    LF_ActivePI& pi = s.ensureModel(s.LfActivePI);
    pi.Init();
    ASSERT_TRUE(pi.Circuit);
    auto steps = [&](float up, float down, int count) {
        for (int k = 0; k < count; ++k) {
            s.TUp = up;
            s.TDown = down;
            pi.Step(s);
        }
    };
    steps(0.25f, 0, 400); // UP for whole steps: far beyond the limit
    EXPECT_EQ(s.Uf, s.ConfigLFSatP);
    steps(0.1f, 0, 3); // still held there by the stored charge
    EXPECT_EQ(s.Uf, s.ConfigLFSatP);
    steps(0, 0.1f, 3);
    steps(0, 0.25f, 400);
    EXPECT_EQ(s.Uf, s.ConfigLFSatN);
    steps(0, 0, 200); // C3 shares its last charge through R2
    EXPECT_NEAR(s.Uf, s.UMid, 1e-4);
}

// The charge pump into the active lead-lag: the pump's current splits between R1 and the
// input stage (R1 with C1), which relaxes with tau1 during and between the pulses; the op-amp
// integrates the stage current. A steady mean current I therefore settles at I·R1·Ka, the
// filter's gain at DC, for any Ka and Kp (the old stage, ten times the pump current and frozen
// between the pulses, held the op-amp at its rail whatever they were).
TEST(CircuitFilter, PumpIntoActiveLeadLagSettlesAtItsDcGain) {
    for (const float ka : {10.0f, 100.0f})
        for (const float kp : {0.08e-3f, 0.32e-3f}) {
            SimState s;
            s.selectFlag(FlagId::rbConfigDPLLPFD_CP);
            s.selectFlag(FlagId::rbConfigActiveLL);
            s.SimulfRef = s.Simulf0;
            s.UMid = 2.5f;
            s.FiltDesignKa = ka;
            s.ConfigKp = kp;
            LF_ActiveLL& ll = s.ensureModel(s.LfActiveLL);
            ll.Init();
            ASSERT_TRUE(ll.Circuit);
            const double duty = 5e-5; // of each step
            const double mean = duty * kp * 2 * std::numbers::pi;
            const double r1 = s.FiltDesignTau1 / (s.SchemaC1Val * 1e-9);
            const int steps = static_cast<int>(20 * s.FiltDesignTau1 * s.SimulfRef * s.SimulnSamp);
            s.TUp = static_cast<float>(duty / s.SimulnSamp);
            s.TDown = 0;
            double average = 0;
            for (int k = 0; k < steps; ++k) {
                ll.Step(s);
                if (k >= steps - 100)
                    average += (s.Uf - s.UMid) / 100.0;
            }
            EXPECT_NEAR(average, mean * r1 * ka, 2e-3 * mean * r1 * ka)
                << "Ka " << ka << ", Kp " << kp;
        }
}

FilterStateSpace space(int n, std::vector<double> a, std::vector<double> b, std::vector<double> c,
                       double d) {
    FilterStateSpace ss;
    ss.n = n;
    ss.A = std::move(a);
    ss.B = std::move(b);
    ss.C = std::move(c);
    ss.D = d;
    return ss;
}

// Closed forms of the unit-step responses (output and its integral) of the sections a filter is
// made of, and the same state whether an interval is taken in one piece or in 4 or 16.
TEST(ModalSystem, StepResponsesMatchClosedForms) {
    struct Case {
        const char* name;
        FilterStateSpace ss;
        std::function<double(double)> y;
        // Coinciding eigenvalues are moved apart a little (see ModalSystem), which moves the
        // response by a few parts in a million and costs digits.
        double piecesTolerance = 1e-9;
        double closedFormTolerance = 2e-7;
    };
    const double tau = 20e-6;
    const double w = 2 * std::numbers::pi * 30000;
    const double zeta = 0.4;
    const double wd = w * std::sqrt(1 - zeta * zeta);
    const double R = 5000;
    const double C = 10e-9;
    const std::vector<Case> cases = {
        {"RC stage", space(1, {-1 / tau}, {1 / tau}, {1}, 0),
         [=](double t) { return 1 - std::exp(-t / tau); }},
        {"integrator with series resistor (R2 + C driven by a current)",
         space(1, {0}, {1 / C}, {1}, R), [=](double t) { return R + t / C; }},
        {"complex poles", space(2, {0, 1, -w * w, -2 * zeta * w}, {0, w * w}, {1, 0}, 0),
         [=](double t) {
             return 1 -
                    std::exp(-zeta * w * t) *
                        (std::cos(wd * t) + zeta / std::sqrt(1 - zeta * zeta) * std::sin(wd * t));
         }},
        {"critically damped (real poles tau4 = tau5)",
         space(2, {0, 1, -w * w, -2 * w}, {0, w * w}, {1, 0}, 0),
         [=](double t) { return 1 - (1 + w * t) * std::exp(-w * t); }, 1e-6},
        {"two equal RC stages in a row",
         space(2, {-1 / tau, 0, 1 / tau, -1 / tau}, {1 / tau, 0}, {0, 1}, 0),
         [=](double t) { return 1 - (1 + t / tau) * std::exp(-t / tau); }, 1e-6, 2e-5},
    };
    for (const Case& c : cases) {
        auto modes = ModalSystem::fromStateSpace(c.ss);
        ASSERT_TRUE(modes) << c.name;
        for (const double t : {1e-6, 13e-6, 70e-6}) {
            FilterStateVector x{};
            const ModalInterval r = modes->advance(x, 1.0, t);
            const double scale = std::max(1.0, std::fabs(c.y(t)));
            EXPECT_NEAR(r.yEnd, c.y(t), c.closedFormTolerance * scale) << c.name << " t=" << t;
            // The integral by Simpson's rule on a fine grid.
            double integral = 0;
            const int n = 2000;
            for (int i = 0; i <= n; ++i) {
                const double weight = i == 0 || i == n ? 1 : (i % 2 ? 4 : 2);
                integral += weight * c.y(t * i / n);
            }
            integral *= t / n / 3;
            EXPECT_NEAR(r.yIntegral, integral, c.closedFormTolerance * scale * t)
                << c.name << " t=" << t;
            for (const int pieces : {4, 16}) {
                FilterStateVector xp{};
                ModalInterval piece;
                double sum = 0;
                for (int i = 0; i < pieces; ++i) {
                    piece = modes->advance(xp, 1.0, t / pieces);
                    sum += piece.yIntegral;
                }
                for (int k = 0; k < modes->size(); ++k)
                    EXPECT_NEAR(xp[static_cast<std::size_t>(k)], x[static_cast<std::size_t>(k)],
                                c.piecesTolerance * (1 + std::fabs(x[static_cast<std::size_t>(k)])))
                        << c.name << " in " << pieces;
                EXPECT_NEAR(sum, r.yIntegral, c.piecesTolerance * scale * t)
                    << c.name << " in " << pieces;
            }
            modes->cacheStep(t);
            FilterStateVector xc{};
            const ModalInterval cached = modes->advanceStep(xc, 1.0);
            EXPECT_NEAR(cached.yEnd, r.yEnd, 1e-9 * scale) << c.name;
            EXPECT_NEAR(cached.yIntegral, r.yIntegral, 1e-9 * scale * t) << c.name;
            // A pulse over part of the cached step, then nothing: as the two intervals.
            for (const double share : {1e-4, 0.3, 0.97}) {
                FilterStateVector a{0.25, -0.5};
                FilterStateVector b = a;
                const ModalInterval whole = modes->pulseStep(a, 1.0, share * t);
                const ModalInterval first = modes->advance(b, 1.0, share * t);
                const ModalInterval second = modes->advance(b, 0.0, (1 - share) * t);
                for (int k = 0; k < modes->size(); ++k)
                    EXPECT_NEAR(a[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(k)],
                                c.piecesTolerance * (1 + std::fabs(b[static_cast<std::size_t>(k)])))
                        << c.name << " pulse " << share;
                EXPECT_NEAR(whole.yIntegral, first.yIntegral + second.yIntegral,
                            c.piecesTolerance * scale * t)
                    << c.name << " pulse " << share;
                // The rest of the step from the step's exponentials.
                FilterStateVector rest = b;
                const ModalInterval fromStep = modes->advanceRest(rest, share * t);
                const ModalInterval direct = modes->advance(b, 0.0, (1 - share) * t);
                for (int k = 0; k < modes->size(); ++k)
                    EXPECT_NEAR(rest[static_cast<std::size_t>(k)], b[static_cast<std::size_t>(k)],
                                c.piecesTolerance * (1 + std::fabs(b[static_cast<std::size_t>(k)])))
                        << c.name << " rest after " << share;
                EXPECT_NEAR(fromStep.yIntegral, direct.yIntegral, c.piecesTolerance * scale * t)
                    << c.name << " rest after " << share;
            }
        }
    }
}

// The cached step of the run loop works through the transition by columns, two rows at a time,
// and must add in the same order as the row-by-row product it stands for: that keeps every
// recorded run to the bit. Sizes 1 to 7 cover an odd last row and the padding of the pairs; the
// states beyond the network's size are left alone.
TEST(ModalSystem, CachedStepAddsAsTheRowByRowProduct) {
    for (int n = 1; n <= kMaxFilterStates; ++n) {
        // RC stages in a row, each with its own time constant, the last fed back to the first.
        std::vector<double> a(static_cast<std::size_t>(n * n), 0.0);
        std::vector<double> b(static_cast<std::size_t>(n), 0.0);
        std::vector<double> c(static_cast<std::size_t>(n), 0.0);
        for (int i = 0; i < n; ++i) {
            const double tau = 10e-6 * (1 + 0.37 * i);
            a[static_cast<std::size_t>(i * n + i)] -= 1 / tau;
            if (i > 0)
                a[static_cast<std::size_t>(i * n + i - 1)] = 1 / tau;
            c[static_cast<std::size_t>(i)] = 0.5 + 0.1 * i;
        }
        if (n > 1)
            a[static_cast<std::size_t>(n - 1)] = -0.2 / 10e-6;
        b[0] = 1 / 10e-6;
        auto modes = ModalSystem::fromStateSpace(space(n, a, b, c, 0.05));
        ASSERT_TRUE(modes) << n << " states";
        modes->cacheStep(2.45e-6);
        const auto& phi = modes->stepTransition();
        const auto& gamma = modes->stepInput();
        const auto& row = modes->stepIntegralRow();
        FilterStateVector x{0.3, -0.7, 1.1, 0.05, -2.0, 0.9, -0.4};
        for (int k = n; k < kMaxFilterStates; ++k)
            x[static_cast<std::size_t>(k)] = 100.0 + k;
        for (const double u : {1.0, -0.35, 0.0, 2.5}) {
            FilterStateVector expected = x;
            double integral = 0;
            for (std::size_t r = 0; r < static_cast<std::size_t>(n); ++r) {
                double v = gamma[r] * u;
                for (std::size_t k = 0; k < static_cast<std::size_t>(n); ++k)
                    v += phi[r][k] * x[k];
                expected[r] = v;
                integral += row[r] * x[r];
            }
            integral += modes->stepIntegralInput() * u;
            const ModalInterval step = modes->advanceStep(x, u);
            for (std::size_t k = 0; k < kMaxFilterStates; ++k)
                EXPECT_EQ(x[k], expected[k]) << n << " states, u " << u << ", state " << k;
            EXPECT_EQ(step.yIntegral, integral) << n << " states, u " << u;
        }
    }
}

} // namespace
} // namespace loopcraft
