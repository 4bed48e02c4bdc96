// DCO of the all-digital loop: increment/decrement counter with its pulse insertion/deletion
// network, followed by the divide-by-N counter that gives the output square wave.
#include "core/sim/models/OSC_ID_Counter.h"

namespace loopcraft {

void OSC_ID_Counter::Init() {
    SimState& s = *Sim;
    const std::uint32_t n = dividerRatio(s);
    // Start a quarter (EXOR) or half (JK) period before the next rising edge: the lock point
    // of that detector.
    Counter = s.rbConfigADPLLExor != 0 ? (n - 1) - n / 4 : (n - 1) - n / 2;
    CountEnable = true;
    OutBit = Counter < n / 2 ? 1 : 0;
    s.U2Bit = OutBit;
    Current = FlipFlops{};
    Next = FlipFlops{};
    G1 = G2 = G3 = G4 = false;
}

} // namespace loopcraft
