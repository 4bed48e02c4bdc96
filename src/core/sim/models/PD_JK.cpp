// JK flip-flop detector: the initial state of a run.
#include "core/sim/models/PD_JK.h"

namespace loopcraft {

void PD_JK::Init() {
    SimState& s = *Sim;
    if (s.rbConfigADPLL != 0) {
        State = s.U1Bit == 1 ? 1 : 0;
        s.UdBit = State;
    } else if (s.cbSimulAddNoise) {
        // A reference that is high at the start has just set the flip-flop; one that is still
        // low was reset by the oscillator's edge half a period ago, as without noise.
        RefLevel = noisyStartLevel(s);
        State = RefLevel > 0 ? 1 : 0;
    } else {
        RefLevel = -1.0f;
        State = 0;
    }
}

} // namespace loopcraft
