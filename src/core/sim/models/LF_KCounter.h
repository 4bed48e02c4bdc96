// Loop filter of the all-digital loop: the K counter. Two modulo-K counters, counting up while
// the detector output is 1 and down otherwise; their top halves are the carry and borrow outputs
// that the DCO reacts to.
#pragma once

#include "core/sim/SimState.h"

#include <algorithm>
#include <cstdint>

namespace loopcraft {

class LF_KCounter final {
public:
    explicit LF_KCounter(SimState* sim) : Sim(sim) {}
    void Init();
    // One K clock event (defined below, for the run loop to inline).
    void Step();

    SimState* Sim;
    std::uint32_t UpCount = 0;
    std::uint32_t DownCount = 0;
};

inline void LF_KCounter::Step() {
    SimState& s = *Sim;
    // A modulus below 1 would divide by zero; such a counter behaves like K = 1.
    const auto k = static_cast<std::uint32_t>(std::max(1, s.FiltDesignK));
    // A counter below K needs no division to wrap (and is always below K after Init).
    auto advance = [k](std::uint32_t count) {
        const std::uint32_t next = count + 1;
        return next < k ? next : next % k;
    };
    // With K = 1 the counter has no upper half: its output stays low.
    if (s.UdBit == 1) {
        UpCount = advance(UpCount);
        s.KCarry = k > 1 && UpCount >= k / 2;
    } else {
        DownCount = advance(DownCount);
        s.KBorrow = k > 1 && DownCount >= k / 2;
    }
}

} // namespace loopcraft
