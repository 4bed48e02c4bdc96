// EXOR detector: the mixed-signal output integrated between the exact reference and oscillator
// edges of a step, and the logic variant of the all-digital loop.
#include "core/sim/models/PD_EXOR.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace loopcraft {

namespace {
using detail::kInvPi;
using detail::kPi;
using detail::kTwoPi;
// Beyond this many oscillator half periods in one segment the segment is summed in closed form
// instead of edge by edge (only an absurdly fast oscillator gets there).
constexpr double kMaxHalfPeriodsPerSegment = 64.0;

// Phase measure of [0, theta] in which the oscillator output is high (even half periods).
double highMeasure(double theta) {
    const double cycles = std::floor(theta / kTwoPi);
    return cycles * kPi + std::min(theta - cycles * kTwoPi, kPi);
}
} // namespace

void PD_EXOR::Init() {
    SimState& s = *Sim;
    if (s.rbConfigADPLL == 0) {
        RefLevel = s.cbSimulAddNoise ? 1.0f : -1.0f;
    } else {
        State = s.U1Bit == s.U2Bit ? 0 : 1;
    }
    s.UdBit = State;
}

void PD_EXOR::StepMixed() {
    SimState& s = *Sim;
    const RefPeriodRecord& rec = beginMixedStep();
    Accum = 0;
    float e1 = 0;
    float e2 = 0;
    const int edges = stepEdges(rec, e1, e2);
    const float ts = s.TStepStart;
    const float te = s.TStepEnd;
    if (edges == 0) {
        integrateSegment(ts, te, s.Theta2Start, s.Theta2End);
    } else if (edges == 1) {
        const double th1 = phaseAt(e1);
        integrateSegment(ts, e1, s.Theta2Start, th1);
        RefLevel = -RefLevel;
        integrateSegment(e1, te, th1, s.Theta2End);
    } else {
        const double th1 = phaseAt(e1);
        const double th2 = phaseAt(e2);
        integrateSegment(ts, e1, s.Theta2Start, th1);
        RefLevel = -RefLevel;
        integrateSegment(e1, e2, th1, th2);
        RefLevel = -RefLevel;
        integrateSegment(e2, te, th2, s.Theta2End);
    }
    s.Ud = Accum;
}

void PD_EXOR::integrateSegment(float ta, float tb, double thetaA, double thetaB) {
    const SimState& s = *Sim;
    double m = std::floor(thetaA * kInvPi);
    if (thetaB - thetaA > kMaxHalfPeriodsPerSegment * kPi) {
        const double span = thetaB - thetaA;
        const auto highShare =
            static_cast<float>((highMeasure(thetaB) - highMeasure(thetaA)) / span);
        const float len = tb - ta;
        const float whenHigh = RefLevel == 1.0f ? s.ConfigPDSatN : s.ConfigPDSatP;
        const float whenLow = RefLevel == -1.0f ? s.ConfigPDSatN : s.ConfigPDSatP;
        Accum += len * highShare * whenHigh * mInvDeltaT +
                 len * (1.0f - highShare) * whenLow * mInvDeltaT;
        return;
    }
    float tPrev = ta;
    double thPrev = thetaA;
    for (double c = (m + 1.0) * kPi; c < thetaB; c = (m + 1.0) * kPi) {
        const float tc = timeOfPhase(c, tPrev, thPrev);
        OscLevel = detail::halfPeriodLevel(m);
        Accum +=
            (tc - tPrev) * (RefLevel == OscLevel ? s.ConfigPDSatN : s.ConfigPDSatP) * mInvDeltaT;
        tPrev = tc;
        thPrev = c;
        m += 1.0;
    }
    OscLevel = detail::halfPeriodLevel(m);
    Accum += (tb - tPrev) * (RefLevel == OscLevel ? s.ConfigPDSatN : s.ConfigPDSatP) * mInvDeltaT;
}

void PD_EXOR::StepAdpll() {
    SimState& s = *Sim;
    State = s.U1Bit == s.U2Bit ? 0 : 1;
    s.UdBit = State;
    s.U1Edge = false;
    s.U2Edge = false;
}

} // namespace loopcraft
