// Phase detector model: EXOR gate. In the mixed-signal loop its output sits at the low level
// while reference and oscillator square waves agree and at the high level otherwise; in the
// all-digital loop it is the logic bit of the two levels.
#pragma once

#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

class PD_EXOR final : public PhaseDetector {
public:
    static constexpr float kInitialTheta2 = -1.570795f;
    using PhaseDetector::PhaseDetector;
    void Init() override;
    void Step() {
        if (Sim->rbConfigDPLL == 1)
            StepMixed();
        else
            StepAdpll();
    }
    void StepMixed() { StepMixed(*Sim); }
    void StepMixed(SimState& s);
    void StepAdpll();

private:
    void integrateSegment(const SimState& s, float ta, float tb, double thetaA, double thetaB);
    // A segment across very many oscillator half periods, summed in closed form.
    void integrateFastSegment(const SimState& s, float ta, float tb, double thetaA, double thetaB);
};

inline void PD_EXOR::StepMixed(SimState& s) {
    const RefPeriodRecord& rec = beginMixedStep(s);
    Accum = 0;
    float e1 = 0;
    float e2 = 0;
    const int edges = stepEdges(s, rec, e1, e2);
    const float ts = s.TStepStart;
    const float te = s.TStepEnd;
    if (edges == 0) {
        integrateSegment(s, ts, te, s.Theta2Start, s.Theta2End);
    } else if (edges == 1) {
        const double th1 = phaseAt(s, e1);
        integrateSegment(s, ts, e1, s.Theta2Start, th1);
        RefLevel = -RefLevel;
        integrateSegment(s, e1, te, th1, s.Theta2End);
    } else {
        const double th1 = phaseAt(s, e1);
        const double th2 = phaseAt(s, e2);
        integrateSegment(s, ts, e1, s.Theta2Start, th1);
        RefLevel = -RefLevel;
        integrateSegment(s, e1, e2, th1, th2);
        RefLevel = -RefLevel;
        integrateSegment(s, e2, te, th2, s.Theta2End);
    }
    s.Ud = Accum;
}

inline void PD_EXOR::integrateSegment(const SimState& s, float ta, float tb, double thetaA,
                                      double thetaB) {
    // Only an absurdly fast oscillator gets beyond this in one segment.
    if (thetaB - thetaA > detail::kMaxHalfPeriodsPerPiece * detail::kPi) {
        integrateFastSegment(s, ta, tb, thetaA, thetaB);
        return;
    }
    const detail::HalfPeriod start = detail::halfPeriodOf(thetaA * detail::kInvPi);
    double m = start.index;
    float level = start.level;
    float tPrev = ta;
    double thPrev = thetaA;
    int crossings = 0;
    for (double c = (m + 1.0) * detail::kPi;
         c < thetaB && crossings < detail::kMaxCrossingsPerPiece;
         c = (m + 1.0) * detail::kPi, ++crossings) {
        const float tc = timeOfPhase(c, tPrev, thPrev);
        OscLevel = level;
        Accum +=
            (tc - tPrev) * (RefLevel == OscLevel ? s.ConfigPDSatN : s.ConfigPDSatP) * mInvDeltaT;
        tPrev = tc;
        thPrev = c;
        m += 1.0;
        level = detail::halfPeriodLevel(m);
    }
    OscLevel = level;
    Accum += (tb - tPrev) * (RefLevel == OscLevel ? s.ConfigPDSatN : s.ConfigPDSatP) * mInvDeltaT;
}

inline void PD_EXOR::StepAdpll() {
    SimState& s = *Sim;
    State = s.U1Bit == s.U2Bit ? 0 : 1;
    s.UdBit = State;
    s.U1Edge = false;
    s.U2Edge = false;
}

} // namespace loopcraft
