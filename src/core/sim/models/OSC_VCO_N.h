// Oscillator model: VCO running at N times the centre frequency, followed by a divide-by-N
// scaler; the phase it delivers is the scaler output's. With the N-step stimulus the divider
// ratio is N + dN from the first step on.
//
// Calling convention: once per mixed-signal step after the loop filter; no Init.
#pragma once

#include "core/sim/SimState.h"

namespace loopcraft {

class OSC_VCO_N final {
public:
    explicit OSC_VCO_N(SimState* sim) : Sim(sim) {}
    void Step();

    SimState* Sim;
    float UIn = 0;
    float Omega = 0;
};

} // namespace loopcraft
