// DCO of the all-digital loop: increment/decrement counter with its pulse insertion/deletion
// network, followed by the divide-by-N counter that gives the output square wave.
#include "core/sim/models/OSC_ID_Counter.h"

#include <algorithm>

namespace loopcraft {

namespace {
std::uint32_t dividerRatio(const SimState& s) {
    // A ratio below 1 would divide by zero; such a divider behaves like N = 1.
    return static_cast<std::uint32_t>(std::max(1, s.FiltDesignN));
}
} // namespace

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

void OSC_ID_Counter::Step() {
    SimState& s = *Sim;
    const std::uint32_t n = dividerRatio(s);
    if (CountEnable) {
        Counter = (Counter + 1) % n;
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
