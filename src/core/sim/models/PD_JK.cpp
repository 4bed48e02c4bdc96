// JK flip-flop detector: the initial state of a run.
#include "core/sim/models/PD_JK.h"

namespace loopcraft {

void PD_JK::Init() {
    SimState& s = *Sim;
    if (s.rbConfigADPLL != 0) {
        State = s.U1Bit == 1 ? 1 : 0;
        s.UdBit = State;
    } else if (s.cbSimulAddNoise) {
        RefLevel = 1.0f;
        State = 1;
    } else {
        RefLevel = -1.0f;
        State = 0;
    }
}

} // namespace loopcraft
