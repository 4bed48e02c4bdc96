// Oscillator model of the all-digital loop: increment/decrement counter (the DCO) followed by a
// divide-by-N counter. Clocked at 2*N*f0; a toggle flip-flop lets every second clock count, and
// the pulse insertion/deletion network adds a count for each carry and drops one for each borrow
// of the K counter (recognised by the falling edge in a delay chain, one clock later).
//
// Calling convention: Init() at every ADPLL run, Step() on every I/D clock event.
#pragma once

#include "core/sim/SimState.h"

#include <algorithm>
#include <cstdint>

namespace loopcraft {

class OSC_ID_Counter final {
public:
    explicit OSC_ID_Counter(SimState* sim) : Sim(sim) {}
    void Init();
    // One clock event of the I/D counter (defined below, for the run loop to inline).
    void Step();
    // The divide-by-N ratio; a ratio below 1 would divide by zero and behaves like N = 1.
    static std::uint32_t dividerRatio(const SimState& s) {
        return static_cast<std::uint32_t>(std::max(1, s.FiltDesignN));
    }

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

inline void OSC_ID_Counter::Step() {
    SimState& s = *Sim;
    const std::uint32_t n = dividerRatio(s);
    if (CountEnable) {
        // A counter below N needs no division to wrap (and is always below N after Init).
        const std::uint32_t next = Counter + 1;
        Counter = next < n ? next : next % n;
    }
    OutBit = Counter < n / 2 ? 1 : 0;
    if (OutBit != s.U2Bit) {
        s.U2Edge = true;
        s.U2Bit = OutBit;
        if (OutBit == 1) {
            const double now = static_cast<double>(s.StepIndex) + s.TIDClock;
            if (!s.U2RiseSeen) {
                s.TLastU2Rise = now;
                s.U2RiseSeen = true;
            } else {
                s.TPrevU2Rise = s.TLastU2Rise;
                s.TLastU2Rise = now;
            }
        }
    }

    const FlipFlops& q = Current;
    Next.Carry1 = s.KCarry;
    Next.Carry2 = q.Carry1;
    Next.Carry3 = q.Carry2;
    G1 = q.T && !q.Carry1 && q.Carry2;
    G2 = q.T && !q.Carry2 && q.Carry3;
    Next.CarryPulse = G1 || G2;
    Next.Borrow1 = s.KBorrow;
    Next.Borrow2 = q.Borrow1;
    Next.Borrow3 = q.Borrow2;
    G3 = !q.T && !q.Borrow2 && q.Borrow3;
    G4 = !q.T && !q.Borrow1 && q.Borrow2;
    Next.BorrowPulse = G3 || G4;
    if (q.CarryPulse == q.BorrowPulse) {
        // Neither pulse: toggle. Both at once cancel: hold.
        Next.T = q.CarryPulse ? q.T : !q.T;
    } else {
        Next.T = q.BorrowPulse; // a borrow forces 1 (skip a count), a carry 0 (count again)
    }
    CountEnable = !Next.T;
    Current = Next;
}

} // namespace loopcraft
