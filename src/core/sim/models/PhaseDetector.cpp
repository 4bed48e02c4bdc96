// Step preamble and edge bookkeeping shared by the phase detectors.
#include "core/sim/models/PhaseDetector.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace loopcraft {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
const RefPeriodRecord kNoReference{};
} // namespace

const RefPeriodRecord& PhaseDetector::beginMixedStep() {
    SimState& s = *Sim;
    const auto n = static_cast<std::uint32_t>(std::max(1, s.SimulnSamp));
    const std::uint32_t k = s.StepIndex;
    s.TStepStart = static_cast<float>((k - 1) % n) / static_cast<float>(n);
    s.TStepEnd = 1.0f / static_cast<float>(n) + s.TStepStart;
    mDeltaT = s.TStepEnd - s.TStepStart;
    mInvDeltaT = 1.0f / mDeltaT;
    const auto dTheta = static_cast<float>(s.Theta2End - s.Theta2Start);
    PhaseSlope = dTheta / mDeltaT;
    mStepPerPhase = mDeltaT / dTheta;
    const std::size_t period = (k - 1) / n;
    // A step beyond the prepared reference sees no edges rather than foreign memory.
    return period < s.RefPeriodRecords.size() ? s.RefPeriodRecords[period] : kNoReference;
}

int PhaseDetector::stepEdges(const RefPeriodRecord& rec, float& e1, float& e2) const {
    const float ts = Sim->TStepStart;
    const float te = Sim->TStepEnd;
    int count = 0;
    for (const float e : rec.EdgeTime) {
        if (ts <= e && e < te) {
            if (count == 0) {
                e1 = e;
            } else {
                e2 = e;
            }
            if (++count == 2) {
                break;
            }
        }
    }
    return count;
}

bool PhaseDetector::setEvent(const RefPeriodRecord& rec, float& tJ) {
    float e1 = 0;
    float e2 = 0;
    const int edges = stepEdges(rec, e1, e2);
    const int level = static_cast<int>(RefLevel);
    if (edges == 1) {
        if (level == 1) { // falling edge: no set
            RefLevel = -1.0f;
            return false;
        }
        tJ = e1;
        RefLevel = 1.0f;
        return true;
    }
    if (edges == 2) { // a falling and a rising edge: the level ends where it started
        tJ = level == 1 ? e2 : e1;
        return true;
    }
    return false;
}

double PhaseDetector::nextEdgeAtStepStart() const {
    if (Sim->StepIndex == 1) {
        return (std::floor(Sim->Theta2Start / kTwoPi) + 1.0) * kTwoPi;
    }
    return NextOscEdge;
}

} // namespace loopcraft
