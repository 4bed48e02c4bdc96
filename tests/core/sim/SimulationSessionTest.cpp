#include "core/sim/SimulationSession.h"

#include <gtest/gtest.h>
#include <memory>

namespace loopcraft {
namespace {

class SimulationSessionTest : public ::testing::Test {
protected:
    ParameterSet params;
    SimState state;
    SimulationSession session{params, state};

    // A short run so the tests stay quick.
    SimulationOutcome run() {
        session.panel().entries.SimulT = "0.0002";
        return session.Run();
    }
};

TEST_F(SimulationSessionTest, TheStoredFlagsDecideLayoutRunAndProtocol) {
    params.selectFlag(FlagId::rbConfigADPLL);
    session.Open();
    const SimulationPanelVisibility v = session.visibility();
    EXPECT_FALSE(v.SimulnSamp || v.cbSimulFilter || v.rbSimulNstep);
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(state.SimulnSamp, 1) << "an all-digital run";
    EXPECT_EQ(session.ProtocolLines({}).front(), "ADPLL Simulation\n\r");

    params.selectFlag(FlagId::rbConfigDPLL);
    session.Open();
    EXPECT_TRUE(session.visibility().SimulnSamp);
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(state.SimulnSamp, 4);
    EXPECT_EQ(session.ProtocolLines({}).front(), "Mixed Signal PLL Simulation\n\r");
}

TEST_F(SimulationSessionTest, OpenProposesTheRunLengthAndTakesTheCentreFrequency) {
    params.setEntry(TextId::ConfigLDPLLf0, "2e5");
    session.panel().addNoise = true;
    session.panel().filter = false;
    session.Open();
    EXPECT_EQ(session.panel().entries.Simulf0, "2e5");
    EXPECT_NE(session.panel().entries.SimulT, "0.001");
    EXPECT_EQ(session.panel().entries.SimulT, params.text(TextId::SimulT));
    EXPECT_TRUE(session.panel().filter);
    EXPECT_FALSE(session.panel().addNoise);
    EXPECT_FALSE(session.visibility().noise);
}

// The command line and the report run the loop for the time the user stored, not the proposal.
TEST_F(SimulationSessionTest, OpenWithStoredTPutsTheStoredRunLengthBack) {
    params.setEntry(TextId::ConfigLDPLLf0, "2e5");
    params.setEntry(TextId::SimulT, "0.00031");
    session.OpenWithStoredT();
    EXPECT_EQ(session.panel().entries.Simulf0, "2e5");
    EXPECT_EQ(session.panel().entries.SimulT, "0.00031");
    EXPECT_EQ(params.text(TextId::SimulT), "0.00031");
    EXPECT_FLOAT_EQ(params.SimulT, 0.00031f);
    EXPECT_TRUE(session.panel().filter);
}

// The all-digital loop has no divider step: the panel, the run and the flags all take f-step.
TEST_F(SimulationSessionTest, AdpllTakesTheFrequencyStepForTheDividerStep) {
    params.selectFlag(FlagId::rbConfigADPLL);
    session.Open();
    session.panel().stimulus = Stimulus::NStep;
    EXPECT_TRUE(session.ApplyStimulusRules().stimulusChanged);
    EXPECT_EQ(session.panel().stimulus, Stimulus::FStep);
    session.panel().stimulus = Stimulus::NStep;
    const SimulationOutcome o = run();
    ASSERT_TRUE(o.ok);
    EXPECT_TRUE(o.stimulusChanged);
    EXPECT_EQ(state.rbSimulfstep, 1);
    EXPECT_EQ(state.rbSimulNstep, 0);

    auto direct = std::make_unique<SimState>(); // large: kept off the stack
    direct->setParameters(params);
    direct->selectFlag(FlagId::rbSimulNstep);
    ASSERT_TRUE(runSimulation(*direct).ok());
    EXPECT_EQ(direct->rbSimulfstep, 1);
    EXPECT_EQ(direct->rbSimulNstep, 0);
}

TEST_F(SimulationSessionTest, RefusalsKeepThePreviousResultsAndNameTheirField) {
    ASSERT_TRUE(run().ok);
    const std::size_t points = state.Results.size();
    session.panel().entries.SimulZoomFact = "17";
    SimulationOutcome o = session.Run();
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->field, TextId::SimulZoomFact);
    EXPECT_FALSE(o.resultsChanged);
    EXPECT_TRUE(session.resultsValid());
    EXPECT_EQ(state.Results.size(), points);

    session.panel().entries.Simuldf = "1..2";
    o = session.Run();
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->title, "Format error");
    EXPECT_TRUE(o.message->selectAll);
}

TEST_F(SimulationSessionTest, RunReportsItsStartAndUnchecksTheFilterAboveFourSamples) {
    session.Open();
    session.panel().entries.SimulnSamp = "8";
    session.panel().entries.SimulZoomFact = "4";
    int starts = 0;
    session.panel().entries.SimulT = "0.0002";
    const SimulationOutcome o = session.Run([&](float done) {
        starts += done == 0.0f ? 1 : 0;
        EXPECT_FALSE(session.resultsValid()) << "the old results are not shown during a run";
    });
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(starts, 1);
    EXPECT_FALSE(session.panel().filter);
    EXPECT_TRUE(o.entriesChanged);
    EXPECT_TRUE(session.scrollBarVisible());
}

// A run in three steps, as a window computes it on another thread; cancelled half-way it leaves
// no results, and says so until the next run or until the results are dropped.
TEST_F(SimulationSessionTest, CancelledRunLeavesNoResultsAndSaysSo) {
    ASSERT_TRUE(run().ok);
    session.panel().entries.SimulT = "0.05"; // 5100 periods, 20400 steps
    SimulationOutcome begun;
    ASSERT_TRUE(session.BeginRun(begun));
    EXPECT_TRUE(session.running());
    EXPECT_FALSE(session.resultsValid()) << "the record is the run's now";
    SimulationOutcome again;
    EXPECT_FALSE(session.BeginRun(again)) << "one run at a time";
    float last = 0;
    const SimulationRunResult r = session.ComputeRun([&](float done) {
        last = done;
        if (done >= 0.5f)
            session.CancelRun();
    });
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.ok());
    EXPECT_LT(last, 0.75f) << "the run stopped soon after the request";
    const SimulationOutcome o = session.FinishRun(r);
    EXPECT_FALSE(o.ok);
    EXPECT_FALSE(o.message) << "the user asked for it: no message";
    EXPECT_TRUE(o.resultsChanged);
    EXPECT_FALSE(session.running());
    EXPECT_FALSE(session.resultsValid());
    EXPECT_TRUE(session.runCancelled());
    EXPECT_TRUE(state.Results.empty());
    EXPECT_FALSE(session.scrollBarVisible());

    // The next run is whole again; a run dropped by InvalidateResults while it computes is not
    // reported as cancelled by the user.
    ASSERT_TRUE(run().ok);
    EXPECT_FALSE(session.runCancelled());
    const std::vector<ResultPair> whole = state.Results;
    session.panel().entries.SimulT = "0.05";
    ASSERT_TRUE(session.BeginRun(begun));
    session.InvalidateResults();
    const SimulationRunResult dropped = session.ComputeRun();
    EXPECT_TRUE(dropped.cancelled);
    session.FinishRun(dropped);
    EXPECT_FALSE(session.runCancelled());
    EXPECT_FALSE(session.resultsValid());
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(state.Results, whole) << "a cancelled run leaves nothing behind in the models";
}

TEST_F(SimulationSessionTest, ExitHandsTheFrequencyBackAndStoresTheStimulus) {
    for (FlagId category : {FlagId::rbConfigDPLL, FlagId::rbConfigADPLL}) {
        params.selectFlag(category);
        ASSERT_TRUE(run().ok);
        session.ChooseStimulus(Stimulus::PhiStep);
        params.setEntry(TextId::Simulf0, "1.5e5");
        const SimulationOutcome o = session.Exit();
        EXPECT_TRUE(o.resultsChanged);
        EXPECT_FALSE(session.resultsValid());
        EXPECT_EQ(params.rbSimulphistep, 1);
        const bool adpll = category == FlagId::rbConfigADPLL;
        EXPECT_EQ(params.text(adpll ? TextId::ConfigADPLLf0 : TextId::ConfigLDPLLf0), "1.5e5");
        EXPECT_FLOAT_EQ(adpll ? params.ConfigADPLLf0 : params.ConfigLDPLLf0, 150000.0f);
    }
}

TEST_F(SimulationSessionTest, ProtocolDescribesTheRunOnShowNotLaterEdits) {
    session.panel().entries.Simuldf = "3e3";
    ASSERT_TRUE(run().ok);
    session.ChooseStimulus(Stimulus::PhiStep);
    session.panel().addNoise = true;
    params.selectFlag(FlagId::rbConfigADPLL);
    const std::vector<std::string> lines = session.ProtocolLines({7, 3, 2024, 9, 5});
    // The eight lines of what was simulated, then the lock figures of run and model.
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[1], "7-3-2024  9:5\r\n");
    EXPECT_EQ(lines[6], "Response on frequency step 3e3 Hz\r\n");
    EXPECT_EQ(lines[7], "No noise added");
    EXPECT_EQ(lines[8].rfind("Lock time (+-30 Hz): run ", 0), 0u) << lines[8];
    EXPECT_NE(lines[8].find(" | model "), std::string::npos) << lines[8];
    EXPECT_EQ(lines[11].rfind("Final: run ", 0), 0u) << lines[11];
}

// The seed line follows the run's lines and its noise settings; the lock figures come after it.
constexpr std::size_t kSeedLine = 9;

// The seed is a setting: Open keeps it, every run takes it, the protocol names it, and "New
// noise" moves the setting to the next one (shown with the noise fields only).
TEST_F(SimulationSessionTest, NoiseSeedGoesWithTheRunsAndNewNoiseTakesTheNext) {
    session.Open();
    EXPECT_EQ(params.sidecar.NoiseSeed, 1u);
    session.panel().addNoise = true;
    ASSERT_TRUE(run().ok);
    const std::vector<ResultPair> seed1 = state.Results;
    ASSERT_TRUE(run().ok);
    EXPECT_EQ(state.Results, seed1);
    EXPECT_EQ(session.ProtocolLines({}).at(kSeedLine), "Noise seed = 1");

    const SimulationOutcome next = session.NewNoise();
    EXPECT_TRUE(next.ok && next.entriesChanged);
    EXPECT_EQ(params.sidecar.NoiseSeed, 2u);
    EXPECT_EQ(session.ProtocolLines({}).at(kSeedLine), "Noise seed = 1"); // the run on show
    ASSERT_TRUE(run().ok);
    EXPECT_NE(state.Results, seed1);
    EXPECT_EQ(session.ProtocolLines({}).at(kSeedLine), "Noise seed = 2");
    session.Open();
    EXPECT_EQ(params.sidecar.NoiseSeed, 2u);

    params.sidecar.NoiseSeed = 4294967295u;
    session.NewNoise();
    EXPECT_EQ(params.sidecar.NoiseSeed, 0u);
    EXPECT_EQ(NoiseSeedText(0), "Seed 0");

    // The seed and its button come and go with "Add noise".
    session.panel().addNoise = false;
    EXPECT_FALSE(session.visibility().noise);
    session.panel().addNoise = true;
    EXPECT_TRUE(session.visibility().noise);
}

} // namespace
} // namespace loopcraft
