// K counter of the all-digital loop.
#include "core/sim/models/LF_KCounter.h"

#include <algorithm>

namespace loopcraft {

void LF_KCounter::Init() {
    UpCount = 0;
    DownCount = 0;
    Sim->KCarry = false;
    Sim->KBorrow = false;
}

void LF_KCounter::Step() {
    SimState& s = *Sim;
    // A modulus below 1 would divide by zero; such a counter behaves like K = 1.
    const auto k = static_cast<std::uint32_t>(std::max(1, s.FiltDesignK));
    // With K = 1 the counter has no upper half: its output stays low.
    if (s.UdBit == 1) {
        UpCount = (UpCount + 1) % k;
        s.KCarry = k > 1 && UpCount >= k / 2;
    } else {
        DownCount = (DownCount + 1) % k;
        s.KBorrow = k > 1 && DownCount >= k / 2;
    }
}

} // namespace loopcraft
