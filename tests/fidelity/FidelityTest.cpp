// The simulation against ngspice's transient of the same loop and against the loop model's step
// response: loops designed for 5 kHz and 1.25 kHz answer a frequency step of 1 % of f0, and the
// per-period means of their control voltages must agree in overshoot and 2 % settling (within
// 15 %) and never differ by a tenth of the swing. The ngspice cases carry "Ngspice" in their
// names (CTest label "ngspice"). LOOPCRAFT_FIDELITY_TABLE=1 prints one table row per case.
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

// Why a configuration does not meet the criteria yet.
// The filters of orders 3-5 run their whole circuit and follow the model within the sampling
// delay (tests/core/sim/LoopFollowsModelTest.cpp); the multiplier, EXOR and JK loops still miss
// the criteria against the model without that delay: their start from the initial phase and the
// sampling that the model leaves out (cause of the multiplier's 1.25 kHz overshoot not settled).
constexpr const char* kOrders35 =
    "orders 3-5 with multiplier, EXOR, JK: detector start and sampling";
// Runs as its circuit now (the input stage relaxes with tau1 and feeds the integrator between the
// pulses); on the 5 kHz loops the overshoot sits at the 15 % edge and a ring grazing the 2 % band
// settles a ring later than the model.
constexpr const char* kPumpActiveLL =
    "charge pump into active lead-lag: 5 kHz ring at the band's edge";
// On the 5 kHz loops (about 20 reference periods to the overshoot) the simulation's per-period
// means run about a period ahead of ngspice's; overshoot and settling agree.
constexpr const char* kAheadOfNgspice = "simulation about a period ahead of ngspice on a fast loop";
// The JK loops designed for 5 kHz: the model leaves out the detector's sampling and overshoots
// more than simulation and ngspice; ngspice's first period starts off lock.
constexpr const char* kJkFastLoop = "JK detector on a fast loop: sampling the model leaves out";

// KNOWN DEVIATIONS: configurations (name/against what) that do not meet the criteria yet, with
// the fault behind each. A listed case must still miss them: when a fix lands, its test fails and
// asks for the entry to go.
const std::map<std::string, const char*>& knownDeviations() {
    static const std::map<std::string, const char*> table = {
        {"Exor_ActiveLL_2_5000Hz/ngspice", kAheadOfNgspice},
        {"Exor_ActiveLL_3_5000Hz/model", kOrders35},
        {"Exor_ActiveLL_4_Complex_5000Hz/model", kOrders35},
        {"Exor_ActiveLL_4_Real_5000Hz/model", kOrders35},
        {"Exor_ActiveLL_5_Complex_5000Hz/model", kOrders35},
        {"Exor_ActiveLL_5_Real_5000Hz/model", kOrders35},
        {"Exor_ActivePI_2_5000Hz/ngspice", kAheadOfNgspice},
        {"Exor_ActivePI_3_5000Hz/model", kOrders35},
        {"Exor_ActivePI_4_Complex_5000Hz/model", kOrders35},
        {"Exor_ActivePI_4_Real_5000Hz/model", kOrders35},
        {"Exor_ActivePI_5_Complex_5000Hz/model", kOrders35},
        {"Exor_ActivePI_5_Real_5000Hz/model", kOrders35},
        {"Exor_PassiveLL_2_5000Hz/ngspice", kAheadOfNgspice},
        {"Exor_PassiveLL_3_5000Hz/model", kOrders35},
        {"Exor_PassiveLL_4_5000Hz/model", kOrders35},
        {"Exor_PassiveLL_5_5000Hz/model", kOrders35},
        {"JK_ActiveLL_2_5000Hz/model", kJkFastLoop},
        {"JK_ActiveLL_2_5000Hz/ngspice", kJkFastLoop},
        {"JK_ActiveLL_3_5000Hz/model", kOrders35},
        {"JK_ActiveLL_4_Complex_5000Hz/model", kOrders35},
        {"JK_ActiveLL_4_Real_5000Hz/model", kOrders35},
        {"JK_ActiveLL_5_Complex_5000Hz/model", kOrders35},
        {"JK_ActiveLL_5_Real_5000Hz/model", kOrders35},
        {"JK_ActivePI_2_5000Hz/model", kJkFastLoop},
        {"JK_ActivePI_2_5000Hz/ngspice", kJkFastLoop},
        {"JK_ActivePI_3_5000Hz/model", kOrders35},
        {"JK_ActivePI_4_Complex_5000Hz/model", kOrders35},
        {"JK_ActivePI_4_Real_5000Hz/model", kOrders35},
        {"JK_ActivePI_5_Complex_5000Hz/model", kOrders35},
        {"JK_ActivePI_5_Real_5000Hz/model", kOrders35},
        {"JK_PassiveLL_2_5000Hz/model", kJkFastLoop},
        {"JK_PassiveLL_2_5000Hz/ngspice", kJkFastLoop},
        {"JK_PassiveLL_3_5000Hz/model", kOrders35},
        {"JK_PassiveLL_4_5000Hz/model", kOrders35},
        {"JK_PassiveLL_5_5000Hz/model", kOrders35},
        {"Mul_ActiveLL_2_5000Hz/ngspice", kAheadOfNgspice},
        {"Mul_ActiveLL_3_1250Hz/model", kOrders35},
        {"Mul_ActiveLL_3_5000Hz/model", kOrders35},
        {"Mul_ActiveLL_4_Complex_1250Hz/model", kOrders35},
        {"Mul_ActiveLL_4_Complex_5000Hz/model", kOrders35},
        {"Mul_ActiveLL_4_Real_1250Hz/model", kOrders35},
        {"Mul_ActiveLL_4_Real_5000Hz/model", kOrders35},
        {"Mul_ActiveLL_4_Real_5000Hz/ngspice", kOrders35},
        {"Mul_ActiveLL_5_Complex_1250Hz/model", kOrders35},
        {"Mul_ActiveLL_5_Complex_5000Hz/model", kOrders35},
        {"Mul_ActiveLL_5_Real_1250Hz/model", kOrders35},
        {"Mul_ActiveLL_5_Real_5000Hz/model", kOrders35},
        {"Mul_ActivePI_2_5000Hz/ngspice", kAheadOfNgspice},
        {"Mul_ActivePI_3_1250Hz/model", kOrders35},
        {"Mul_ActivePI_3_5000Hz/model", kOrders35},
        {"Mul_ActivePI_4_Complex_1250Hz/model", kOrders35},
        {"Mul_ActivePI_4_Real_1250Hz/model", kOrders35},
        {"Mul_ActivePI_4_Real_5000Hz/model", kOrders35},
        {"Mul_ActivePI_5_Complex_1250Hz/model", kOrders35},
        {"Mul_ActivePI_5_Complex_5000Hz/model", kOrders35},
        {"Mul_ActivePI_5_Real_1250Hz/model", kOrders35},
        {"Mul_ActivePI_5_Real_5000Hz/model", kOrders35},
        {"Mul_PassiveLL_2_5000Hz/ngspice", kAheadOfNgspice},
        {"Mul_PassiveLL_3_1250Hz/model", kOrders35},
        {"Mul_PassiveLL_3_5000Hz/model", kOrders35},
        {"Mul_PassiveLL_4_1250Hz/model", kOrders35},
        {"Mul_PassiveLL_4_5000Hz/model", kOrders35},
        {"Mul_PassiveLL_5_1250Hz/model", kOrders35},
        {"Mul_PassiveLL_5_5000Hz/model", kOrders35},
        {"PFD_CP_ActiveLL_2_5000Hz/model", kPumpActiveLL},
        {"PFD_CP_ActiveLL_4_Complex_5000Hz/model", kPumpActiveLL},
        {"PFD_CP_ActiveLL_4_Real_5000Hz/model", kPumpActiveLL},
        {"PFD_CP_ActiveLL_5_Complex_5000Hz/model", kPumpActiveLL},
        {"PFD_CP_ActiveLL_5_Complex_5000Hz/ngspice", kPumpActiveLL},
        {"PFD_CP_ActiveLL_5_Real_5000Hz/model", kPumpActiveLL},
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
