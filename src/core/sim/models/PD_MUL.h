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

    // The detector's output levels, read once per step.
    struct Levels {
        float gain; // ConfigKd * pi * 0.25
        float uMid;
        float satP;
        float satN;
        // The clamped output for a sum of two sine values, a sign and the noise sample.
        float value(float sinSum, float sigma, float sample) const {
            // pi/4 times the sum is pi/2 times the trapezoid mean of the two sine values.
            const float v = (gain * sinSum + sample) * sigma + uMid;
            if (v > satP)
                return satP;
            if (v < satN)
                return satN;
            return v;
        }
    };

    // A piece without an oscillator edge in it recurs in a noise-free run: the same times, sign,
    // sample and starting sum come back every period or two. Its sum is kept, keyed by all of
    // these (and the levels it was taken with), so a recurring piece costs a look-up and gives
    // exactly the sum the integration would give.
    struct PieceEntry {
        std::array<std::uint32_t, 6> key{}; // ta, tb, sigma, sample, sum before, 1 / step length
        float sum = 0;                      // the sum after the piece
        bool valid = false;
    };
    static constexpr int kPieceCacheBits = 6;
    void rememberLevels(const Levels& lv);
    float integrateQuietPiece(const Levels& lv, float ta, float tb, float sigma, float sample);

    void integratePiece(const Levels& lv, float ta, float tb, double thetaA, double thetaB,
                        float sample);
    // Sums [ta, tb] with sign sigma; sinA = sin(2 pi ta). Returns sin(2 pi tb).
    float integrateSegment(const Levels& lv, float ta, float tb, float sinA, float sigma,
                           float sample);
    void integrateFastPiece(const Levels& lv, float ta, float tb, double thetaA, float sample);

    SineCache mSines = emptySineCache();
    std::array<PieceEntry, std::size_t{1} << kPieceCacheBits> mPieces{};
    std::array<std::uint32_t, 4> mPieceLevels{}; // the Levels the kept sums belong to
    bool mKeepPieces = false;                    // this step's reference is noise-free
};

inline void PD_MUL::Step() {
    SimState& s = *Sim;
    const RefPeriodRecord& rec = beginMixedStep();
    Accum = 0;
    const Levels lv{s.ConfigKd * std::numbers::pi_v<float> * 0.25f, s.UMid, s.ConfigPDSatP,
                    s.ConfigPDSatN};
    mKeepPieces = s.RefRecordsShared;
    if (mKeepPieces)
        rememberLevels(lv);
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
        integratePiece(lv, ts, te, s.Theta2Start, s.Theta2End, rec.QuarterSample[quarter & 3]);
    } else {
        const double thq = phaseAt(q);
        const auto quarter = static_cast<int>(detail::floorExact(4.0f * q));
        integratePiece(lv, ts, q, s.Theta2Start, thq, rec.QuarterSample[(quarter - 1) & 3]);
        integratePiece(lv, q, te, thq, s.Theta2End, rec.QuarterSample[quarter & 3]);
    }
    s.Ud = Accum;
}

inline void PD_MUL::integratePiece(const Levels& lv, float ta, float tb, double thetaA,
                                   double thetaB, float sample) {
    // Only an absurdly fast oscillator gets beyond this in one piece; its sign is then averaged
    // per sub-step instead of followed edge by edge.
    if (thetaB - thetaA > detail::kMaxHalfPeriodsPerPiece * detail::kPi) {
        integrateFastPiece(lv, ta, tb, thetaA, sample);
        return;
    }
    const detail::HalfPeriod start = detail::halfPeriodOf(thetaA * detail::kInvPi);
    double m = start.index;
    float level = start.level;
    if (mKeepPieces && !((m + 1.0) * detail::kPi < thetaB)) {
        Accum = integrateQuietPiece(lv, ta, tb, level, sample);
        return;
    }
    float tPrev = ta;
    float sinPrev = cachedSin(ta);
    double thPrev = thetaA;
    int crossings = 0;
    for (double c = (m + 1.0) * detail::kPi;
         c < thetaB && crossings < detail::kMaxCrossingsPerPiece;
         c = (m + 1.0) * detail::kPi, ++crossings) {
        const float tc = timeOfPhase(c, tPrev, thPrev);
        sinPrev = integrateSegment(lv, tPrev, tc, sinPrev, level, sample);
        tPrev = tc;
        thPrev = c;
        m += 1.0;
        level = detail::halfPeriodLevel(m);
    }
    integrateSegment(lv, tPrev, tb, sinPrev, level, sample);
}

inline void PD_MUL::rememberLevels(const Levels& lv) {
    const std::array<std::uint32_t, 4> bits{
        std::bit_cast<std::uint32_t>(lv.gain), std::bit_cast<std::uint32_t>(lv.uMid),
        std::bit_cast<std::uint32_t>(lv.satP), std::bit_cast<std::uint32_t>(lv.satN)};
    if (bits != mPieceLevels) {
        for (PieceEntry& e : mPieces)
            e.valid = false;
        mPieceLevels = bits;
    }
}

inline float PD_MUL::integrateQuietPiece(const Levels& lv, float ta, float tb, float sigma,
                                         float sample) {
    const std::array<std::uint32_t, 6> key{
        std::bit_cast<std::uint32_t>(ta),    std::bit_cast<std::uint32_t>(tb),
        std::bit_cast<std::uint32_t>(sigma), std::bit_cast<std::uint32_t>(sample),
        std::bit_cast<std::uint32_t>(Accum), std::bit_cast<std::uint32_t>(mInvDeltaT)};
    std::uint32_t h = 0;
    for (const std::uint32_t word : key)
        h = (h ^ word) * 0x9E3779B1u;
    PieceEntry& e = mPieces[h >> (32 - kPieceCacheBits)];
    if (e.valid && e.key == key)
        return e.sum;
    integrateSegment(lv, ta, tb, cachedSin(ta), sigma, sample);
    e.key = key;
    e.sum = Accum;
    e.valid = true;
    return Accum;
}

inline float PD_MUL::integrateSegment(const Levels& lv, float ta, float tb, float sinA, float sigma,
                                      float sample) {
    constexpr float kSubStep = 0.05f; // reference periods
    // A piece spans at most one step (a quarter period at most); the count only guards against
    // a piece end that is no longer a number the times can reach.
    constexpr int kMaxSubSteps = 64;
    const float invDeltaT = mInvDeltaT;
    float accum = Accum;
    float s0 = ta;
    float sin0 = sinA;
    int guard = 0;
    for (float t = ta + kSubStep; t < tb && guard < kMaxSubSteps; t += kSubStep, ++guard) {
        const float sin1 = cachedSin(t);
        accum += lv.value(sin0 + sin1, sigma, sample) * kSubStep * invDeltaT;
        s0 = t;
        sin0 = sin1;
    }
    const float sinB = cachedSin(tb);
    Accum = accum + lv.value(sin0 + sinB, sigma, sample) * (tb - s0) * invDeltaT;
    return sinB;
}

} // namespace loopcraft
