// The voltage PFD into the passive and active lead-lag filters: the detector floats while it
// idles, so the filters integrate. The loop model's form per order against the closed forms of
// the circuits; the averaged circuit (the detector as a current source behind R1) through
// ngspice; and the design meeting its bandwidth at every order.
#include "../ConfigFlagsSupport.h"
#include "../DistinctDesignState.h"
#include "../NgspiceSupport.h"
#include "core/design/DesignSession.h"
#include "core/design/LoopModel.h"
#include "core/schematic/SpiceDeck.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <unistd.h>
#include <vector>

namespace loopcraft {
namespace {

using cd = std::complex<double>;
constexpr auto Pas = LoopFilter::PassiveLL;
constexpr auto ALL = LoopFilter::ActiveLL;

Configuration pfdConfig(int order, LoopFilter filter, PoleKind poles) {
    Configuration c;
    c.order = order;
    c.detector = Detector::PFD;
    c.filter = filter;
    c.poleKind = poles;
    return c;
}

const FilterDesignState& kState = test::kDistinctDesign;

// The filter of each circuit with its detector averaged over a reference period, for Kd = 1.
// Order 2: the pulses see R1 + R2 into C1. With C3 across R2 (passive orders 3..5, active
// orders 3 and 5) only R1, and C3 with R2 adds a pole. Behind that the buffered RC stages of the
// passive filter or section 2 of the active ones.
cd expectedFilter(const FilterDesignState& s, const Configuration& c, double f) {
    const cd jw(0.0, 2.0 * std::numbers::pi * f);
    const double t1 = s.tau1, t2 = s.tau2, t3 = s.tau3, t4 = s.tau4, t5 = s.tau5;
    const bool c3 = c.order != 2 && !(c.order == 4 && c.filter == ALL);
    cd h = c3 ? (1.0 + jw * (t2 + t3)) / (jw * t1 * (1.0 + jw * t3)) : (1.0 + jw * t2) / (jw * t1);
    if (c.filter == Pas) {
        if (c.order == 2) {
            h = (1.0 + jw * t2) / (jw * (t1 + t2));
        }
        if (c.order >= 4) {
            h /= 1.0 + jw * t4;
        }
        if (c.order == 5) {
            h /= 1.0 + jw * t5;
        }
        return h;
    }
    h *= static_cast<double>(s.Ka);
    if (c.order >= 4) {
        if (c.poleKind == PoleKind::Real) {
            h /= (1.0 + jw * t4) * (1.0 + jw * t5);
        } else {
            const cd r = jw / (2.0 * std::numbers::pi * s.fs);
            h /= 1.0 + 2.0 * static_cast<double>(s.zeta2) * r + r * r;
        }
    }
    return h;
}

struct FormCase {
    int order;
    LoopFilter filter;
    PoleKind poles;
};

std::string formName(const FormCase& c) {
    return std::string(c.filter == Pas ? "Passive" : "ActiveLL") + "Order" +
           std::to_string(c.order) + (c.poles == PoleKind::Real ? "Real" : "");
}

// Passive orders 2..5, active orders 2..5 with either pole kind where section 2 exists.
std::vector<FormCase> formCases() {
    std::vector<FormCase> all;
    for (int order = 2; order <= 5; ++order) {
        all.push_back({order, Pas, PoleKind::Complex});
        all.push_back({order, ALL, PoleKind::Complex});
        if (order >= 4) {
            all.push_back({order, ALL, PoleKind::Real});
        }
    }
    return all;
}

class PfdLeadLagForm : public testing::TestWithParam<FormCase> {};

// The filter function, the open loop built on it and the summed phase, from well below the zero
// to above the last pole.
TEST_P(PfdLeadLagForm, IntegratesAsTheFloatingDetectorMakesIt) {
    const Configuration c = pfdConfig(GetParam().order, GetParam().filter, GetParam().poles);
    for (const double f : {40.0, 900.0, 6000.0, 30000.0, 200000.0}) {
        const cd want = expectedFilter(kState, c, f);
        const auto filter = FilterResponse(kState, c, static_cast<float>(f));
        ASSERT_TRUE(filter);
        EXPECT_LT(std::abs(cd(filter->re, filter->im) - want) / std::abs(want), 2e-5)
            << "f=" << f << " model " << filter->re << "," << filter->im << " want " << want;

        const LoopResponse r = EvaluateLoop(kState, c, static_cast<float>(f));
        const cd g = want * static_cast<double>(kState.K0) * static_cast<double>(kState.Kd) /
                     (cd(0.0, 2.0 * std::numbers::pi * f) * static_cast<double>(kState.N));
        EXPECT_LT(std::abs(cd(r.openLoop.re, r.openLoop.im) - g) / std::abs(g), 2e-5) << f;
        // Two integrators: the phase starts near −π and is the complex value's up to turns.
        const double turns = (r.openLoopPhase - std::arg(g)) / (2 * std::numbers::pi);
        EXPECT_NEAR(turns, std::round(turns), 1e-4) << f;
        if (f == 40.0) {
            EXPECT_NEAR(r.openLoopPhase, -std::numbers::pi, 0.1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(OrdersTwoToFive, PfdLeadLagForm, testing::ValuesIn(formCases()),
                         [](const auto& info) { return formName(info.param); });

// The figures follow the integrating form: ωn² = K0·Kd(·Ka)/(N·T) with T the integrator's time
// constant, ζ = ωn·(zero)/2.
TEST(PfdLeadLagFigures, NaturalFrequencyAndDampingOfEveryOrder) {
    const double k = double(kState.K0) * kState.Kd / kState.N;
    for (const FormCase& fc : formCases()) {
        FilterDesignState s = kState;
        const Configuration c = pfdConfig(fc.order, fc.filter, fc.poles);
        const double t = fc.filter == Pas && fc.order == 2 ? double(s.tau1) + s.tau2 : s.tau1;
        const double wn = std::sqrt(k * (fc.filter == ALL ? s.Ka : 1.0F) / t);
        const bool c3 = fc.order != 2 && !(fc.order == 4 && fc.filter == ALL);
        const double zero = c3 ? double(s.tau2) + s.tau3 : s.tau2;
        s.omegaN = ComputeNaturalFrequency(s, c);
        EXPECT_NEAR(s.omegaN, wn, wn * 1e-6) << formName(fc);
        EXPECT_NEAR(ComputeDampingFactor(s, c), wn * zero / 2, 1e-5) << formName(fc);
    }
}

// The default loop with the voltage PFD and this filter, designed for `f3db` as the design
// window does it.
ParameterSet designedFor(const FormCase& fc, const char* f3db, DesignOutcome* outcome = nullptr) {
    ParameterSet params;
    test::selectMixedSignal(params, fc.order, fc.filter, false, fc.poles);
    params.selectFlag(FlagId::rbConfigDPLLPFD);
    DesignSession session(params);
    session.PrepareDesignWindow();
    session.window().entry(DesignField::LDPLLf3db) = f3db;
    const DesignOutcome o = session.CalcFilterParams();
    EXPECT_TRUE(o.ok) << (o.message ? o.message->text : std::string());
    if (outcome != nullptr) {
        *outcome = o;
    }
    return params;
}

// The loop as the design leaves it (time constants as the entries show them) has the bandwidth
// asked for, within the design's ±1 %, and the damping its zero and natural frequency give.
TEST(PfdLeadLagDesign, MeetsTheBandwidthAtEveryOrder) {
    for (const FormCase& fc : formCases()) {
        for (const char* f3db : {"5000", "1250"}) {
            DesignOutcome o;
            const ParameterSet params = designedFor(fc, f3db, &o);
            const Configuration c = Configuration::fromFlags(params);
            ASSERT_EQ(c.detector, Detector::PFD);
            const auto f = Find3dBFrequency(FilterDesignState::fromParameters(params, c), c);
            ASSERT_TRUE(f) << formName(fc);
            const double want = std::atof(f3db);
            EXPECT_NEAR(*f, want, want * 0.01) << formName(fc) << " at " << f3db;
            ASSERT_TRUE(o.figures.zeta);
            EXPECT_NEAR(*o.figures.zeta, 0.5, 0.005) << formName(fc) << " at " << f3db;
        }
    }
}

// The averaged circuit: the detector and R1 replaced by a current source into the net R1 feeds,
// 1 A standing for Kd·θ/R (R = R1, or R1 + R2 for the passive order 2 without C3).
FilterCircuit averagedDetector(const FilterCircuit& voltageDriven) {
    FilterCircuit c = voltageDriven;
    const CircuitPart* r1 = c.part("R1");
    const std::string fed = r1->nodes[1];
    std::erase_if(c.parts, [](const CircuitPart& p) {
        return p.name == "R1" || p.kind == PartKind::VoltageSource;
    });
    c.chargePump = true;
    c.input = fed;
    c.parts.insert(c.parts.begin(), {PartKind::CurrentSource, "Icp", {}, {}, {fed, c.ground}});
    return c;
}

class PfdLeadLagCircuit : public testing::TestWithParam<FormCase> {};

// The designed circuit, averaged, in ngspice's AC analysis against the loop model's filter: the
// third pole of C3 with R2, the buffered stages and section 2 as the circuit has them.
TEST_P(PfdLeadLagCircuit, NgspiceAgreesWithTheIntegratingForm) {
    ASSERT_TRUE(std::filesystem::exists(NGSPICE_EXE))
        << "ngspice is not installed: run scripts/install-deps.sh";
    const FormCase& fc = GetParam();
    ParameterSet params = designedFor(fc, "5000");
    const Configuration config = Configuration::fromFlags(params);
    const ComponentCalculation calc =
        CalculateComponentValues(params, config, CapacitorEntries::fromParameters(params));
    ASSERT_FALSE(calc.error);
    const FilterCircuit circuit = *filterCircuitFor(config);
    const auto values = deckPartValues(
        circuit, componentInputs(params, config, params.SchemaC1Unit, params.SchemaC4Unit),
        calc.values, DeckValues::Designed);
    ASSERT_TRUE(values);
    const bool c3 = circuit.part("C3") != nullptr;
    ASSERT_EQ(c3, fc.order != 2 && !(fc.order == 4 && fc.filter == ALL));
    const double r = values->at("R1") + (c3 || fc.filter == ALL ? 0.0 : values->at("R2"));

    const FilterDesignState state = FilterDesignState::fromParameters(params, config);
    AcDeckOptions options;
    options.fStart = 500.0;
    options.fStop = 50000.0;
    options.pointsPerDecade = 2;
    options.dataFile = "ac.txt";
    const auto points =
        test::runNgspiceAc(writeAcDeck(averagedDetector(circuit), *values, options), formName(fc));
    ASSERT_EQ(points.size(), 5U);
    for (const auto& p : points) {
        const auto model = FilterResponse(state, config, static_cast<float>(p.f));
        ASSERT_TRUE(model);
        const cd expected = cd(model->re, model->im) * r;
        const cd got = std::polar(p.gain, p.phaseDeg * std::numbers::pi / 180.0) *
                       (circuit.inverting ? -1.0 : 1.0);
        EXPECT_LT(std::abs(got - expected) / std::abs(expected), 5e-4)
            << formName(fc) << " at " << p.f << " Hz: circuit " << got << ", model " << expected;
    }
}

INSTANTIATE_TEST_SUITE_P(OrdersTwoToFive, PfdLeadLagCircuit, testing::ValuesIn(formCases()),
                         [](const auto& info) { return formName(info.param); });

} // namespace
} // namespace loopcraft
