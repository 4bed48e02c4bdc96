// Phase detector model: analog multiplier. The reference is the unit sine sin(2*pi*t) plus the
// quarter-period noise sample, both weighted by the gain Kd; the oscillator output is a square
// wave with the sign of sin(theta); their product is integrated with trapezoid sub-steps of 0.05
// reference periods.
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
    void Step() { Step(*Sim); }
    void Step(SimState& s);

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

    // The pieces that start a step recur in a noise-free run: the same start, end, sign and
    // sample come back every period or two, and so do the sub-steps counted from the start,
    // which are all a piece without an oscillator edge consists of, and all a piece with one
    // has up to its first edge. The sub-step times, their sines and the running sums are kept,
    // keyed by all a sum depends on (and the levels, see rememberLevels), so that a recurring
    // piece costs a look-up and gives exactly the sums the integration would give.
    static constexpr int kMaxKeptSubSteps = 8; // a step of a quarter period has five or six
    struct PieceEntry {
        std::array<std::uint32_t, 4> key{}; // ta, tb, sample, 1 / step length
        int count = 0;                      // sub-steps strictly before tb
        // Index 0 is the piece start (sum 0); index j the j-th sub-step and the sum up to it.
        std::array<float, kMaxKeptSubSteps + 1> time{};
        std::array<float, kMaxKeptSubSteps + 1> sine{};
        std::array<float, kMaxKeptSubSteps + 1> sum{};
        float whole = 0; // the sum of the whole piece, remainder up to tb included
        bool valid = false;
    };
    // A segment that follows an oscillator edge starts at the edge time, which in a settled,
    // noise-free loop comes back with the same bits every period or two, and so do the sum it
    // starts from and everything else its sub-steps depend on. Such segments are kept by all of
    // that, so a recurring one costs a look-up and gives exactly the sum the sub-steps give.
    struct SegmentEntry {
        std::array<std::uint32_t, 6> key{}; // ta, tb, sign, sample, 1 / step length, start sum
        float accum = 0;
        float sinB = 0;
        bool valid = false;
    };
    static constexpr int kSegmentCacheBits = 7;
    void rememberLevels(const Levels& lv);
    // The kept sub-steps of a piece that starts its step (Accum = 0), or nullptr when the piece
    // has more sub-steps than are kept.
    const PieceEntry* keptPiece(const Levels& lv, float ta, float tb, float sigma, float sample);
    // Accum after [ta, tc] from the kept sub-steps of the piece; returns sin(2 pi tc).
    float finishKeptSegment(const PieceEntry& e, const Levels& lv, float tc, float sigma,
                            float sample);

    void integratePiece(const Levels& lv, float ta, float tb, double thetaA, double thetaB,
                        float sample);
    // Sums [ta, tb] with sign sigma; sinA = sin(2 pi ta). Returns sin(2 pi tb).
    float integrateSegment(const Levels& lv, float ta, float tb, float sinA, float sigma,
                           float sample);
    void integrateFastPiece(const Levels& lv, float ta, float tb, double thetaA, float sample);

    SineCache mSines = emptySineCache();
    // One entry for each step of the period and each sign the oscillator starts it with.
    std::array<PieceEntry, 2 * kMaxSlots> mPieces{};
    std::array<SegmentEntry, std::size_t{1} << kSegmentCacheBits> mSegments{};
    std::array<std::uint32_t, 4> mPieceLevels{}; // the Levels the kept sums belong to
    bool mKeepPieces = false;                    // this step's reference is noise-free
};

inline void PD_MUL::Step(SimState& s) {
    const RefPeriodRecord& rec = beginMixedStep(s);
    Accum = 0;
    const Levels lv{s.ConfigKd * std::numbers::pi_v<float> * 0.25f, s.UMid, s.ConfigPDSatP,
                    s.ConfigPDSatN};
    mKeepPieces = s.RefRecordsShared;
    if (mKeepPieces)
        rememberLevels(lv);
    const float ts = s.TStepStart;
    const float te = s.TStepEnd;
    const QuarterSplit& quarters = stepQuarters();
    const float q = quarters.at;
    // The noise rides on the reference before the multiplication, so it is scaled by the gain
    // as the sine is: the signal-to-noise ratio then means the same for every Kd. (A noise-free
    // reference has no samples to scale.)
    const float noiseGain = mKeepPieces ? 1.0f : s.ConfigKd;
    if (q == 0.0f) {
        integratePiece(lv, ts, te, s.Theta2Start, s.Theta2End,
                       rec.QuarterSample[quarters.after] * noiseGain);
    } else {
        const double thq = phaseAt(s, q);
        integratePiece(lv, ts, q, s.Theta2Start, thq,
                       rec.QuarterSample[quarters.before] * noiseGain);
        integratePiece(lv, q, te, thq, s.Theta2End, rec.QuarterSample[quarters.after] * noiseGain);
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
    double c = (m + 1.0) * detail::kPi;
    float tPrev = ta;
    double thPrev = thetaA;
    int crossings = 0;
    float sinPrev = 0;
    // Kept sums start from +0.0, as the first piece of a step does.
    const bool startsStep = std::bit_cast<std::uint32_t>(Accum) == 0;
    const PieceEntry* kept =
        mKeepPieces && startsStep ? keptPiece(lv, ta, tb, level, sample) : nullptr;
    if (kept == nullptr) {
        sinPrev = cachedSin(ta);
    } else if (!(c < thetaB)) {
        Accum = kept->whole;
        return;
    } else {
        // The first edge ends the kept part; every sub-step before it is among the kept ones
        // as long as the edge lies within the piece.
        const float tc = timeOfPhase(c, tPrev, thPrev);
        if (tc <= tb) {
            sinPrev = finishKeptSegment(*kept, lv, tc, level, sample);
            tPrev = tc;
            thPrev = c;
            m += 1.0;
            level = detail::halfPeriodLevel(m);
            c = (m + 1.0) * detail::kPi;
            crossings = 1;
        } else {
            sinPrev = cachedSin(ta);
        }
    }
    for (; c < thetaB && crossings < detail::kMaxCrossingsPerPiece;
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
        for (SegmentEntry& e : mSegments)
            e.valid = false;
        mPieceLevels = bits;
    }
}

inline const PD_MUL::PieceEntry* PD_MUL::keptPiece(const Levels& lv, float ta, float tb,
                                                   float sigma, float sample) {
    const int slot = stepSlot();
    if (slot < 0)
        return nullptr;
    PieceEntry& e = mPieces[static_cast<std::size_t>(2 * slot + (sigma < 0 ? 1 : 0))];
    const std::array<std::uint32_t, 4> key{
        std::bit_cast<std::uint32_t>(ta), std::bit_cast<std::uint32_t>(tb),
        std::bit_cast<std::uint32_t>(sample), std::bit_cast<std::uint32_t>(mInvDeltaT)};
    if (e.valid && e.key == key)
        return &e;
    // The same sub-steps as integrateSegment over [ta, tb] from a zero sum, each one kept.
    constexpr float kSubStep = 0.05f;
    e.valid = false;
    float accum = 0;
    float sin0 = cachedSin(ta);
    e.time[0] = ta;
    e.sine[0] = sin0;
    e.sum[0] = accum;
    int j = 0;
    for (float t = ta + kSubStep; t < tb; t += kSubStep) {
        if (j == kMaxKeptSubSteps)
            return nullptr;
        const float sin1 = cachedSin(t);
        accum += lv.value(sin0 + sin1, sigma, sample) * kSubStep * mInvDeltaT;
        sin0 = sin1;
        ++j;
        e.time[j] = t;
        e.sine[j] = sin1;
        e.sum[j] = accum;
    }
    e.count = j;
    e.whole = accum + lv.value(sin0 + cachedSin(tb), sigma, sample) * (tb - e.time[j]) * mInvDeltaT;
    e.key = key;
    e.valid = true;
    return &e;
}

inline float PD_MUL::finishKeptSegment(const PieceEntry& e, const Levels& lv, float tc, float sigma,
                                       float sample) {
    int j = 0;
    while (j < e.count && e.time[j + 1] < tc)
        ++j;
    const float sinC = cachedSin(tc);
    Accum = e.sum[j] + lv.value(e.sine[j] + sinC, sigma, sample) * (tc - e.time[j]) * mInvDeltaT;
    return sinC;
}

inline float PD_MUL::integrateSegment(const Levels& lv, float ta, float tb, float sinA, float sigma,
                                      float sample) {
    constexpr float kSubStep = 0.05f; // reference periods
    // A piece spans at most one step (a quarter period at most); the count only guards against
    // a piece end that is no longer a number the times can reach.
    constexpr int kMaxSubSteps = 64;
    const float invDeltaT = mInvDeltaT;
    // Only a segment with sub-steps is worth a look-up, and only a noise-free run repeats them.
    SegmentEntry* kept = nullptr;
    std::array<std::uint32_t, 6> key{};
    if (mKeepPieces && ta + kSubStep < tb) {
        key = {std::bit_cast<std::uint32_t>(ta),        std::bit_cast<std::uint32_t>(tb),
               std::bit_cast<std::uint32_t>(sigma),     std::bit_cast<std::uint32_t>(sample),
               std::bit_cast<std::uint32_t>(invDeltaT), std::bit_cast<std::uint32_t>(Accum)};
        kept = &mSegments[((key[0] ^ key[5]) * 0x9E3779B1u) >> (32 - kSegmentCacheBits)];
        if (kept->valid && kept->key == key) {
            Accum = kept->accum;
            return kept->sinB;
        }
    }
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
    if (kept != nullptr)
        *kept = {key, Accum, sinB, true};
    return sinB;
}

} // namespace loopcraft
