// Oscillator model: VCO running at N times the centre frequency, followed by a divide-by-N
// scaler; the phase it delivers is the scaler output's. With the N-step stimulus the divider
// ratio is N + dN from the first step on.
//
// Calling convention: once per mixed-signal step after the loop filter; no Init.
#pragma once

#include "core/sim/SimState.h"

#include <cstdint>

namespace loopcraft {

class OSC_VCO_N final {
public:
    explicit OSC_VCO_N(SimState* sim) : Sim(sim) {}
    void Step() { Step(*Sim); }
    // The same with the record passed in by the run loop (it must be *Sim).
    void Step(SimState& s);

    SimState* Sim;
    float UIn = 0;
    float Omega = 0;
};

inline void OSC_VCO_N::Step(SimState& s) {
    const auto n = static_cast<float>(s.ConfigN);
    UIn = s.Uf;
    if (s.Uf > s.ConfigVCOSatP) {
        UIn = s.ConfigVCOSatP;
    }
    if (s.Uf < s.ConfigVCOSatN) {
        UIn = s.ConfigVCOSatN;
    }
    Omega = (UIn - s.UMid) * s.ConfigK0 + n * 3.14159f * 2.0f * s.Simulf0;
    if (!(Omega > 0.0f)) {
        Omega = n * 3.14159f * 0.02f * s.Simulf0;
    }
    s.Theta2Start = s.Theta2End;
    // Summed in 64 bits: N and dN are each a 32-bit entry.
    const auto divider = s.rbSimulNstep != 0
                             ? static_cast<float>(static_cast<std::int64_t>(s.ConfigN) + s.SimuldN)
                             : n;
    const float stepSeconds = 1.0f / (divider * static_cast<float>(s.SimulnSamp) * s.SimulfRef);
    const float increment = Omega * stepSeconds;
    s.Theta2End = static_cast<double>(increment) + s.Theta2Start;
}

} // namespace loopcraft
