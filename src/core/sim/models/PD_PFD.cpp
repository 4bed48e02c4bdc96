// Phase-frequency detector: the initial state of a run and the charge-pump current.
#include "core/sim/models/PD_PFD.h"

#include <numbers>

namespace loopcraft {

void PD_PFD::Init() {
    SimState& s = *Sim;
    if (s.cbSimulAddNoise) {
        // The reference's rising edge at t = 0 pairs with the oscillator's rising edge nearest
        // to it: the one at or before the start, or the next one when that comes within half a
        // cycle (an oscillator lagging after a phase step). Where both edges have passed, or
        // both are still to come, the detector is idle; where only one has passed it waits for
        // the other, UP or DOWN. Without noise the reference edge falls exactly on t = 0.
        RefLevel = noisyStartLevel(s);
        const double theta0 = s.Theta2Start;
        const double nextEdge =
            (detail::floorExact(theta0 / detail::kTwoPi) + 1.0) * detail::kTwoPi;
        const bool oscPassed = !(nextEdge - theta0 < detail::kPi);
        const bool refPassed = RefLevel > 0;
        State = refPassed == oscPassed ? 0 : (refPassed ? 1 : -1);
    } else if (s.rbSimulphistep != 0) {
        const bool lagging = s.SimuldphiRad < 0;
        State = lagging ? -1 : 1;
        RefLevel = lagging ? -1.0f : 1.0f;
    } else {
        State = -1;
        RefLevel = -1.0f;
    }
    s.UdBit = State;
    s.ChargePumpCurrent = static_cast<float>(s.ConfigKp * 2.0 * std::numbers::pi);
}

} // namespace loopcraft
