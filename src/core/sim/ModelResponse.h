// The designed loop beside the run: the linear model's answer to the run's stimulus, in the
// run's own curve quantity and on its time grid, and the lock figures of both, measured the
// same way (StepMeasures' MeasureSettling) so that they can be read side by side.
//
// What is measured: for frequency and divider steps the oscillator's frequency deviation (Hz,
// the oscillator's own output, before any divider); for phase steps the phase error (degrees).
// The run gives its oscillator's mean frequency over each reference period, so the ripple a
// detector leaves on the control voltage does not count as unlocked.
#pragma once

#include "core/sim/SimState.h"
#include "core/sim/StepMeasures.h"

#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

struct LockFigures {
    bool phase = false;     // the band is on the phase error (degrees), else on frequency (Hz)
    bool overNoise = false; // the run had noise on its reference: the figures include it
    double step = 0;        // the tracked quantity's step: Hz of the oscillator, or degrees
    // Periods over which the run's frequency was averaged before it was measured (the ADPLL's
    // DCO jumps by whole counter steps from period to period); 1 for per-period means.
    std::size_t averagedPeriods = 1;
    SettlingFigures figures;
};

// The band's half-width for the run in `s`: `setting` when positive, else 1 % of the step.
double LockTolerance(const SimState& s, double setting);

// The figures of the finished run in `s`. Nothing when the run recorded no period.
std::optional<LockFigures> RunLockFigures(const SimState& s, double tolerance);

struct ModelResponse {
    // Curve 2 of the model at each recorded point of the run: Uf (V) of a mixed-signal loop, the
    // DCO's frequency deviation delta_f2 (Hz) of the ADPLL. "Filter" averages it as it does the
    // run's.
    std::vector<float> curve;
    LockFigures lock;
};

// The model's response to the stimulus of the finished run in `s` (the same configuration,
// design and stimulus; the divider step runs the loop with its new ratio). `withCurve` false
// leaves the curve empty (the figures alone). Nothing, with `why` set, when the design has no
// linear model to offer (factors not positive and finite, or an unstable loop).
std::optional<ModelResponse> ModelStepResponse(const SimState& s, double tolerance, bool withCurve,
                                               std::string* why = nullptr);

} // namespace loopcraft

namespace loopcraft {

// The figures of run and model side by side, one line per figure, as the panel, the printed
// protocol, the report and the command line show them: "Lock time (+-20 Hz): run 566 us |
// model 460 us", overshoot, first peak, final value, and notes (noise, averaging). A missing
// model shows `modelWhy`.
std::vector<std::string> LockFigureLines(const std::optional<LockFigures>& run,
                                         const std::optional<LockFigures>& model,
                                         const std::string& modelWhy = {});

} // namespace loopcraft
