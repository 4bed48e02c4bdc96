// The simulation panel without its widgets: the entries and choices it holds, the rules that
// decide which fields it shows, and the operations behind its buttons (open, stimulus choice,
// Run, Exit, the protocol lines). Each operation returns what changed and at most one message.
//
// The desktop panel copies its controls into panel() before an operation and back afterwards;
// `loopcraft-cli simulate` fills panel() from the parameter set. The loop's category always comes
// from the stored configuration flags, so the panel's layout and the run never disagree.
#pragma once

#include "core/base/Message.h"
#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/sim/CurveBlocks.h"
#include "core/sim/ModelResponse.h"
#include "core/sim/ProtocolText.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace loopcraft {

inline constexpr const char* kNStepNoteTitle = "Note";
extern const char* const kNStepNoteText;

// The panel's seed label and "New noise" button, shown with the noise fields.
// The seed label's text: "Seed 1".
std::string NoiseSeedText(std::uint32_t seed);

// What the panel's controls hold.
struct SimulationPanelModel {
    SimulationEntries entries; // the texts of the nine edits
    Stimulus stimulus = Stimulus::FStep;
    bool addNoise = false; // "Add noise"
    bool filter = true;    // "Filter"
};

// The entry text of a simulation edit; null for a text that is not one of the nine.
std::string* entryText(SimulationEntries& entries, TextId id);

// Which controls the panel shows. An edit always goes together with its label.
struct SimulationPanelVisibility {
    bool Simuldf = true;
    bool Simuldphi = false;
    bool SimuldN = false;
    bool rbSimulNstep = true;
    bool SimulnSamp = true;
    bool cbSimulFilter = true;
    bool noise = false; // SNR, NoiseBW, the seed and "New noise"

    bool operator==(const SimulationPanelVisibility&) const = default;
};

struct SimulationOutcome {
    bool ok = false;                // the operation ran to its end
    std::optional<Message> message; // to show, then focus its field
    bool stimulusChanged = false;   // the model's stimulus was set by the rules
    bool entriesChanged = false;    // texts or check boxes of the model were written
    bool oscillatorSwitched = false;
    bool resultsChanged = false; // results became valid or were dropped
};

class SimulationSession {
public:
    SimulationSession(ParameterSet& params, SimState& state);

    // Fills the model from the parameter set: the stored texts and the stimulus flags.
    void LoadFromParameters();

    // Opening the panel: Simulf0 from the loop's centre frequency, the proposed run length
    // 4/f3db, "Filter" checked for a mixed-signal loop, no noise; then the stimulus rules.
    SimulationOutcome Open();
    // Opening the panel, then the run length stored before it (SimulT, text and value) put
    // back in place of the proposed one: a run of the stored loop as the user last set it up,
    // for the command line and the report.
    SimulationOutcome OpenWithStoredT();

    // The stimulus rules: a mixed-signal loop with N-step needs the divider, so the oscillator
    // flags become VCO with scaler; the all-digital loop has no N-step and falls back to f-step.
    SimulationOutcome ApplyStimulusRules();

    // The user picked a stimulus. Choosing N-step (when it was not chosen) brings the note that
    // the oscillator is switched; the rules follow in every case.
    SimulationOutcome ChooseStimulus(Stimulus stimulus);

    // Run: read the entries (format errors), check them, run the configured loop and keep the
    // results. `progress` is called with 0 once the checks have passed, before the work starts.
    SimulationOutcome Run(const SimulationProgress& progress = {});

    // Run in three steps, for a window that computes on another thread. BeginRun reads and
    // checks the entries and hands them to the run; false means the run does not start and
    // `outcome` says why. ComputeRun is the run itself, the one part that takes long: it touches
    // nothing but the simulation record, and it is the only member that may be called from
    // another thread, between BeginRun and FinishRun. FinishRun takes its result.
    bool BeginRun(SimulationOutcome& outcome);
    SimulationRunResult ComputeRun(const SimulationProgress& progress = {});
    SimulationOutcome FinishRun(const SimulationRunResult& run);
    // Asks the run in progress to stop soon; safe from any thread. Its results are dropped.
    void CancelRun() { mCancel.store(true); }
    // Between BeginRun and FinishRun: the record is the run's, nothing may read it.
    bool running() const { return mRunning; }
    // The last run was stopped by the user: there are no results, and the plot says why.
    bool runCancelled() const { return mRunCancelled; }

    // "New noise": the next noise seed (a setting, params().sidecar.NoiseSeed; after the largest
    // comes 0), for a run with another realisation of the same noise settings.
    SimulationOutcome NewNoise();

    // Exit: the centre frequency of the configuration takes Simulf0 (text and value), the
    // stimulus choice is stored in its flags and the results are dropped.
    SimulationOutcome Exit();

    // The stimulus choice into its flags.
    void SaveRadioButtonStatus();

    // The results are shown no longer (start logo, display options). A run in progress is
    // cancelled: what it would bring is not wanted either.
    void InvalidateResults();

    SimulationPanelVisibility visibility() const;
    Configuration configuration() const { return Configuration::fromFlags(mParams); }
    bool resultsValid() const { return !mRunning && mState.ResultsValid; }
    // The zoomed run shows only part of its time axis; the scroll bar moves it.
    bool scrollBarVisible() const { return resultsValid() && mState.SimulZoomFact != 1; }
    // The protocol of the run on show: what was simulated, as it was typed, and when; then the
    // lock figures of run and model.
    std::vector<std::string> ProtocolLines(const ProtocolTimestamp& when) const;

    // Lock figures of the last run and of the designed loop in the band of SimTolerance (1 % of
    // the step when 0). The model's curve is there while "Model" (SimShowModel) is on.
    const std::optional<LockFigures>& runLock() const { return mRunLock; }
    const std::optional<ModelResponse>& model() const { return mModel; }
    const std::string& modelUnavailable() const { return mModelWhy; }
    // The figures of both, one line each (panel, protocol, report, command line).
    std::vector<std::string> LockLines() const;
    // "Model": stored in SimShowModel; turned on after a run, the curve is computed at once.
    void ShowModel(bool on);

    SimulationPanelModel& panel() { return mPanel; }
    const SimulationPanelModel& panel() const { return mPanel; }
    const SimState& state() const { return mState; }
    // The block extremes of the last run's curves, for the plot.
    const CurveBlocks& blocks() const { return mBlocks; }
    ParameterSet& params() { return mParams; }
    const ParameterSet& params() const { return mParams; }

private:
    ParameterSet& mParams;
    SimState& mState;
    SimulationPanelModel mPanel;
    SimulationCancel mCancel{false};
    bool mRunning = false;
    bool mRunCancelled = false;
    bool mForgetRun = false;       // the run was cancelled by InvalidateResults, not by the user
    SimulationOutcome mRunOutcome; // what BeginRun found, completed by FinishRun
    CurveBlocks mBlocks;
    double mTolerance = 0;    // SimTolerance of the run in progress
    bool mModelCurve = false; // its "Model" state
    std::optional<LockFigures> mRunLock;
    std::optional<ModelResponse> mModel;
    std::string mModelWhy;
};

} // namespace loopcraft
