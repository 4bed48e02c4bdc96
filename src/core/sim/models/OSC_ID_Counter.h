// Oscillator model of the all-digital loop: increment/decrement counter (the DCO) followed by a
// divide-by-N counter. Clocked at 2*N*f0; a toggle flip-flop lets every second clock count, and
// the pulse insertion/deletion network adds a count for each carry and drops one for each borrow
// of the K counter (recognised by the falling edge in a delay chain, one clock later).
//
// Calling convention: Init() at every ADPLL run, Step() on every I/D clock event.
#pragma once

#include "core/sim/SimState.h"

#include <cstdint>

namespace loopcraft {

class OSC_ID_Counter final {
public:
    explicit OSC_ID_Counter(SimState* sim) : Sim(sim) {}
    void Init();
    // One clock event of the I/D counter.
    void Step();

    // The registered flip-flops of the insertion/deletion network.
    struct FlipFlops {
        bool Carry1 = false;
        bool Carry2 = false;
        bool Carry3 = false;
        bool Borrow1 = false;
        bool Borrow2 = false;
        bool Borrow3 = false;
        bool CarryPulse = false;
        bool BorrowPulse = false;
        bool T = false;
    };

    SimState* Sim;
    std::int32_t OutBit = 0;
    bool CountEnable = true;
    std::uint32_t Counter = 0;
    FlipFlops Current;
    FlipFlops Next;
    bool G1 = false;
    bool G2 = false;
    bool G3 = false;
    bool G4 = false;
};

} // namespace loopcraft
