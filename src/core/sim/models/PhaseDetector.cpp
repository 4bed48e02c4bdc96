// The step limits of the phase detectors: the table of a period's steps, a step found by its
// index alone, and where a step meets a quarter-period boundary.
#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

void PhaseDetector::placeStep(SimState& s, std::uint32_t k, std::uint32_t n) {
    auto limits = [n](std::uint32_t slot) {
        StepSlot l;
        l.start = static_cast<float>(slot) / static_cast<float>(n);
        l.end = 1.0f / static_cast<float>(n) + l.start;
        l.length = l.end - l.start;
        l.invLength = 1.0f / l.length;
        int exponent = 0;
        l.powerOfTwo = std::frexp(l.length, &exponent) == 0.5f;
        l.quarters = quarterSplit(l.start, l.end);
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
    if (n == mSlotsFor) {
        mStep = &mSlots[mSlot];
    } else {
        mLooseStep = limits(mSlot);
        mStep = &mLooseStep;
    }
    s.TStepStart = mStep->start;
    s.TStepEnd = mStep->end;
    mDeltaT = mStep->length;
    mInvDeltaT = mStep->invLength;
}

PhaseDetector::QuarterSplit PhaseDetector::quarterSplit(float ts, float te) {
    QuarterSplit split;
    for (const float boundary : {0.25f, 0.5f, 0.75f}) {
        if (ts < boundary && boundary < te) {
            split.at = boundary;
            break;
        }
    }
    if (split.at == 0.0f) {
        split.before = split.after = static_cast<int>(detail::floorExact(4.0f * ts)) & 3;
    } else {
        const auto quarter = static_cast<int>(detail::floorExact(4.0f * split.at));
        split.before = (quarter - 1) & 3;
        split.after = quarter & 3;
    }
    return split;
}

} // namespace loopcraft
