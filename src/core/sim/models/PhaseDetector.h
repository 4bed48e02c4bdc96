// Phase detector models of the mixed-signal and all-digital loops. Inside every step a detector
// locates each reference edge and each oscillator edge exactly (the oscillator phase is taken as
// linear within the step), integrates its output piece by piece between them and delivers the
// step average in SimState::Ud (and Id, TUp, TDown, UdBit).
//
// Calling convention for the run loop:
//   - create through SimState::ensureModel and call Init() at every run. An all-digital
//     detector is armed before the reference is built. A mixed-signal one is armed after it,
//     and after Sim->Theta2Start has been set to <Class>::kInitialTheta2 less the phase step:
//     with noise it starts on the level of the noisy reference at t = 0 and (PFD) on the
//     oscillator's nearest edge;
//   - per mixed-signal step set Sim->StepIndex, then call Step() of the concrete class (not
//     virtual); PD_EXOR / PD_JK also offer StepMixed() and StepAdpll() to skip the category test.
// The step operations are defined in the headers so that the run loop, which is instantiated for
// each detector, filter and oscillator, compiles every step into one piece of straight code. The
// mixed-signal steps also come with the record passed in (it must be *Sim): the run loop hands
// the same record to every model, so that the compiler knows the detector, the filter and the
// oscillator share it and keeps the values they hand on in registers.
#pragma once

#include "core/sim/SimState.h"
#include "core/sim/models/ExactFloor.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace loopcraft {

namespace detail {
inline constexpr double kPi = std::numbers::pi;
inline constexpr double kInvPi = std::numbers::inv_pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// +1 for an even, -1 for an odd whole number. Without a branch: the parity of the oscillator's
// half period follows the phase, which no branch predictor can foresee.
inline float parityLevel(std::int64_t i) {
    return std::bit_cast<float>(0x3F800000u | (static_cast<std::uint32_t>(i & 1) << 31));
}

// +1 in the even half periods of the oscillator (m = floor(theta / pi)), -1 in the odd ones.
// m is a whole number; a phase that is no longer finite has no level to speak of.
inline float halfPeriodLevel(double m) {
    if (!(std::fabs(m) < 4.0e18))
        return 1.0f;
    return parityLevel(static_cast<std::int64_t>(m));
}

// The half period the phase theta = x * pi lies in: m = floor(x) and its level, from one
// conversion to an integer. (A zero m comes back as +0.0; every use adds to it or takes its
// parity, where the sign of a zero makes no difference.)
struct HalfPeriod {
    double index;
    float level;
};
inline HalfPeriod halfPeriodOf(double x) {
    if (!(std::fabs(x) < kWholeFrom))
        return {x, halfPeriodLevel(x)};
    std::int64_t i = static_cast<std::int64_t>(x);
    i -= static_cast<double>(i) > x ? 1 : 0;
    return {static_cast<double>(i), parityLevel(i)};
}

// A piece of a step holds at most this many oscillator half periods before the detectors sum
// it in closed form; the edge-by-edge loops stop after as many crossings in any case.
inline constexpr double kMaxHalfPeriodsPerPiece = 64.0;
inline constexpr int kMaxCrossingsPerPiece = 66;

// What a step beyond the prepared reference sees: no edges, no noise.
inline const RefPeriodRecord kNoReference{};
} // namespace detail

// The state every detector shares. Field order is kept as the detectors have always had it.
class PhaseDetector {
public:
    explicit PhaseDetector(SimState* sim) : Sim(sim) {}
    virtual ~PhaseDetector() = default;
    PhaseDetector(const PhaseDetector&) = delete;
    PhaseDetector& operator=(const PhaseDetector&) = delete;

    // Re-arms the detector for a run; the base has nothing to prepare.
    virtual void Init() {}

    SimState* Sim;
    float RefLevel = 1.0f;        // level of the reference square wave, +-1
    float OscLevel = 1.0f;        // level of the oscillator square wave in the current segment
    float Id = 0;                 // PFD only
    float Accum = 0;              // output being accumulated in this step
    float EdgeTolerance = 0.006f; // rad: an oscillator edge this close beyond the step counts
    std::int32_t State = 0;       // JK: Q; PFD: -1 DOWN / 0 idle / +1 UP; ADPLL EXOR: output
    float PhaseSlope = 0;         // rad per reference period within the step
    double NextOscEdge = 0;       // rad, next rising oscillator edge (JK, PFD)

protected:
    static constexpr std::uint32_t kMaxSlots = 64; // steps a period of the step table

    // The level of a noisy reference at t = 0, +1 or -1. Its first sample is taken at t = 0,
    // where the clean reference rises: a positive sample means that the noisy rising crossing
    // came before the start (and lies in no record), a negative one that it is still to come
    // in the first quarter. The level must be the one before that crossing, or every edge of
    // the run is taken the wrong way round. (An exact zero counts as high, as the all-digital
    // loop's edge list takes it.)
    static float noisyStartLevel(const SimState& s) {
        const RefPeriodRecord* first = s.refPeriodRecord(0);
        return first != nullptr && first->QuarterSample[0] < 0 ? -1.0f : 1.0f;
    }

    // Sets TStepStart, TStepEnd, the step length and PhaseSlope from StepIndex and the step's
    // phases; returns the reference record of the step's period.
    const RefPeriodRecord& beginMixedStep(SimState& s);
    // Oscillator phase at time t of the step (reference periods from the period start).
    double phaseAt(const SimState& s, float t) const {
        return static_cast<double>((t - s.TStepStart) * PhaseSlope) + s.Theta2Start;
    }
    // Time at which the phase reaches theta, from a known (time, phase) pair of the step.
    float timeOfPhase(double theta, float ta, double thetaA) const {
        return static_cast<float>(theta - thetaA) * mStepPerPhase + ta;
    }
    // The reference edges of the record inside [TStepStart, TStepEnd), at most the first two.
    static int stepEdges(const SimState& s, const RefPeriodRecord& rec, float& e1, float& e2);
    // Set event of the flip-flop detectors from the step's reference edges; updates RefLevel.
    bool setEvent(const SimState& s, const RefPeriodRecord& rec, float& tJ);
    // The next rising oscillator edge at the start of a step.
    double nextEdgeAtStepStart(const SimState& s) const {
        if (s.StepIndex == 1)
            return (detail::floorExact(s.Theta2Start / detail::kTwoPi) + 1.0) * detail::kTwoPi;
        return NextOscEdge;
    }

    // Where a step meets a quarter-period boundary, which the multiplier integrates on each
    // side with that quarter's noise sample: the first boundary of 0.25, 0.5, 0.75 strictly
    // inside the step (0 when there is none) and the quarter index of each side (both the same
    // without a boundary).
    struct QuarterSplit {
        float at = 0;
        int before = 0;
        int after = 0;
    };
    static QuarterSplit quarterSplit(float ts, float te);

    // The step is a chain of dependent values (filter -> oscillator -> detector -> filter); the
    // reciprocals below are taken once per step, off that chain, so that the per-edge work
    // multiplies instead of divides.
    float mDeltaT = 0;       // TStepEnd - TStepStart
    float mInvDeltaT = 0;    // 1 / mDeltaT
    float mStepPerPhase = 0; // 1 / PhaseSlope

    // x / mDeltaT. Dividing by a power of two and multiplying by its reciprocal round the same
    // real number, and the multiplication is the shorter link in the step chain.
    float perStepLength(float x) const { return mStep->powerOfTwo ? x * mInvDeltaT : x / mDeltaT; }

    // The quarter-period split of the current step.
    const QuarterSplit& stepQuarters() const { return mStep->quarters; }
    // The current step's place in its period, or -1 when the period is longer than the table.
    int stepSlot() const { return mStep == &mLooseStep ? -1 : static_cast<int>(mSlot); }

private:
    // The step limits take the same n values in every period: they are computed once per
    // SimulnSamp, by the same formulas, and the run's steps, which come one after the other,
    // find their place in the period without a division.
    struct StepSlot {
        float start = 0;
        float end = 0;
        float length = 0;
        float invLength = 0;
        bool powerOfTwo = false; // the length, so that invLength is exact
        QuarterSplit quarters;
    };
    void placeStep(SimState& s, std::uint32_t k, std::uint32_t n);

    std::array<StepSlot, kMaxSlots> mSlots{};
    std::uint32_t mSlotsFor = 0;           // the n the slots hold, 0: none
    std::uint32_t mLastStep = 0xFFFFFFFFu; // StepIndex of the previous step
    std::uint32_t mSlot = 0;               // (StepIndex - 1) mod n
    std::uint32_t mPeriod = 0;             // (StepIndex - 1) div n
    StepSlot mLooseStep;                   // a step of a period longer than the table
    const StepSlot* mStep = &mLooseStep;   // the current step's limits
};

inline const RefPeriodRecord& PhaseDetector::beginMixedStep(SimState& s) {
    const auto n = static_cast<std::uint32_t>(std::max(1, s.SimulnSamp));
    const std::uint32_t k = s.StepIndex;
    if (k == mLastStep + 1 && n == mSlotsFor) {
        if (++mSlot == n) {
            mSlot = 0;
            ++mPeriod;
        }
        mLastStep = k;
        const StepSlot& slot = mSlots[mSlot];
        s.TStepStart = slot.start;
        s.TStepEnd = slot.end;
        mDeltaT = slot.length;
        mInvDeltaT = slot.invLength;
        mStep = &slot;
    } else {
        placeStep(s, k, n);
    }
    const auto dTheta = static_cast<float>(s.Theta2End - s.Theta2Start);
    PhaseSlope = perStepLength(dTheta);
    mStepPerPhase = mDeltaT / dTheta;
    // A step beyond the prepared reference sees no edges rather than foreign memory.
    const RefPeriodRecord* rec = s.refPeriodRecord(mPeriod);
    return rec != nullptr ? *rec : detail::kNoReference;
}

inline int PhaseDetector::stepEdges(const SimState& s, const RefPeriodRecord& rec, float& e1,
                                    float& e2) {
    const float ts = s.TStepStart;
    const float te = s.TStepEnd;
    int count = 0;
    for (const float e : rec.EdgeTime) {
        if (ts <= e && e < te) {
            if (count == 0)
                e1 = e;
            else
                e2 = e;
            if (++count == 2)
                break;
        }
    }
    return count;
}

inline bool PhaseDetector::setEvent(const SimState& s, const RefPeriodRecord& rec, float& tJ) {
    float e1 = 0;
    float e2 = 0;
    const int edges = stepEdges(s, rec, e1, e2);
    const int level = static_cast<int>(RefLevel);
    if (edges == 1) {
        if (level == 1) { // falling edge: no set
            RefLevel = -1.0f;
            return false;
        }
        tJ = e1;
        RefLevel = 1.0f;
        return true;
    }
    if (edges == 2) { // a falling and a rising edge: the level ends where it started
        tJ = level == 1 ? e2 : e1;
        return true;
    }
    return false;
}

} // namespace loopcraft
