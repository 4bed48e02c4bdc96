// Loop filter of the all-digital loop: the K counter. Two modulo-K counters, counting up while
// the detector output is 1 and down otherwise; their top halves are the carry and borrow outputs
// that the DCO reacts to.
#pragma once

#include "core/sim/SimState.h"

#include <cstdint>

namespace loopcraft {

class LF_KCounter final {
public:
    explicit LF_KCounter(SimState* sim) : Sim(sim) {}
    void Init();
    // One K clock event.
    void Step();

    SimState* Sim;
    std::uint32_t UpCount = 0;
    std::uint32_t DownCount = 0;
};

} // namespace loopcraft
