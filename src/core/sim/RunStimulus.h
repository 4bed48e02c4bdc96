// The stimulus and starting state of a run, worked out once for every consumer: the simulation
// run sets its models up from it and the whole-loop circuit deck writes its sources from it, so a
// deck answers exactly the stimulus the run answers.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/sim/ProtocolText.h"

#include <cstdint>

namespace loopcraft {

struct RunStimulus {
    Stimulus stimulus = Stimulus::FStep;
    float f0 = 0;              // Hz, the centre frequency the oscillator starts from (Simulf0)
    float fRef = 0;            // Hz, the reference during the whole run (f0 + df for the f-step)
    float dphiRad = 0;         // rad, the phase step (phi-step only)
    int u1Bit = 0;             // the reference level the all-digital detectors start from
    float uMid = 0;            // V, mid-supply: where detector and filter rest at the start
    float theta2 = 0;          // rad, the oscillator's phase at the start, after the phase step
    bool scaler = false;       // the oscillator runs at N·f0 behind a divide-by-N
    std::int64_t nVco = 1;     // the oscillator's multiple of f0 (N with the scaler, else 1)
    std::int64_t nDivider = 1; // the divider's ratio during the run (N + dN for the N-step)
};

// The detector's phase at the start of a run, before the phase step: each detector starts in
// lock, at its own phase offset.
float InitialTheta2(const Configuration& config);

// The run's stimulus from the parameter set (Simulf0, Simuldf, Simuldphi, SimuldN, ConfigN,
// the supplies) and the chosen stimulus.
RunStimulus MakeRunStimulus(const ParameterSet& params, const Configuration& config,
                            Stimulus stimulus);

} // namespace loopcraft
