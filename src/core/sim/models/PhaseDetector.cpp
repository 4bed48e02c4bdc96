// The step limits of the phase detectors: the table of a period's steps and a step found by
// its index alone.
#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

void PhaseDetector::placeStep(std::uint32_t k, std::uint32_t n) {
    SimState& s = *Sim;
    auto limits = [n](std::uint32_t slot) {
        StepSlot l;
        l.start = static_cast<float>(slot) / static_cast<float>(n);
        l.end = 1.0f / static_cast<float>(n) + l.start;
        l.length = l.end - l.start;
        l.invLength = 1.0f / l.length;
        return l;
    };
    mSlot = (k - 1) % n;
    mPeriod = (k - 1) / n;
    mLastStep = k;
    if (n <= kMaxSlots && n != mSlotsFor) {
        for (std::uint32_t i = 0; i < n; ++i)
            mSlots[i] = limits(i);
        mSlotsFor = n;
    }
    // With more steps a period than the table holds every step takes this way.
    const StepSlot slot = n == mSlotsFor ? mSlots[mSlot] : limits(mSlot);
    s.TStepStart = slot.start;
    s.TStepEnd = slot.end;
    mDeltaT = slot.length;
    mInvDeltaT = slot.invLength;
}

} // namespace loopcraft
