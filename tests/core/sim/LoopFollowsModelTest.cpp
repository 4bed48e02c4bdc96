// The simulated loop at orders 3..5 follows its own loop model: a frequency step of 1 % of f0 on
// a loop designed for 5 kHz, per-period means of Uf against the closed loop's step response
// computed from the model (the filter's equations, which the circuit test holds equal to the
// loop model's filter function, closed with the linear detector and the oscillator).
#include "core/design/FilterDesign.h"
#include "core/design/FilterDesignState.h"
#include "core/schematic/FilterStateSpace.h"
#include "core/sim/SimulationRun.h"
#include "core/sim/models/ModalSystem.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <string>
#include <vector>

namespace loopcraft {
namespace {

using F = FlagId;

struct StepFigures {
    double overshoot = 0; // relative to the final value
    double settling = 0;  // s, last time outside ±2 %
};

StepFigures figures(const std::vector<double>& y, double final, double period) {
    StepFigures f;
    double peak = 0;
    for (std::size_t i = 0; i < y.size(); ++i) {
        peak = std::max(peak, y[i] / final);
        if (std::fabs(y[i] - final) > 0.02 * std::fabs(final))
            f.settling = static_cast<double>(i + 1) * period;
    }
    f.overshoot = peak - 1;
    return f;
}

struct LoopCase {
    std::string name;
    std::vector<FlagId> flags;
};

void PrintTo(const LoopCase& c, std::ostream* os) {
    *os << c.name;
}

class LoopFollowsModel : public testing::TestWithParam<LoopCase> {};

TEST_P(LoopFollowsModel, StepResponseWithinTheSamplingDelay) {
    ParameterSet p;
    for (const FlagId f : GetParam().flags)
        p.selectFlag(f);
    p.selectFlag(F::rbSimulfstep);
    const Configuration config = Configuration::fromFlags(p);
    FilterDesignState st = FilterDesignState::fromParameters(p, config);
    ASSERT_TRUE(DesignForBandwidth(st, config, 5000.0f));
    p.FiltDesignTau1 = st.tau1;
    p.FiltDesignTau2 = st.tau2;
    p.FiltDesignTau3 = st.tau3;
    p.FiltDesignTau4 = st.tau4;
    p.FiltDesignTau5 = st.tau5;
    p.FiltDesignKa = st.Ka;
    if (config.chargePump()) {
        p.SchemaC1Val = st.C1 * 1e9f;
        p.SchemaC1Unit = 3;
    }
    p.Simulf0 = 100000;
    p.Simuldf = 1000; // 1 % of f0
    p.SimulnSamp = 4;
    p.SimulT = 0.004f; // 400 periods, several settling times at 5 kHz
    SimState s;
    s.setParameters(p);
    s.cbSimulFilter = true; // one point per reference period: the period's mean
    const SimulationRunResult run = runSimulation(s);
    ASSERT_TRUE(run.ok());
    const double period = 1.0 / s.SimulfRef;
    std::vector<double> simulated;
    for (std::size_t i = 1; i < s.Results.size(); ++i)
        simulated.push_back(s.Results[i].Curve2 - s.UMid);

    // The model's loop: filter state x and the phase error e = θref − θosc/N,
    //   x' = A x + B K e,  Uf = ±(C x + D K e),  e' = Δω − K0 Uf / N.
    ComponentInputs in = componentInputs(p, config, p.SchemaC1Unit, p.SchemaC4Unit);
    const FilterCircuit circuit = *filterCircuitFor(config);
    const FilterStateSpace f = *filterStateSpace(circuit, in, CalcComponentValues(in));
    const double gain = config.chargePump() ? p.ConfigKp : detectorGain(p, config);
    const double sign = circuit.inverting ? -1 : 1;
    const double k0n = p.ConfigK0 / 1.0;
    const int n = f.n + 1;
    FilterStateSpace loop;
    loop.n = n;
    loop.A.assign(static_cast<std::size_t>(n * n), 0.0);
    loop.B.assign(static_cast<std::size_t>(n), 0.0);
    loop.C.assign(static_cast<std::size_t>(n), 0.0);
    auto A = [&](int r, int c) -> double& { return loop.A[static_cast<std::size_t>(r * n + c)]; };
    for (int r = 0; r < f.n; ++r) {
        for (int c = 0; c < f.n; ++c)
            A(r, c) = f.A[static_cast<std::size_t>(r * f.n + c)];
        A(r, f.n) = f.B[static_cast<std::size_t>(r)] * gain;
    }
    for (int c = 0; c < f.n; ++c) {
        A(f.n, c) = -k0n * sign * f.C[static_cast<std::size_t>(c)];
        loop.C[static_cast<std::size_t>(c)] = sign * f.C[static_cast<std::size_t>(c)];
    }
    A(f.n, f.n) = -k0n * sign * f.D * gain;
    loop.C[static_cast<std::size_t>(f.n)] = sign * f.D * gain;
    loop.B[static_cast<std::size_t>(f.n)] = 1;
    const auto modes = ModalSystem::fromStateSpace(loop);
    ASSERT_TRUE(modes);
    const double dOmega = 2 * std::numbers::pi * p.Simuldf;
    // The sampled loop lags the continuous one: the oscillator takes the filter's output one
    // step late, and a PFD compares once per period (half a period on average).
    const bool pulses = config.detector == Detector::PFD || config.chargePump();
    const double delay = pulses ? period / 2 : period / p.SimulnSamp;
    std::vector<double> model;
    FilterStateVector x{};
    model.push_back(modes->advance(x, dOmega, period - delay).yIntegral / period);
    while (model.size() < simulated.size())
        model.push_back(modes->advance(x, dOmega, period).yIntegral / period);

    const double final = dOmega / k0n;
    const StepFigures sim = figures(simulated, final, period);
    const StepFigures mod = figures(model, final, period);
    double largest = 0;
    for (std::size_t i = 0; i < model.size(); ++i)
        largest = std::max(largest, std::fabs(simulated[i] - model[i]));
    RecordProperty("overshoot", std::to_string(sim.overshoot) + " vs " + std::to_string(mod.overshoot));
    std::printf("%-28s overshoot %6.1f %% vs %6.1f %%, settling %7.1f us vs %7.1f us, largest diff %.3f of the swing\n",
                GetParam().name.c_str(), 100 * sim.overshoot, 100 * mod.overshoot, 1e6 * sim.settling,
                1e6 * mod.settling, largest / final);
    EXPECT_NEAR(sim.overshoot, mod.overshoot, 0.15 * std::max(mod.overshoot, 0.05));
    EXPECT_NEAR(sim.settling, mod.settling, 0.15 * mod.settling);
    EXPECT_LT(largest, 0.1 * final);
}

std::vector<LoopCase> loopCases() {
    std::vector<LoopCase> cases;
    const std::pair<const char*, FlagId> orders[] = {
        {"Order2", F::rbConfigPLLOrder2}, {"Order3", F::rbConfigPLLOrder3}, {"Order4", F::rbConfigPLLOrder4}, {"Order5", F::rbConfigPLLOrder5}};
    const std::pair<const char*, std::vector<FlagId>> kinds[] = {
        {"ExorPassiveLL", {F::rbConfigDPLLExor, F::rbConfigPassiveLL}},
        {"MulActiveLL", {F::rbConfigLPLLMul, F::rbConfigActiveLL}},
        {"JKActivePI", {F::rbConfigDPLLJK, F::rbConfigActivePI}},
        {"PFDActivePI", {F::rbConfigDPLLPFD, F::rbConfigActivePI}},
        {"PFDCPPassiveLL", {F::rbConfigDPLLPFD_CP, F::rbConfigPassiveLL}},
        {"PFDCPActiveLL", {F::rbConfigDPLLPFD_CP, F::rbConfigActiveLL}},
        {"PFDCPActivePI", {F::rbConfigDPLLPFD_CP, F::rbConfigActivePI}},
    };
    for (const auto& [on, of] : orders)
        for (const auto& [kn, kf] : kinds) {
            std::vector<FlagId> flags = kf;
            flags.push_back(of);
            cases.push_back({std::string(on) + kn, flags});
            if (of != F::rbConfigPLLOrder3 && kn != std::string("ExorPassiveLL") &&
                kn != std::string("PFDCPPassiveLL")) {
                flags.push_back(F::rbFiltDesignRealPoles);
                cases.push_back({std::string(on) + kn + "Real", flags});
            }
        }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Orders3To5, LoopFollowsModel, testing::ValuesIn(loopCases()),
                         [](const testing::TestParamInfo<LoopCase>& info) {
                             return info.param.name;
                         });

} // namespace
} // namespace loopcraft
