// Oscillator model: voltage-controlled oscillator. Advances the output phase by one step from
// the clamped control voltage Uf; all its state is Theta2End in SimState.
//
// Calling convention: once per mixed-signal step after the loop filter; no Init.
#pragma once

#include "core/sim/SimState.h"

namespace loopcraft {

class OSC_VCO final {
public:
    explicit OSC_VCO(SimState* sim) : Sim(sim) {}
    void Step();

    SimState* Sim;
    float UIn = 0;   // clamped control voltage of the step
    float Omega = 0; // angular frequency used in the step (rad/s)
};

} // namespace loopcraft
