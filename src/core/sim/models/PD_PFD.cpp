// Phase-frequency detector: the initial state of a run and the charge-pump current.
#include "core/sim/models/PD_PFD.h"

#include <numbers>

namespace loopcraft {

void PD_PFD::Init() {
    SimState& s = *Sim;
    if (s.cbSimulAddNoise) {
        State = 1;
        RefLevel = 1.0f;
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
