// The simulation against ngspice's transient of the same loop and against the loop model's step
// response: loops designed for 5 kHz and 1.25 kHz answer a frequency step of 1 % of f0, and the
// per-period means of their control voltages must agree in overshoot and 2 % settling (within
// 15 %) and never differ by a tenth of the swing. The ngspice cases carry "Ngspice" in their
// names (CTest label "ngspice"). LOOPCRAFT_FIDELITY_TABLE=1 prints one table row per case;
// LOOPCRAFT_FIDELITY_SERIES the per-period means, LOOPCRAFT_FIDELITY_NSAMP=n runs n steps a
// period, LOOPCRAFT_FIDELITY_KEEP keeps each ngspice deck in the temporary folder.
#include "FidelitySupport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <map>
#include <ostream>
#include <string>

namespace loopcraft::fidelity {

void PrintTo(const LoopCase& c, std::ostream* os) {
    *os << c.name();
}

namespace {

// Why a configuration does not meet the criteria yet. Every entry below was measured against
// ngspice: where the two differ from the loop model, they agree with each other, and the
// deviation is physics the linear model leaves out or the simulation's step of a quarter period
// (LOOPCRAFT_FIDELITY_NSAMP=64 runs the same cases at 64 steps a period).

// On a 5 kHz loop (a twentieth of the reference) the oscillator runs each step at the step's
// mean Uf, so the frequency modulation by the ripple inside a period (large behind a lead-lag's
// direct path) is resolved to a quarter period. At 64 steps a period these cases meet ngspice
// within 0.03 of the swing (JK passive lead-lag order 2: first period -0.44 against ngspice's
// -0.46; the deck takes the first reference edge at once, its flip-flop is right) and the
// charge pump into the active lead-lag meets the model (0.005 of the swing); the multiplier's
// orders 4-5 come within 0.10 of the swing, its start adding the rest.
constexpr const char* kQuarterStep =
    "4 steps a period on a 5 kHz loop: in-period ripple FM resolved to a quarter period";
// The detector's first pulse charges a filter of order 3-5 before the loop answers: ngspice and
// the simulation start at +0.29 (EXOR), +1.15 (JK), +0.15 (multiplier) of the swing in the first
// period (passive lead-lag, order 3), the linear model at 0; the step size does not change it.
// The JK loops also overshoot less than the model (order 3: 21.7 % simulated, 20.1 % ngspice,
// 28.8 % model), the full-swing ripple's modulation of the oscillator again; at order 2 that
// modulation starts the first period at -0.46 of the swing (ngspice; -0.44 at 64 steps a period).
constexpr const char* kDetectorStart =
    "first detector pulse charges the filter: simulation and ngspice agree, the model starts at 0";
// The multiplier on a 1.25 kHz loop overshoots about 15 % more than the model and settles a ring
// later, at every step size (order 3 passive lead-lag: 46.3 % at 4 steps a period, 45.4 % at 64,
// ngspice 45.3 %, model 40.1 %; order 2: 30.7 % at 64 steps, ngspice 30.6 %, model 27.9 %). The
// simulation is right; the model leaves out something of the detector, not isolated yet. Not
// its limits (kd*pi/2 = 1.57 V stays inside the 2 V range) and not a lower gain: no scale of Kd
// in the model meets overshoot and settling together (0.8 Kd gives order 2's 30.7 % but settles
// 11 % later; order 3 needs less than 0.7 Kd). The loop rings as fast as the model with less
// damping, as with a little extra phase lag in the loop.
constexpr const char* kMulSlowLoop =
    "multiplier, 1.25 kHz: ~15 % more overshoot than the model, as in ngspice (detector physics)";

// KNOWN DEVIATIONS: configurations (name/against what) that do not meet the criteria yet, with
// the fault behind each. A listed case must still miss them: when a fix lands, its test fails and
// asks for the entry to go.
const std::map<std::string, const char*>& knownDeviations() {
    static const std::map<std::string, const char*> table = {
        {"Exor_ActiveLL_2_5000Hz/ngspice", kQuarterStep},
        {"Exor_ActiveLL_3_5000Hz/model", kDetectorStart},
        {"Exor_ActiveLL_4_Complex_5000Hz/model", kDetectorStart},
        {"Exor_ActiveLL_4_Real_5000Hz/model", kDetectorStart},
        {"Exor_ActiveLL_5_Complex_5000Hz/model", kDetectorStart},
        {"Exor_ActiveLL_5_Real_5000Hz/model", kDetectorStart},
        {"Exor_ActivePI_2_5000Hz/ngspice", kQuarterStep},
        {"Exor_ActivePI_3_5000Hz/model", kDetectorStart},
        {"Exor_ActivePI_4_Complex_5000Hz/model", kDetectorStart},
        {"Exor_ActivePI_4_Real_5000Hz/model", kDetectorStart},
        {"Exor_ActivePI_5_Complex_5000Hz/model", kDetectorStart},
        {"Exor_ActivePI_5_Real_5000Hz/model", kDetectorStart},
        {"Exor_PassiveLL_2_5000Hz/ngspice", kQuarterStep},
        {"Exor_PassiveLL_3_5000Hz/model", kDetectorStart},
        {"Exor_PassiveLL_4_5000Hz/model", kDetectorStart},
        {"Exor_PassiveLL_5_5000Hz/model", kDetectorStart},
        {"JK_ActiveLL_2_5000Hz/model", kDetectorStart},
        {"JK_ActiveLL_2_5000Hz/ngspice", kQuarterStep},
        {"JK_ActiveLL_3_5000Hz/model", kDetectorStart},
        {"JK_ActiveLL_4_Complex_5000Hz/model", kDetectorStart},
        {"JK_ActiveLL_4_Real_5000Hz/model", kDetectorStart},
        {"JK_ActiveLL_5_Complex_5000Hz/model", kDetectorStart},
        {"JK_ActiveLL_5_Real_5000Hz/model", kDetectorStart},
        {"JK_ActivePI_2_5000Hz/model", kDetectorStart},
        {"JK_ActivePI_2_5000Hz/ngspice", kQuarterStep},
        {"JK_ActivePI_3_5000Hz/model", kDetectorStart},
        {"JK_ActivePI_4_Complex_5000Hz/model", kDetectorStart},
        {"JK_ActivePI_4_Real_5000Hz/model", kDetectorStart},
        {"JK_ActivePI_5_Complex_5000Hz/model", kDetectorStart},
        {"JK_ActivePI_5_Real_5000Hz/model", kDetectorStart},
        {"JK_PassiveLL_2_5000Hz/model", kDetectorStart},
        {"JK_PassiveLL_2_5000Hz/ngspice", kQuarterStep},
        {"JK_PassiveLL_3_5000Hz/model", kDetectorStart},
        {"JK_PassiveLL_4_5000Hz/model", kDetectorStart},
        {"JK_PassiveLL_5_5000Hz/model", kDetectorStart},
        {"Mul_ActiveLL_2_5000Hz/ngspice", kQuarterStep},
        {"Mul_ActiveLL_3_1250Hz/model", kMulSlowLoop},
        {"Mul_ActiveLL_3_5000Hz/model", kDetectorStart},
        {"Mul_ActiveLL_4_Complex_1250Hz/model", kMulSlowLoop},
        {"Mul_ActiveLL_4_Complex_5000Hz/model", kQuarterStep},
        {"Mul_ActiveLL_4_Real_1250Hz/model", kMulSlowLoop},
        {"Mul_ActiveLL_4_Real_5000Hz/model", kQuarterStep},
        {"Mul_ActiveLL_4_Real_5000Hz/ngspice", kQuarterStep},
        {"Mul_ActiveLL_5_Complex_1250Hz/model", kMulSlowLoop},
        {"Mul_ActiveLL_5_Complex_5000Hz/model", kQuarterStep},
        {"Mul_ActiveLL_5_Real_1250Hz/model", kMulSlowLoop},
        {"Mul_ActiveLL_5_Real_5000Hz/model", kQuarterStep},
        {"Mul_ActivePI_2_5000Hz/ngspice", kQuarterStep},
        {"Mul_ActivePI_3_1250Hz/model", kMulSlowLoop},
        {"Mul_ActivePI_3_5000Hz/model", kDetectorStart},
        {"Mul_ActivePI_4_Complex_1250Hz/model", kMulSlowLoop},
        {"Mul_ActivePI_4_Real_1250Hz/model", kMulSlowLoop},
        {"Mul_ActivePI_4_Real_5000Hz/model", kQuarterStep},
        {"Mul_ActivePI_5_Complex_1250Hz/model", kMulSlowLoop},
        {"Mul_ActivePI_5_Complex_5000Hz/model", kQuarterStep},
        {"Mul_ActivePI_5_Real_1250Hz/model", kMulSlowLoop},
        {"Mul_ActivePI_5_Real_5000Hz/model", kQuarterStep},
        {"Mul_PassiveLL_2_5000Hz/ngspice", kQuarterStep},
        {"Mul_PassiveLL_3_1250Hz/model", kMulSlowLoop},
        {"Mul_PassiveLL_3_5000Hz/model", kDetectorStart},
        {"Mul_PassiveLL_4_1250Hz/model", kMulSlowLoop},
        {"Mul_PassiveLL_4_5000Hz/model", kQuarterStep},
        {"Mul_PassiveLL_5_1250Hz/model", kMulSlowLoop},
        {"Mul_PassiveLL_5_5000Hz/model", kQuarterStep},
        {"PFD_CP_ActiveLL_2_5000Hz/model", kQuarterStep},
        {"PFD_CP_ActiveLL_4_Complex_5000Hz/model", kQuarterStep},
        {"PFD_CP_ActiveLL_4_Real_5000Hz/model", kQuarterStep},
        {"PFD_CP_ActiveLL_5_Complex_5000Hz/model", kQuarterStep},
        {"PFD_CP_ActiveLL_5_Complex_5000Hz/ngspice", kQuarterStep},
        {"PFD_CP_ActiveLL_5_Real_5000Hz/model", kQuarterStep},
    };
    return table;
}

bool printTable() {
    const char* v = std::getenv("LOOPCRAFT_FIDELITY_TABLE");
    return v != nullptr && std::string(v) == "1";
}

// Every detector with every filter at order 2, both bandwidths.
std::vector<LoopCase> order2Cases() {
    std::vector<LoopCase> cases;
    for (const float f3db : {5000.0f, 1250.0f})
        for (const LoopCase& c : allLoopCases(f3db))
            if (c.order == 2)
                cases.push_back(c);
    return cases;
}

// Orders 3 to 5, each filter and drive kind, real and complex section-2 poles.
std::vector<LoopCase> higherOrderSample() {
    return {
        {Detector::Exor, LoopFilter::PassiveLL, 3, PoleKind::Complex, 5000},
        {Detector::PFD_CP, LoopFilter::ActivePI, 3, PoleKind::Complex, 5000},
        {Detector::JK, LoopFilter::ActiveLL, 3, PoleKind::Complex, 1250},
        {Detector::PFD, LoopFilter::ActivePI, 4, PoleKind::Complex, 5000},
        {Detector::Mul, LoopFilter::ActiveLL, 4, PoleKind::Real, 5000},
        {Detector::PFD_CP, LoopFilter::PassiveLL, 4, PoleKind::Complex, 1250},
        {Detector::Exor, LoopFilter::ActivePI, 5, PoleKind::Real, 5000},
        {Detector::PFD_CP, LoopFilter::ActiveLL, 5, PoleKind::Complex, 5000},
        {Detector::PFD, LoopFilter::PassiveLL, 5, PoleKind::Complex, 1250},
    };
}

std::vector<LoopCase> everyCase();

// The sample; every configuration with LOOPCRAFT_FIDELITY_ALL=1 (about an hour of ngspice).
std::vector<LoopCase> spiceCases() {
    const char* all = std::getenv("LOOPCRAFT_FIDELITY_ALL");
    if (all != nullptr && std::string(all) == "1")
        return everyCase();
    std::vector<LoopCase> cases = order2Cases();
    const auto more = higherOrderSample();
    cases.insert(cases.end(), more.begin(), more.end());
    return cases;
}

std::vector<LoopCase> everyCase() {
    std::vector<LoopCase> cases = allLoopCases(5000);
    const auto more = allLoopCases(1250);
    cases.insert(cases.end(), more.begin(), more.end());
    return cases;
}

// What a case owes: the criteria met, or, while it is listed, still missed.
void expectVerdict(const LoopCase& c, const std::string& against, const std::string& missed) {
    const auto& known = knownDeviations();
    const auto entry = known.find(c.name() + "/" + against);
    if (entry == known.end()) {
        EXPECT_EQ(missed, "") << c.name() << " against " << against;
    } else {
        EXPECT_NE(missed, "") << c.name() << " against " << against
                              << " now meets the criteria: remove its known deviation ("
                              << entry->second << ")";
    }
}

class FidelityNgspice : public ::testing::TestWithParam<LoopCase> {};

TEST_P(FidelityNgspice, SimulationFollowsNgspiceTransientOfTheSameLoop) {
    ASSERT_TRUE(std::filesystem::exists(NGSPICE_EXE))
        << "ngspice is not installed: run scripts/install-deps.sh";
    const LoopCase& c = GetParam();
    std::string why;
    const auto params = designedLoop(c, &why);
    ASSERT_TRUE(params) << why;
    const Responses r = measure(*params, c.configuration(), true);
    if (printTable())
        std::cout << tableRow(c, r) << std::endl;
    ASSERT_FALSE(r.sim.empty());
    ASSERT_GE(r.spice.size(), r.sim.size()) << r.spiceError;
    expectVerdict(c, "ngspice",
                  missedCriteria(r.simFigures, r.spiceFigures, r.simVsSpice, r.period));
}

INSTANTIATE_TEST_SUITE_P(Loops, FidelityNgspice, ::testing::ValuesIn(spiceCases()),
                         [](const auto& info) { return info.param.name(); });

class FidelityModel : public ::testing::TestWithParam<LoopCase> {};

// Shifted by the sampling delay (one step; half a reference period for the PFD), the loop
// model's step response is what the simulation records.
TEST_P(FidelityModel, SimulationFollowsTheLoopModelsStepResponse) {
    const LoopCase& c = GetParam();
    std::string why;
    const auto params = designedLoop(c, &why);
    ASSERT_TRUE(params) << why;
    const Responses r = measure(*params, c.configuration(), false);
    if (printTable())
        std::cout << tableRow(c, r) << std::endl;
    ASSERT_FALSE(r.sim.empty());
    ASSERT_EQ(r.model.size(), r.sim.size());
    expectVerdict(c, "model", missedCriteria(r.simFigures, r.modelFigures, r.simVsModel, r.period));
}

INSTANTIATE_TEST_SUITE_P(Loops, FidelityModel, ::testing::ValuesIn(everyCase()),
                         [](const auto& info) { return info.param.name(); });

} // namespace
} // namespace loopcraft::fidelity
