// EXOR detector: the initial levels, the closed-form sum for an oscillator far faster than the
// step.
#include "core/sim/models/PD_EXOR.h"

#include <algorithm>
#include <cmath>

namespace loopcraft {

namespace {
// Phase measure of [0, theta] in which the oscillator output is high (even half periods).
double highMeasure(double theta) {
    const double cycles = std::floor(theta / detail::kTwoPi);
    return cycles * detail::kPi + std::min(theta - cycles * detail::kTwoPi, detail::kPi);
}
} // namespace

void PD_EXOR::Init() {
    SimState& s = *Sim;
    if (s.rbConfigADPLL == 0)
        RefLevel = s.cbSimulAddNoise ? noisyStartLevel(s) : -1.0f;
    else
        State = s.U1Bit == s.U2Bit ? 0 : 1;
    s.UdBit = State;
}

void PD_EXOR::integrateFastSegment(const SimState& s, float ta, float tb, double thetaA,
                                   double thetaB) {
    const double span = thetaB - thetaA;
    const auto highShare = static_cast<float>((highMeasure(thetaB) - highMeasure(thetaA)) / span);
    const float len = tb - ta;
    const float whenHigh = RefLevel == 1.0f ? s.ConfigPDSatN : s.ConfigPDSatP;
    const float whenLow = RefLevel == -1.0f ? s.ConfigPDSatN : s.ConfigPDSatP;
    Accum +=
        len * highShare * whenHigh * mInvDeltaT + len * (1.0f - highShare) * whenLow * mInvDeltaT;
}

} // namespace loopcraft
