// The simulation panel's entries and checks, without widgets: reading the edits, the range rules
// in the panel's order, the run-size limits (steps and memory) and the panel's proposals when it
// opens. The run (SimulationRun.h) goes through the same checks before it touches anything.
#pragma once

#include "core/base/Message.h"
#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/sim/ProtocolText.h"

#include <optional>
#include <string>

namespace loopcraft {

inline constexpr const char* kSimulIllegalEntryTitle = "Illegal Entry";

// A run is refused beyond these sizes: its step or event count, and the memory of its result
// list and reference arrays.
inline constexpr double kMaxRunSteps = 2.0e9;
inline constexpr double kMaxRunBytes = 1024.0 * 1024.0 * 1024.0;

// The texts of the panel's edits when Run is pressed.
struct SimulationEntries {
    std::string Simulf0, Simuldf, Simuldphi, SimuldN, SimulnSamp, SimulT, SimulZoomFact, SimulSNR,
        SimulNoiseBW;
    // The texts currently stored in the set (what the edits show after the panel opened).
    static SimulationEntries fromParameters(const ParameterSet& params);
};

// Reads the entries into `params` in the panel's order; the first text that does not convert
// stops with its "Format error" (earlier fields stay stored). The all-digital loop skips nSamp
// and runs with SimulnSamp = 1.
std::optional<Message> ReadSimulationEntries(ParameterSet& params, const SimulationEntries& entries,
                                             Stimulus stimulus, bool adpll);

// The stimulus the live radio buttons (copied into the stimulus flags) select.
Stimulus StimulusFromFlags(const ParameterSet& params);
// The flag that selects `stimulus`.
FlagId StimulusFlag(Stimulus stimulus);

// The stimulus a run of `config` makes when `chosen` is asked for: the all-digital loop has no
// divider step and takes the frequency step instead.
Stimulus RunnableStimulus(Stimulus chosen, const Configuration& config);

// A mixed-signal loop's divider step needs the divider: the oscillator becomes "VCO + scaler".
// Returns whether the choice had to change.
bool SelectDividerForNStep(ParameterSet& params, Stimulus stimulus, const Configuration& config);

// The range checks of the panel in their order, then the run-size limits. The memory limit
// refuses here only a run that exceeds it even without noise and with "Filter"; runSimulation
// checks it again with the live choices. `handedOver`: the run will hand its points to a sink.
std::optional<Message> ValidateSimulation(const ParameterSet& params, Stimulus stimulus,
                                          const Configuration& config, bool handedOver = false);

// Estimated work (steps or events, including oscillator half-periods) of a run, and the bytes
// of the arrays it allocates (reference records, noise arrays, edge list, results), counted
// exactly as the run allocates them.
struct RunSize {
    double referencePeriods = 0;
    double steps = 0;
    double bytes = 0;
};
// With "Filter" unchecked, i.e. one recorded point per step.
RunSize EstimateRunSize(const ParameterSet& params, Stimulus stimulus, const Configuration& config,
                        bool addNoise);
// With the "Filter" choice (it takes effect with four steps a period only); `handedOver`: the
// run hands its points to a sink and holds one block at most.
RunSize EstimateRunSize(const ParameterSet& params, Stimulus stimulus, const Configuration& config,
                        bool addNoise, bool filtered, bool handedOver = false);

// What the panel shows when it opens: the centre frequency becomes Simulf0, and the proposed
// run length 4/f3db is written into SimulT (text as shown in the edit, value from that text).
struct PanelPreparation {
    bool filterVisible = true; // "Filter" is offered (and checked) for the mixed-signal loop
    bool nSampVisible = true;
    std::optional<std::string> proposedT; // empty when the 3-dB search found no crossing
};
PanelPreparation PrepareSimulationPanel(ParameterSet& params, const Configuration& config,
                                        const FilterDesignState& design);

// 4/f3db as the panel shows it: 3 significant digits, 9 decimals.
std::string FormatProposedT(float seconds);

// The memory limit with the live choices, as the run allocates.
std::optional<Message> ValidateRunSize(const ParameterSet& params, Stimulus stimulus,
                                       const Configuration& config, bool addNoise, bool filtered,
                                       bool handedOver);

} // namespace loopcraft
