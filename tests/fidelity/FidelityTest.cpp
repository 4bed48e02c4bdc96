// The simulation against ngspice's transient of the same loop and against the loop model's step
// response: loops designed for 5 kHz and 1.25 kHz answer a frequency step (1 % of f0 against
// ngspice, 0.25 % against the linear model), and the per-period means of their control voltages
// must agree in overshoot and 2 % settling (within 15 %) and never differ by a tenth of the
// swing. Every configuration meets this; there is no list of exceptions. The ngspice cases carry
// "Ngspice" in their names (CTest label "ngspice"). LOOPCRAFT_FIDELITY_TABLE=1 prints one table row
// per case; LOOPCRAFT_FIDELITY_SERIES the per-period means, LOOPCRAFT_FIDELITY_NSAMP=n runs n steps
// a period, LOOPCRAFT_FIDELITY_KEEP keeps each ngspice deck in the temporary folder.
#include "FidelitySupport.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <iostream>
#include <ostream>
#include <string>

namespace loopcraft::fidelity {

void PrintTo(const LoopCase& c, std::ostream* os) {
    *os << c.name();
}

namespace {

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

class FidelityNgspice : public ::testing::TestWithParam<LoopCase> {};

TEST_P(FidelityNgspice, SimulationFollowsNgspiceTransientOfTheSameLoop) {
    ASSERT_TRUE(std::filesystem::exists(NGSPICE_EXE))
        << "ngspice is not installed: run scripts/install-deps.sh";
    const LoopCase& c = GetParam();
    std::string why;
    const auto params = designedLoop(c, kSpiceStep, &why);
    ASSERT_TRUE(params) << why;
    const Responses r = measure(*params, c.configuration(), true);
    if (printTable())
        std::cout << tableRow(c, r) << std::endl;
    ASSERT_FALSE(r.sim.empty());
    ASSERT_GE(r.spice.size(), r.sim.size()) << r.spiceError;
    EXPECT_EQ(missedCriteria(r.simFigures, r.spiceFigures, r.simVsSpice, r.period), "")
        << c.name() << " against ngspice";
}

INSTANTIATE_TEST_SUITE_P(Loops, FidelityNgspice, ::testing::ValuesIn(spiceCases()),
                         [](const auto& info) { return info.param.name(); });

class FidelityModel : public ::testing::TestWithParam<LoopCase> {};

// Shifted by the sampling delay (one step; half a reference period for the PFD), the loop
// model's step response is what the simulation records once its start-up is taken out.
TEST_P(FidelityModel, SimulationFollowsTheLoopModelsStepResponse) {
    const LoopCase& c = GetParam();
    std::string why;
    const auto params = designedLoop(c, kModelStep, &why);
    ASSERT_TRUE(params) << why;
    const Responses r = measure(*params, c.configuration(), false);
    if (printTable())
        std::cout << tableRow(c, r) << std::endl;
    ASSERT_FALSE(r.sim.empty());
    ASSERT_EQ(r.model.size(), r.sim.size());
    ASSERT_GE(r.simStep.size() + 1, r.sim.size()) << "the run without the step failed";
    EXPECT_EQ(missedCriteria(r.simStepFigures, r.modelFigures, r.simVsModel, r.period), "")
        << c.name() << " against the model";
}

INSTANTIATE_TEST_SUITE_P(Loops, FidelityModel, ::testing::ValuesIn(everyCase()),
                         [](const auto& info) { return info.param.name(); });

} // namespace
} // namespace loopcraft::fidelity
