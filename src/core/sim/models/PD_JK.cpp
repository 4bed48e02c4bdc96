// JK flip-flop detector: set (J) by rising reference edges, reset (K) by rising oscillator
// edges located exactly within the step; the output is the high-time share of the step.
#include "core/sim/models/PD_JK.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace loopcraft {

namespace {
constexpr double kTwoPi = 2.0 * std::numbers::pi;
}

void PD_JK::Init() {
    SimState& s = *Sim;
    if (s.rbConfigADPLL != 0) {
        State = s.U1Bit == 1 ? 1 : 0;
        s.UdBit = State;
    } else if (s.cbSimulAddNoise) {
        RefLevel = 1.0f;
        State = 1;
    } else {
        RefLevel = -1.0f;
        State = 0;
    }
}

void PD_JK::StepMixed() {
    SimState& s = *Sim;
    const RefPeriodRecord& rec = beginMixedStep();
    Accum = 0;
    const float ts = s.TStepStart;
    const float te = s.TStepEnd;
    const double thEnd = s.Theta2End;
    const double tol = EdgeTolerance;

    float tJ = 0;
    const bool set = setEvent(rec, tJ);
    double next = nextEdgeAtStepStart();
    bool k1 = false;
    bool k2 = false;
    float tK1 = 0;
    float tK2 = 0;
    if (next - tol < thEnd) {
        const float tK = timeOfPhase(next, ts, s.Theta2Start);
        next += kTwoPi;
        if (!set) {
            k1 = true;
            tK1 = tK;
        } else if (tJ <= tK) {
            k2 = true;
            tK2 = tK;
        } else {
            k1 = true;
            tK1 = tK;
            const double thJ = phaseAt(tJ);
            next = (std::floor(thJ / kTwoPi) + 1.0) * kTwoPi;
            if (next - tol < thEnd) {
                k2 = true;
                tK2 = timeOfPhase(next, tJ, thJ);
                next += kTwoPi;
            }
        }
    }
    NextOscEdge = std::max(next, (std::floor(thEnd / kTwoPi) + 1.0) * kTwoPi);

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
    s.Ud = s.ConfigPDSatN * (dT - high) / dT + s.ConfigPDSatP * high / dT;
    s.UdBit = State;
}

void PD_JK::StepAdpll() {
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
