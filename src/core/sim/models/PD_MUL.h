// Phase detector model: analog multiplier. The reference is the unit sine sin(2*pi*t) plus the
// quarter-period noise sample, the oscillator output a square wave with the sign of sin(theta);
// their product is integrated with trapezoid sub-steps of 0.05 reference periods.
#pragma once

#include "core/sim/models/PhaseDetector.h"

#include <array>
#include <bit>
#include <cstdint>
#include <numbers>

namespace loopcraft {

class PD_MUL final : public PhaseDetector {
public:
    static constexpr float kInitialTheta2 = 1.570795f;
    using PhaseDetector::PhaseDetector;
    void Step();

private:
    // Sub-step times repeat from step to step: the step starts and ends, and the sub-steps
    // counted from them, take the same few values in every reference period. Only the times
    // counted from an oscillator edge are new. A small cache keyed by the bits of the time
    // therefore spares most sine evaluations and gives exactly the value the sine would give.
    struct SineEntry {
        std::uint32_t key;
        float value;
    };
    static constexpr int kSineCacheBits = 8;
    using SineCache = std::array<SineEntry, std::size_t{1} << kSineCacheBits>;

    static float sinOfPeriods(float t) { return std::sin(2.0f * std::numbers::pi_v<float> * t); }
    static SineCache emptySineCache();
    float cachedSin(float t) {
        const auto bits = std::bit_cast<std::uint32_t>(t);
        SineEntry& e = mSines[(bits * 0x9E3779B1u) >> (32 - kSineCacheBits)];
        if (e.key != bits) {
            e.key = bits;
            e.value = sinOfPeriods(t);
        }
        return e.value;
    }

    void integratePiece(float ta, float tb, double thetaA, double thetaB, float sample);
    // Sums [ta, tb] with sign sigma; sinA = sin(2 pi ta). Returns sin(2 pi tb).
    float integrateSegment(float ta, float tb, float sinA, float sigma, float sample);
    void integrateFastPiece(float ta, float tb, double thetaA, float sample);
    float value(float sinSum, float sigma, float sample) const;

    SineCache mSines = emptySineCache();
};

inline float PD_MUL::value(float sinSum, float sigma, float sample) const {
    const SimState& s = *Sim;
    // pi/4 times the sum is pi/2 times the trapezoid mean of the two sine values.
    const float v =
        (s.ConfigKd * std::numbers::pi_v<float> * 0.25f * sinSum + sample) * sigma + s.UMid;
    if (v > s.ConfigPDSatP)
        return s.ConfigPDSatP;
    if (v < s.ConfigPDSatN)
        return s.ConfigPDSatN;
    return v;
}

inline void PD_MUL::Step() {
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
        const auto quarter = static_cast<int>(detail::floorExact(4.0f * ts));
        integratePiece(ts, te, s.Theta2Start, s.Theta2End, rec.QuarterSample[quarter & 3]);
    } else {
        const double thq = phaseAt(q);
        const auto quarter = static_cast<int>(detail::floorExact(4.0f * q));
        integratePiece(ts, q, s.Theta2Start, thq, rec.QuarterSample[(quarter - 1) & 3]);
        integratePiece(q, te, thq, s.Theta2End, rec.QuarterSample[quarter & 3]);
    }
    s.Ud = Accum;
}

inline void PD_MUL::integratePiece(float ta, float tb, double thetaA, double thetaB, float sample) {
    // Beyond this many oscillator half periods in one piece the sign is averaged per sub-step
    // instead of followed edge by edge (only an absurdly fast oscillator gets there).
    constexpr double kMaxHalfPeriodsPerPiece = 64.0;
    if (thetaB - thetaA > kMaxHalfPeriodsPerPiece * detail::kPi) {
        integrateFastPiece(ta, tb, thetaA, sample);
        return;
    }
    double m = detail::floorExact(thetaA * detail::kInvPi);
    float tPrev = ta;
    float sinPrev = cachedSin(ta);
    double thPrev = thetaA;
    for (double c = (m + 1.0) * detail::kPi; c < thetaB; c = (m + 1.0) * detail::kPi) {
        const float tc = timeOfPhase(c, tPrev, thPrev);
        sinPrev = integrateSegment(tPrev, tc, sinPrev, detail::halfPeriodLevel(m), sample);
        tPrev = tc;
        thPrev = c;
        m += 1.0;
    }
    integrateSegment(tPrev, tb, sinPrev, detail::halfPeriodLevel(m), sample);
}

inline float PD_MUL::integrateSegment(float ta, float tb, float sinA, float sigma, float sample) {
    constexpr float kSubStep = 0.05f; // reference periods
    // A piece spans at most one step (a quarter period at most); the count only guards against
    // a piece end that is no longer a number the times can reach.
    constexpr int kMaxSubSteps = 64;
    float s0 = ta;
    float sin0 = sinA;
    int guard = 0;
    for (float t = ta + kSubStep; t < tb && guard < kMaxSubSteps; t += kSubStep, ++guard) {
        const float sin1 = cachedSin(t);
        Accum += value(sin0 + sin1, sigma, sample) * kSubStep * mInvDeltaT;
        s0 = t;
        sin0 = sin1;
    }
    const float sinB = cachedSin(tb);
    Accum += value(sin0 + sinB, sigma, sample) * (tb - s0) * mInvDeltaT;
    return sinB;
}

} // namespace loopcraft
