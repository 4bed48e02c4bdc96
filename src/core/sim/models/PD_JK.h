// Phase detector model: JK flip-flop, set by rising reference edges and reset by rising
// oscillator edges (an oscillator edge up to EdgeTolerance beyond the step still counts).
#pragma once

#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

class PD_JK final : public PhaseDetector {
public:
    static constexpr float kInitialTheta2 = 3.14159f;
    using PhaseDetector::PhaseDetector;
    void Init() override;
    void Step() {
        if (Sim->rbConfigADPLL == 0) {
            StepMixed();
        } else {
            StepAdpll();
        }
    }
    void StepMixed() { StepMixed(*Sim); }
    void StepMixed(SimState& s);
    void StepAdpll();
};

inline void PD_JK::StepMixed(SimState& s) {
    const RefPeriodRecord& rec = beginMixedStep(s);
    Accum = 0;
    const float ts = s.TStepStart;
    const float te = s.TStepEnd;
    const double thEnd = s.Theta2End;
    const double tol = EdgeTolerance;

    float tJ = 0;
    const bool set = setEvent(s, rec, tJ);
    double next = nextEdgeAtStepStart(s);
    bool k1 = false;
    bool k2 = false;
    float tK1 = 0;
    float tK2 = 0;
    if (next - tol < thEnd) {
        const float tK = timeOfPhase(next, ts, s.Theta2Start);
        next += detail::kTwoPi;
        if (!set) {
            k1 = true;
            tK1 = tK;
        } else if (tJ <= tK) {
            k2 = true;
            tK2 = tK;
        } else {
            k1 = true;
            tK1 = tK;
            const double thJ = phaseAt(s, tJ);
            next = (detail::floorExact(thJ / detail::kTwoPi) + 1.0) * detail::kTwoPi;
            if (next - tol < thEnd) {
                k2 = true;
                tK2 = timeOfPhase(next, tJ, thJ);
                next += detail::kTwoPi;
            }
        }
    }
    NextOscEdge =
        std::max(next, (detail::floorExact(thEnd / detail::kTwoPi) + 1.0) * detail::kTwoPi);

    const float dT = mDeltaT;
    float high = 0;
    if (State == 1) {
        if (!set) {
            if (k1) {
                high = tK1 - ts;
                State = 0;
            } else {
                high = dT;
            }
        } else if (!k1 && !k2) {
            high = dT;
        } else if (!k1) {
            high = tK2 - ts;
            State = 0;
        } else if (!k2) {
            high = (te - tJ) + (tK1 - ts);
        } else {
            high = (tK2 - tJ) + (tK1 - ts);
            State = 0;
        }
    } else if (set) {
        if (k2) {
            high = tK2 - tJ;
        } else {
            high = te - tJ;
            State = 1;
        }
    }
    s.Ud = perStepLength(s.ConfigPDSatN * (dT - high)) + perStepLength(s.ConfigPDSatP * high);
    s.UdBit = State;
}

inline void PD_JK::StepAdpll() {
    SimState& s = *Sim;
    if (s.U1Edge) {
        if (s.U1Bit == 1) {
            State = 1;
        }
        s.U1Edge = false;
    }
    if (s.U2Edge) {
        if (s.U2Bit == 1) {
            State = 0;
        }
        s.U2Edge = false;
    }
    s.UdBit = State;
}

} // namespace loopcraft
