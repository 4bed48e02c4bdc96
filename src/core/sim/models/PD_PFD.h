// Phase detector model: tri-state phase-frequency detector (UP / idle / DOWN). Serves the
// voltage-output PFD and the PFD with charge pump; the filter reads TUp and TDown.
#pragma once

#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

namespace detail {
// The first oscillator edge at or beyond `target`, counting from `edge` in whole periods.
inline double advanceUntil(double edge, double target) {
    if (!(edge < target))
        return edge;
    // Within one period the quotient lies in (0, 1] (or rounds to 0, which the loop below
    // makes good in the same way), so its ceiling is 1 and the division can be spared: it would
    // stand on the step chain of nearly every step.
    const double gap = target - edge;
    edge += gap <= kTwoPi ? kTwoPi : ceilExact(gap / kTwoPi) * kTwoPi;
    while (edge < target) // rounding of the jump above
        edge += kTwoPi;
    return edge;
}
} // namespace detail

class PD_PFD final : public PhaseDetector {
public:
    static constexpr float kInitialTheta2 = 0.0f;
    using PhaseDetector::PhaseDetector;
    void Init() override;
    void Step() { Step(*Sim); }
    void Step(SimState& s);
};

inline void PD_PFD::Step(SimState& s) {
    const RefPeriodRecord& rec = beginMixedStep(s);
    const float ts = s.TStepStart;
    const float te = s.TStepEnd;
    const double thEnd = s.Theta2End;

    float tJ = 0;
    const bool set = setEvent(s, rec, tJ);
    double next = nextEdgeAtStepStart(s);
    bool k1 = false;
    bool k2 = false;
    float tK1 = 0;
    float tK2 = 0;
    if (next < thEnd) {
        const float tK = timeOfPhase(next, ts, s.Theta2Start);
        if (!set) {
            k1 = true;
            tK1 = tK;
            next = detail::advanceUntil(next, thEnd);
        } else {
            next += detail::kTwoPi;
            if (tJ <= tK) {
                k2 = true;
                tK2 = tK;
                next = detail::advanceUntil(next, thEnd);
            } else {
                k1 = true;
                tK1 = tK;
                const double thJ = phaseAt(s, tJ);
                next = detail::advanceUntil(next, thJ);
                if (next < thEnd) {
                    k2 = true;
                    tK2 = timeOfPhase(next, tJ, thJ);
                    next = detail::advanceUntil(next, thEnd);
                }
            }
        }
    }
    NextOscEdge = next;

    const float dT = mDeltaT;
    float up = 0;
    float down = 0;
    if (State == -1) {
        if (!set) {
            down = dT;
        } else if (k2) {
            down = (tJ - ts) + (te - tK2);
        } else {
            down = tJ - ts;
            State = 0;
        }
    } else if (State == 0) {
        if (!set) {
            if (k1) {
                down = te - tK1;
                State = -1;
            }
        } else if (!k1 && !k2) {
            up = te - tJ;
            State = 1;
        } else if (!k1) {
            up = tK2 - tJ;
        } else if (!k2) {
            down = tJ - tK1;
        } else {
            down = (tJ - tK1) + (te - tK2);
            State = -1;
        }
    } else {
        if (!set) {
            if (k1) {
                up = tK1 - ts;
                State = 0;
            } else {
                up = dT;
            }
        } else if (!k1 && !k2) {
            up = dT;
        } else if (!k1) {
            up = tK2 - ts;
            State = 0;
        } else if (!k2) {
            up = (tK1 - ts) + (te - tJ);
        } else {
            up = (tK1 - ts) + (tK2 - tJ);
            State = 0;
        }
    }

    const auto n = static_cast<float>(s.SimulnSamp);
    s.Ud = n * ((s.ConfigPDSatN - s.UMid) * down + (s.ConfigPDSatP - s.UMid) * up) + s.UMid;
    Id = (up - down) * n * s.ChargePumpCurrent;
    s.Id = Id;
    s.TUp = up;
    s.TDown = down;
    s.UdBit = State;
}

} // namespace loopcraft
