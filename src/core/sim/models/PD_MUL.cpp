// Multiplier detector: the product of the sine reference and the oscillator's square wave,
// integrated per step with trapezoid sub-steps between the oscillator's sign changes.
#include "core/sim/models/PD_MUL.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace loopcraft {

namespace {
using detail::kInvPi;
using detail::kPi;
using detail::kTwoPi;
constexpr float kPiF = std::numbers::pi_v<float>;
constexpr float kSubStep = 0.05f; // reference periods
constexpr int kMaxSubSteps = 64;
// Beyond this many oscillator half periods in one piece the sign is averaged per sub-step
// instead of followed edge by edge (only an absurdly fast oscillator gets there).
constexpr double kMaxHalfPeriodsPerPiece = 64.0;

float sinOfPeriods(float t) {
    return std::sin(2.0f * kPiF * t);
}

double highMeasure(double theta) {
    const double cycles = std::floor(theta / kTwoPi);
    return cycles * kPi + std::min(theta - cycles * kTwoPi, kPi);
}
} // namespace

float PD_MUL::value(float sinSum, float sigma, float sample) const {
    const SimState& s = *Sim;
    // pi/4 times the sum is pi/2 times the trapezoid mean of the two sine values.
    const float v = (s.ConfigKd * kPiF * 0.25f * sinSum + sample) * sigma + s.UMid;
    if (v > s.ConfigPDSatP) {
        return s.ConfigPDSatP;
    }
    if (v < s.ConfigPDSatN) {
        return s.ConfigPDSatN;
    }
    return v;
}

void PD_MUL::Step() {
    SimState& s = *Sim;
    const RefPeriodRecord& rec = beginMixedStep();
    Accum = 0;
    const float ts = s.TStepStart;
    const float te = s.TStepEnd;
    float q = 0;
    for (const float boundary : {0.25f, 0.5f, 0.75f}) {
        if (ts < boundary && boundary < te) {
            q = boundary;
            break;
        }
    }
    if (q == 0.0f) {
        const auto quarter = static_cast<int>(std::floor(4.0f * ts));
        integratePiece(ts, te, s.Theta2Start, s.Theta2End, rec.QuarterSample[quarter & 3]);
    } else {
        const double thq = phaseAt(q);
        const auto quarter = static_cast<int>(std::floor(4.0f * q));
        integratePiece(ts, q, s.Theta2Start, thq, rec.QuarterSample[(quarter - 1) & 3]);
        integratePiece(q, te, thq, s.Theta2End, rec.QuarterSample[quarter & 3]);
    }
    s.Ud = Accum;
}

void PD_MUL::integratePiece(float ta, float tb, double thetaA, double thetaB, float sample) {
    double m = std::floor(thetaA * kInvPi);
    if (thetaB - thetaA > kMaxHalfPeriodsPerPiece * kPi) {
        integrateFastPiece(ta, tb, thetaA, sample);
        return;
    }
    float tPrev = ta;
    double thPrev = thetaA;
    for (double c = (m + 1.0) * kPi; c < thetaB; c = (m + 1.0) * kPi) {
        const float tc = timeOfPhase(c, tPrev, thPrev);
        integrateSegment(tPrev, tc, detail::halfPeriodLevel(m), sample);
        tPrev = tc;
        thPrev = c;
        m += 1.0;
    }
    integrateSegment(tPrev, tb, detail::halfPeriodLevel(m), sample);
}

void PD_MUL::integrateSegment(float ta, float tb, float sigma, float sample) {
    float s0 = ta;
    float sin0 = sinOfPeriods(ta);
    // A piece spans at most one step (a quarter period at most); the count only guards against
    // a piece end that is no longer a number the times can reach.
    int guard = 0;
    for (float t = ta + kSubStep; t < tb && guard < kMaxSubSteps; t += kSubStep, ++guard) {
        const float sin1 = sinOfPeriods(t);
        Accum += value(sin0 + sin1, sigma, sample) * kSubStep * mInvDeltaT;
        s0 = t;
        sin0 = sin1;
    }
    Accum += value(sin0 + sinOfPeriods(tb), sigma, sample) * (tb - s0) * mInvDeltaT;
}

void PD_MUL::integrateFastPiece(float ta, float tb, double thetaA, float sample) {
    // The oscillator changes sign many times per sub-step: weight the two signs by the share of
    // each sub-step in which the oscillator is high.
    float s0 = ta;
    float sin0 = sinOfPeriods(ta);
    double th0 = thetaA;
    auto piece = [&](float s1) {
        const double th1 = static_cast<double>((s1 - ta) * PhaseSlope) + thetaA;
        const double span = th1 - th0;
        const float high =
            span > 0 ? static_cast<float>((highMeasure(th1) - highMeasure(th0)) / span) : 0.5f;
        const float sin1 = sinOfPeriods(s1);
        const float v = high * value(sin0 + sin1, 1.0f, sample) +
                        (1.0f - high) * value(sin0 + sin1, -1.0f, sample);
        Accum += v * (s1 - s0) * mInvDeltaT;
        s0 = s1;
        sin0 = sin1;
        th0 = th1;
    };
    int guard = 0;
    for (float t = ta + kSubStep; t < tb && guard < kMaxSubSteps; t += kSubStep, ++guard) {
        piece(t);
    }
    piece(tb);
}

} // namespace loopcraft
