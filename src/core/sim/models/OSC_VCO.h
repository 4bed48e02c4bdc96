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
    void Step() { Step(*Sim); }
    // The same with the record passed in by the run loop (it must be *Sim).
    void Step(SimState& s);

    SimState* Sim;
    float UIn = 0;   // clamped control voltage of the step
    float Omega = 0; // angular frequency used in the step (rad/s)
};

inline void OSC_VCO::Step(SimState& s) {
    UIn = s.Uf;
    if (s.Uf > s.ConfigVCOSatP) {
        UIn = s.ConfigVCOSatP;
    }
    if (s.Uf < s.ConfigVCOSatN) {
        UIn = s.ConfigVCOSatN;
    }
    s.Theta2Start = s.Theta2End;
    Omega = (UIn - s.UMid) * s.ConfigK0 + 3.14159f * 2.0f * s.Simulf0;
    // The oscillator never stops or runs backwards: it keeps 1 % of its centre frequency.
    if (!(Omega > 0.0f)) {
        Omega = 3.14159f * 0.02f * s.Simulf0;
    }
    // The step length does not depend on the control voltage: its reciprocal is ready before
    // Omega is.
    const float stepSeconds = 1.0f / (static_cast<float>(s.SimulnSamp) * s.SimulfRef);
    const float increment = Omega * stepSeconds;
    s.Theta2End = static_cast<double>(increment) + s.Theta2Start;
}

} // namespace loopcraft
