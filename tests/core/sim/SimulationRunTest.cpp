#include "core/sim/SimulationRun.h"

#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>

namespace loopcraft {
namespace {

constexpr float kPi = 3.14159265f;

// A SimState holding the default parameters with the given changes, ready to run.
std::unique_ptr<SimState> makeState(const std::function<void(ParameterSet&)>& change = {}) {
    ParameterSet p;
    if (change)
        change(p);
    auto s = std::make_unique<SimState>();
    s->setParameters(p);
    return s;
}

float finalUf(const SimState& s) {
    return s.Results.back().Curve2;
}

struct RuleCase {
    std::function<void(ParameterSet&)> change;
    Stimulus stimulus;
    const char* message;
    const char* focus;
};

class ValidationTable : public testing::TestWithParam<RuleCase> {};

TEST_P(ValidationTable, FirstBrokenRuleWithItsFocus) {
    const RuleCase& c = GetParam();
    ParameterSet p;
    c.change(p);
    const auto m = ValidateSimulation(p, c.stimulus, Configuration::fromFlags(p));
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->title, "Illegal Entry");
    EXPECT_EQ(m->message, c.message);
    EXPECT_EQ(m->focusField, c.focus);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ValidationTable,
    testing::Values(RuleCase{[](ParameterSet& p) { p.Simulf0 = 0; }, Stimulus::FStep,
                             "f0 must be > 0", "EditSimulf0"},
                    RuleCase{[](ParameterSet& p) { p.Simuldf = -100000; }, Stimulus::FStep,
                             "Sum f0 + df must be > 0", "EditSimuldf"},
                    RuleCase{[](ParameterSet& p) { p.Simuldphi = 180.5f; }, Stimulus::PhiStep,
                             "dphi must be in range -180..180", "EditSimuldphi"},
                    RuleCase{[](ParameterSet& p) { p.SimuldN = -1; }, Stimulus::NStep,
                             "Sum N + dN must be > 0", "EditSimuldN"},
                    RuleCase{[](ParameterSet& p) { p.SimulnSamp = 65; }, Stimulus::FStep,
                             "nSamp must be in range 4..64", "EditSimulnSamp"},
                    RuleCase{[](ParameterSet& p) { p.SimulT = 0; }, Stimulus::FStep,
                             "T must be > 0", "EditSimulT"},
                    RuleCase{[](ParameterSet& p) { p.SimulZoomFact = 17; }, Stimulus::FStep,
                             "ZoomFact must be in range 1..16", "EditSimulZoomFact"},
                    // Checked even though no noise is added.
                    RuleCase{[](ParameterSet& p) { p.SimulNoiseBW = 0.09f; }, Stimulus::FStep,
                             "NoiseBWRel must be in range 0.1..1", "EditSimulNoiseBW"},
                    // The order decides: T and nSamp both broken reports nSamp.
                    RuleCase{[](ParameterSet& p) { p.SimulnSamp = 3, p.SimulT = -1; },
                             Stimulus::FStep, "nSamp must be in range 4..64", "EditSimulnSamp"},
                    RuleCase{[](ParameterSet& p) { p.SimulT = 30000; }, Stimulus::FStep,
                             "T too large: the run would need more than 2000000000 steps",
                             "EditSimulT"},
                    RuleCase{[](ParameterSet& p) { p.SimulT = 300; }, Stimulus::FStep,
                             "T too large: the run would need more than 1 GiB of memory",
                             "EditSimulT"}));

TEST(ValidateSimulation, BoundariesAreAccepted) {
    ParameterSet p;
    for (float dphi : {-180.0f, 180.0f}) {
        p.Simuldphi = dphi;
        EXPECT_FALSE(ValidateSimulation(p, Stimulus::PhiStep, Configuration::fromFlags(p)));
    }
    p.ConfigN = 1;
    p.SimuldN = 0;
    EXPECT_FALSE(ValidateSimulation(p, Stimulus::NStep, Configuration::fromFlags(p)));
    p.SimuldN = -1; // N + dN = 0
    EXPECT_TRUE(ValidateSimulation(p, Stimulus::NStep, Configuration::fromFlags(p)));
}

TEST(ReadSimulationEntries, StopsAtTheFirstFormatErrorKeepingEarlierFields) {
    ParameterSet p;
    SimulationEntries e = SimulationEntries::fromParameters(p);
    e.Simulf0 = "50000";
    e.SimulnSamp = "8";
    e.SimulT = "1x";
    e.SimulZoomFact = "4";
    const auto m = ReadSimulationEntries(p, e, Stimulus::FStep, false);
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->title, "Format error");
    EXPECT_EQ(m->message, "Invalid floating format");
    EXPECT_EQ(m->focusField, "EditSimulT");
    EXPECT_EQ(p.Simulf0, 50000);
    EXPECT_EQ(p.SimulnSamp, 8);
    EXPECT_EQ(p.SimulZoomFact, 1); // after the broken field: not read

    ParameterSet a;
    SimulationEntries ea = SimulationEntries::fromParameters(a);
    ea.SimulnSamp = "bad"; // hidden for the all-digital loop, never read
    EXPECT_FALSE(ReadSimulationEntries(a, ea, Stimulus::FStep, true));
    EXPECT_EQ(a.SimulnSamp, 1);
}

TEST(PanelPreparation, ProposedRunLengthText) {
    EXPECT_EQ(FormatProposedT(4.0f / 5000), "0.000800000");
    EXPECT_EQ(FormatProposedT(4.0f / 5027.3f), "0.000796000");
    ParameterSet p;
    p.setEntry(TextId::ConfigLDPLLf0, "1e5");
    const Configuration config = Configuration::fromFlags(p);
    const PanelPreparation prep =
        PrepareSimulationPanel(p, config, FilterDesignState::fromParameters(p, config));
    EXPECT_EQ(p.text(TextId::Simulf0), "1e5");
    ASSERT_TRUE(prep.proposedT.has_value());
    EXPECT_EQ(p.text(TextId::SimulT), *prep.proposedT);
    EXPECT_GT(p.SimulT, 0);
}

TEST(RunSimulation, RefusalLeavesThePreviousResultsIntact) {
    auto s = makeState();
    ASSERT_TRUE(runSimulation(*s).ok());
    const std::vector<ResultPair> before = s->Results;
    s->SimulT = 1e5f;
    const SimulationRunResult refused = runSimulation(*s);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.refusal->title, "Illegal Entry");
    EXPECT_TRUE(s->ResultsValid);
    EXPECT_EQ(s->Results, before);
}

TEST(RunSimulation, RecordedPointCounts) {
    auto plain = makeState();
    float lastProgress = -1;
    ASSERT_TRUE(runSimulation(*plain, [&](float f) { lastProgress = f; }).ok());
    EXPECT_EQ(lastProgress, 1.0f);
    EXPECT_EQ(plain->Results.size(), plain->SimulNumSteps + 1u);
    EXPECT_EQ(plain->SimulNumSteps, static_cast<std::uint32_t>(plain->NumRefPeriods) * 4);

    auto filtered = makeState();
    filtered->cbSimulFilter = true;
    ASSERT_TRUE(runSimulation(*filtered).ok());
    EXPECT_EQ(filtered->Results.size(), static_cast<std::size_t>(filtered->NumRefPeriods) + 1);

    auto eight = makeState([](ParameterSet& p) { p.SimulnSamp = 8; });
    eight->cbSimulFilter = true;
    const SimulationRunResult r = runSimulation(*eight);
    EXPECT_TRUE(r.filterUnchecked);
    EXPECT_FALSE(eight->cbSimulFilter);
    EXPECT_EQ(eight->Results.size(), eight->SimulNumSteps + 1u);
}

// Control voltage at which the VCO runs at f0 + df.
float settledVoltage(float df, float k0) {
    return 2.5f + 2 * kPi * df / k0;
}

struct LoopCase {
    FlagId detector;
    FlagId filter;
};

class FrequencyStep : public testing::TestWithParam<LoopCase> {};

TEST_P(FrequencyStep, VcoSettlesAtTheNewFrequency) {
    auto s = makeState([](ParameterSet& p) {
        p.selectFlag(GetParam().detector);
        p.selectFlag(GetParam().filter);
        p.SimulT = 0.01f;
    });
    s->cbSimulFilter = true;
    ASSERT_TRUE(runSimulation(*s).ok());
    EXPECT_NEAR(finalUf(*s), settledVoltage(2000, 130000), 2e-3f);
    // The step first pushes the control voltage up, beyond its final value.
    EXPECT_GT(s->Curve2Max, settledVoltage(2000, 130000));
}

INSTANTIATE_TEST_SUITE_P(
    Loops, FrequencyStep,
    testing::Values(LoopCase{FlagId::rbConfigDPLLExor, FlagId::rbConfigPassiveLL},
                    LoopCase{FlagId::rbConfigDPLLExor, FlagId::rbConfigActivePI},
                    LoopCase{FlagId::rbConfigDPLLJK, FlagId::rbConfigActiveLL},
                    LoopCase{FlagId::rbConfigDPLLPFD, FlagId::rbConfigPassiveLL},
                    LoopCase{FlagId::rbConfigDPLLPFD, FlagId::rbConfigActivePI},
                    LoopCase{FlagId::rbConfigLPLLMul, FlagId::rbConfigPassiveLL},
                    LoopCase{FlagId::rbConfigLPLLMul, FlagId::rbConfigActiveLL},
                    LoopCase{FlagId::rbConfigDPLLPFD_CP, FlagId::rbConfigPassiveLL},
                    LoopCase{FlagId::rbConfigDPLLPFD_CP, FlagId::rbConfigActivePI}));

TEST(RunSimulation, PhaseStepSettlesBackToTheCentreVoltage) {
    for (float dphi : {90.0f, -180.0f}) {
        auto s = makeState([dphi](ParameterSet& p) {
            p.selectFlag(FlagId::rbSimulphistep);
            p.selectFlag(FlagId::rbConfigDPLLPFD);
            p.Simuldphi = dphi;
            p.SimulT = 0.01f;
        });
        s->cbSimulFilter = true;
        ASSERT_TRUE(runSimulation(*s).ok());
        EXPECT_NEAR(finalUf(*s), 2.5f, 1e-3f) << dphi;
        // The loop answered: the control voltage left the centre on the way.
        EXPECT_GT(s->Curve2Max - s->Curve2Min, 0.05f) << dphi;
    }
}

TEST(RunSimulation, DividerStepMovesTheVcoToNPlusDnTimesF0) {
    auto s = makeState([](ParameterSet& p) {
        p.selectFlag(FlagId::rbSimulNstep);
        p.selectFlag(FlagId::rbConfigVCOScaler);
        p.ConfigN = 10;
        p.SimuldN = 1;
        p.ConfigK0 = 2.0e6f;
        p.SimulT = 0.01f;
    });
    s->cbSimulFilter = true;
    ASSERT_TRUE(runSimulation(*s).ok());
    // (N + dN) f0 = N f0 + (Uf - UMid) K0 / 2pi
    EXPECT_NEAR(finalUf(*s), 2.5f + 2 * kPi * 100000 / 2.0e6f, 2e-3f);
}

TEST(RunSimulation, AdpllInsideItsHoldRangeFollowsAFrequencyStep) {
    auto s = makeState([](ParameterSet& p) {
        p.selectFlag(FlagId::rbConfigADPLL);
        p.SimulT = 0.01f;
    });
    ASSERT_TRUE(runSimulation(*s).ok());
    ASSERT_EQ(s->Results.size(), static_cast<std::size_t>(s->NumRefPeriods) + 1);
    const std::size_t half = s->Results.size() / 2;
    double sum = 0;
    for (std::size_t i = half; i < s->Results.size(); ++i) {
        sum += s->Results[i].Curve2;
        EXPECT_LT(std::fabs(s->Results[i].Curve1), 90.0f) << i; // phase error stays bounded
    }
    EXPECT_NEAR(sum / static_cast<double>(s->Results.size() - half), 2000, 100);
}

TEST(RunSimulation, RunsAreReproducibleAndNoiseContinues) {
    auto a = makeState();
    auto b = makeState();
    a->cbSimulAddNoise = b->cbSimulAddNoise = true;
    ASSERT_TRUE(runSimulation(*a).ok());
    ASSERT_TRUE(runSimulation(*b).ok());
    EXPECT_EQ(a->Results, b->Results); // two fresh processes see the same noise
    const std::vector<ResultPair> first = a->Results;
    ASSERT_TRUE(runSimulation(*a).ok());
    EXPECT_NE(a->Results, first); // the generator runs on within one process

    auto c = makeState();
    ASSERT_TRUE(runSimulation(*c).ok());
    const std::vector<ResultPair> quiet = c->Results;
    ASSERT_TRUE(runSimulation(*c).ok());
    EXPECT_EQ(c->Results, quiet);

    // An all-digital run whose noisy reference never crosses zero still runs on the grid.
    auto d = makeState([](ParameterSet& p) {
        p.selectFlag(FlagId::rbConfigADPLL);
        p.SimulSNR = 1000;
    });
    d->cbSimulAddNoise = true;
    ASSERT_TRUE(runSimulation(*d).ok());
    EXPECT_EQ(d->Results.size(), static_cast<std::size_t>(d->NumRefPeriods) + 1);
}

TEST(RunSimulation, MillionPeriodRunSettlesLikeAShortOne) {
    auto shortRun = makeState([](ParameterSet& p) { p.SimulT = 0.01f; });
    shortRun->cbSimulFilter = true;
    ASSERT_TRUE(runSimulation(*shortRun).ok());
    auto longRun = makeState([](ParameterSet& p) { p.SimulT = 10.0f; });
    longRun->cbSimulFilter = true;
    ASSERT_TRUE(runSimulation(*longRun).ok());
    ASSERT_GE(longRun->NumRefPeriods, 1000000);
    EXPECT_NEAR(finalUf(*longRun), finalUf(*shortRun), 1e-3f);
}

} // namespace
} // namespace loopcraft
