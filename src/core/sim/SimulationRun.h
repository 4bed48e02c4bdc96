// A simulation run without a window: the model set-up, the mixed-signal loop (one step per
// 1/nSamp reference period) and the event-driven ADPLL loop, and the recording of the two curves
// with their extremes. The panel's entries and checks are in SimulationEntries.h.
//
// Calling order of the panel: ReadSimulationEntries (format errors), then copy the parameter
// set and the live choices into the SimState (setParameters, the stimulus flags,
// cbSimulAddNoise, cbSimulFilter), then runSimulation, which checks the ranges and the run's
// size (its memory with the live choices) before it touches anything and refuses with an "Illegal
// Entry" message otherwise.
#pragma once

#include "core/sim/DISPLAY.h"
#include "core/sim/ProtocolText.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationEntries.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace loopcraft {

// Called now and then during a run with the fraction done (0..1).
using SimulationProgress = std::function<void(float)>;

// Set from any thread to stop a run early; the run looks at it whenever it reports progress.
using SimulationCancel = std::atomic<bool>;

struct SimulationRunResult {
    std::optional<Message> refusal; // set when the run did not start, or was discarded
    bool resultsDiscarded = false;  // the run's curves became non-finite: no results are kept
    bool cancelled = false;         // stopped on request: no results are kept
    bool filterUnchecked = false;   // nSamp > 4 cleared "Filter"
    bool scrollBarVisible = false;  // SimulZoomFact != 1
    std::size_t points = 0;
    float pointInterval = 0; // seconds between recorded points
    bool ok() const { return !refusal && !cancelled; }
};

// The whole run on `s` (parameters and live choices already copied in). On refusal nothing in
// `s` besides what the caller copied in changes: models, results and ResultsValid stay. A run
// whose curves became infinite or not-a-number is refused afterwards (kNonFiniteTitle, naming
// the curve and the time): its results are then discarded and ResultsValid is false. A run
// stopped through `cancel` discards its results the same way, without a message.
// `rangesChecked`: the caller made ValidateSimulation on these parameters already (the panel's
// session does, before it hands the run to another thread), so the run checks only its size.
SimulationRunResult runSimulation(SimState& s, const SimulationProgress& progress = {},
                                  const SimulationCancel* cancel = nullptr,
                                  bool rangesChecked = false);

// Seconds between two recorded points of the last run.
float RecordedPointInterval(const SimState& s);

// The plot's inputs from a finished run.
PlotSetup MakePlotSetup(const SimState& s, const PlotRect& frame);

} // namespace loopcraft
