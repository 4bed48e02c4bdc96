// The simulation panel's operations.
#include "core/sim/SimulationSession.h"

#include "core/design/FilterDesignState.h"

namespace loopcraft {

const char* const kNStepNoteText = "When simulation mode N-step is chosen,"
                                   "the oscillator type in the CONFIG dialog is\r\n"
                                   "automatically switched to VCO + scaler.\r\n"
                                   "Make shure that you specified appropriate values\r\n"
                                   "for N and K0 in the CONFIG dialog box.\r\n"
                                   "\r\n"
                                   "You should also check the filter design\r\n"
                                   "in the DESIGN dialog box.";

std::string* entryText(SimulationEntries& e, TextId id) {
    switch (id) {
    case TextId::Simulf0:
        return &e.Simulf0;
    case TextId::Simuldf:
        return &e.Simuldf;
    case TextId::Simuldphi:
        return &e.Simuldphi;
    case TextId::SimuldN:
        return &e.SimuldN;
    case TextId::SimulnSamp:
        return &e.SimulnSamp;
    case TextId::SimulT:
        return &e.SimulT;
    case TextId::SimulZoomFact:
        return &e.SimulZoomFact;
    case TextId::SimulSNR:
        return &e.SimulSNR;
    case TextId::SimulNoiseBW:
        return &e.SimulNoiseBW;
    default:
        return nullptr;
    }
}

SimulationSession::SimulationSession(ParameterSet& params, SimState& state)
    : mParams(params), mState(state) {
    LoadFromParameters();
}

void SimulationSession::LoadFromParameters() {
    mPanel.entries = SimulationEntries::fromParameters(mParams);
    mPanel.stimulus = StimulusFromFlags(mParams);
}

SimulationOutcome SimulationSession::Open() {
    const Configuration config = configuration();
    const PanelPreparation prep =
        PrepareSimulationPanel(mParams, config, FilterDesignState::fromParameters(mParams, config));
    mPanel.entries.Simulf0 = mParams.text(TextId::Simulf0);
    if (prep.proposedT) {
        mPanel.entries.SimulT = *prep.proposedT;
    }
    if (prep.filterVisible) {
        mPanel.filter = true;
    }
    mPanel.addNoise = false;
    SimulationOutcome outcome = ApplyStimulusRules();
    outcome.entriesChanged = true;
    return outcome;
}

SimulationOutcome SimulationSession::OpenWithStoredT() {
    const std::string storedT = mParams.text(TextId::SimulT);
    SimulationOutcome outcome = Open();
    mPanel.entries.SimulT = storedT;
    mParams.setEntry(TextId::SimulT, storedT);
    return outcome;
}

SimulationOutcome SimulationSession::ApplyStimulusRules() {
    SimulationOutcome outcome;
    outcome.ok = true;
    const Configuration config = configuration();
    if (config.isAdpll()) {
        const Stimulus runnable = RunnableStimulus(mPanel.stimulus, config);
        outcome.stimulusChanged = runnable != mPanel.stimulus;
        mPanel.stimulus = runnable;
    } else {
        outcome.oscillatorSwitched = SelectDividerForNStep(mParams, mPanel.stimulus, config);
    }
    return outcome;
}

SimulationOutcome SimulationSession::ChooseStimulus(Stimulus stimulus) {
    const bool newlyNStep = stimulus == Stimulus::NStep && mPanel.stimulus != Stimulus::NStep;
    mPanel.stimulus = stimulus;
    SimulationOutcome outcome = ApplyStimulusRules();
    if (newlyNStep && !configuration().isAdpll()) {
        outcome.message = Message{kNStepNoteTitle, kNStepNoteText, std::nullopt, false, false};
    }
    return outcome;
}

SimulationOutcome SimulationSession::Run(const SimulationProgress& progress) {
    SimulationOutcome outcome;
    if (!BeginRun(outcome)) {
        return outcome;
    }
    if (progress) {
        progress(0.0f);
    }
    return FinishRun(ComputeRun(progress));
}

bool SimulationSession::BeginRun(SimulationOutcome& outcome) {
    outcome = SimulationOutcome{};
    if (mRunning) {
        return false; // one run at a time
    }
    const Configuration config = configuration();
    const bool adpll = config.isAdpll();
    if (const Stimulus runnable = RunnableStimulus(mPanel.stimulus, config);
        runnable != mPanel.stimulus) {
        mPanel.stimulus = runnable;
        outcome.stimulusChanged = true;
    }
    const Stimulus stimulus = mPanel.stimulus;
    if ((outcome.message = ReadSimulationEntries(mParams, mPanel.entries, stimulus, adpll)) ||
        (outcome.message =
             ValidateSimulation(mParams, stimulus, config, static_cast<bool>(mState.ResultSink)))) {
        return false;
    }
    // The previous results go as the run starts: it rebuilds them in place.
    mState.ResultsValid = false;
    outcome.resultsChanged = true;
    mState.setParameters(mParams);
    mState.selectFlag(StimulusFlag(stimulus));
    mState.cbSimulAddNoise = mPanel.addNoise;
    mState.cbSimulFilter = mPanel.filter && !adpll;
    mTolerance = mParams.sidecar.SimTolerance;
    mModelCurve = mParams.sidecar.SimShowModel;
    mCancel.store(false);
    mRunning = true;
    mRunCancelled = false;
    mForgetRun = false;
    mRunOutcome = outcome;
    return true;
}

SimulationRunResult SimulationSession::ComputeRun(const SimulationProgress& progress) {
    // BeginRun made the range checks on the same parameters.
    SimulationRunResult run = runSimulation(mState, progress, &mCancel, true);
    // Gathered here, off the window's thread: the plot reads them at every paint.
    mBlocks = run.ok() ? CurveBlocks(mState.Results) : CurveBlocks();
    mRunLock.reset();
    mModel.reset();
    mModelWhy.clear();
    if (run.ok()) {
        const double tolerance = LockTolerance(mState, mTolerance);
        mRunLock = RunLockFigures(mState, tolerance);
        // The curve needs the points on show; a run handed to a sink keeps none.
        mModel =
            ModelStepResponse(mState, tolerance, mModelCurve && !mState.ResultSink, &mModelWhy);
    }
    return run;
}

SimulationOutcome SimulationSession::FinishRun(const SimulationRunResult& run) {
    SimulationOutcome outcome = mRunOutcome;
    mRunning = false;
    mRunCancelled = run.cancelled && !mForgetRun;
    if (!run.ok()) {
        outcome.message = run.refusal;
        return outcome;
    }
    if (run.filterUnchecked) {
        mPanel.filter = false;
        outcome.entriesChanged = true;
    }
    outcome.ok = true;
    return outcome;
}

std::vector<std::string> SimulationSession::LockLines() const {
    if (!resultsValid() && !mState.ResultSink)
        return {};
    return LockFigureLines(
        mRunLock, mModel ? std::optional<LockFigures>(mModel->lock) : std::optional<LockFigures>(),
        mModelWhy);
}

void SimulationSession::ShowModel(bool on) {
    mParams.sidecar.SimShowModel = on;
    if (on && resultsValid() && mModel && mModel->curve.empty()) {
        if (auto withCurve = ModelStepResponse(mState, mModel->lock.figures.tolerance, true))
            mModel = std::move(withCurve);
    }
}

void SimulationSession::SaveRadioButtonStatus() {
    mParams.selectFlag(StimulusFlag(mPanel.stimulus));
}

SimulationOutcome SimulationSession::NewNoise() {
    SimulationOutcome outcome;
    ++mParams.sidecar.NoiseSeed; // unsigned: wraps round to 0
    outcome.entriesChanged = true;
    outcome.ok = true;
    return outcome;
}

std::string NoiseSeedText(std::uint32_t seed) {
    return "Seed " + std::to_string(seed);
}

SimulationOutcome SimulationSession::Exit() {
    SimulationOutcome outcome;
    // The reference frequency chosen here becomes the loop's centre frequency.
    const bool adpll = configuration().isAdpll();
    mParams.setTextRaw(adpll ? TextId::ConfigADPLLf0 : TextId::ConfigLDPLLf0,
                       mParams.text(TextId::Simulf0));
    (adpll ? mParams.ConfigADPLLf0 : mParams.ConfigLDPLLf0) = mParams.Simulf0;
    SaveRadioButtonStatus();
    outcome.resultsChanged = resultsValid() || mRunCancelled;
    InvalidateResults();
    outcome.ok = true;
    return outcome;
}

void SimulationSession::InvalidateResults() {
    mRunCancelled = false;
    if (mRunning) {
        // The record is the run's until it ends; the run drops its results when cancelled.
        mForgetRun = true;
        CancelRun();
        return;
    }
    mState.ResultsValid = false;
}

SimulationPanelVisibility SimulationSession::visibility() const {
    const bool mixed = !configuration().isAdpll();
    SimulationPanelVisibility v;
    v.Simuldf = mPanel.stimulus == Stimulus::FStep;
    v.Simuldphi = mPanel.stimulus == Stimulus::PhiStep;
    v.SimuldN = mixed && mPanel.stimulus == Stimulus::NStep;
    v.rbSimulNstep = mixed;
    v.SimulnSamp = mixed;
    v.cbSimulFilter = mixed;
    v.noise = mPanel.addNoise;
    return v;
}

std::vector<std::string> SimulationSession::ProtocolLines(const ProtocolTimestamp& when) const {
    std::vector<std::string> lines = loopcraft::ProtocolLines(
        mState, Configuration::fromFlags(mState), StimulusFromFlags(mState), mState.cbSimulAddNoise,
        mState.sidecar.NoiseSeed, when);
    // The lock figures of run and model follow what was simulated.
    for (std::string& line : LockLines())
        lines.push_back(std::move(line));
    return lines;
}

} // namespace loopcraft
