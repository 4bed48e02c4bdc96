// Phase detector models of the mixed-signal and all-digital loops. Inside every step a detector
// locates each reference edge and each oscillator edge exactly (the oscillator phase is taken as
// linear within the step), integrates its output piece by piece between them and delivers the
// step average in SimState::Ud (and Id, TUp, TDown, UdBit).
//
// Calling convention for the run loop:
//   - create through SimState::ensureModel, call Init() at every run, then set
//     Sim->Theta2Start = <Class>::kInitialTheta2 (before the phase step and the first increment);
//   - per mixed-signal step set Sim->StepIndex, then call Step() of the concrete class (not
//     virtual); PD_EXOR / PD_JK also offer StepMixed() and StepAdpll() to skip the category test.
// The step operations are defined in the headers so that the run loop, which is instantiated for
// each detector, filter and oscillator, compiles every step into one piece of straight code.
#pragma once

#include "core/sim/SimState.h"
#include "core/sim/models/ExactFloor.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace loopcraft {

namespace detail {
inline constexpr double kPi = std::numbers::pi;
inline constexpr double kInvPi = std::numbers::inv_pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// +1 in the even half periods of the oscillator (m = floor(theta / pi)), -1 in the odd ones.
// m is a whole number; a phase that is no longer finite has no level to speak of.
inline float halfPeriodLevel(double m) {
    if (!(std::fabs(m) < 4.0e18))
        return 1.0f;
    return (static_cast<std::int64_t>(m) & 1) == 0 ? 1.0f : -1.0f;
}

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
    // Sets TStepStart, TStepEnd, the step length and PhaseSlope from StepIndex and the step's
    // phases; returns the reference record of the step's period.
    const RefPeriodRecord& beginMixedStep();
    // Oscillator phase at time t of the step (reference periods from the period start).
    double phaseAt(float t) const {
        return static_cast<double>((t - Sim->TStepStart) * PhaseSlope) + Sim->Theta2Start;
    }
    // Time at which the phase reaches theta, from a known (time, phase) pair of the step.
    float timeOfPhase(double theta, float ta, double thetaA) const {
        return static_cast<float>(theta - thetaA) * mStepPerPhase + ta;
    }
    // The reference edges of the record inside [TStepStart, TStepEnd), at most the first two.
    int stepEdges(const RefPeriodRecord& rec, float& e1, float& e2) const;
    // Set event of the flip-flop detectors from the step's reference edges; updates RefLevel.
    bool setEvent(const RefPeriodRecord& rec, float& tJ);
    // The next rising oscillator edge at the start of a step.
    double nextEdgeAtStepStart() const {
        if (Sim->StepIndex == 1)
            return (detail::floorExact(Sim->Theta2Start / detail::kTwoPi) + 1.0) * detail::kTwoPi;
        return NextOscEdge;
    }

    // The step is a chain of dependent values (filter -> oscillator -> detector -> filter); the
    // reciprocals below are taken once per step, off that chain, so that the per-edge work
    // multiplies instead of divides.
    float mDeltaT = 0;       // TStepEnd - TStepStart
    float mInvDeltaT = 0;    // 1 / mDeltaT
    float mStepPerPhase = 0; // 1 / PhaseSlope
};

inline const RefPeriodRecord& PhaseDetector::beginMixedStep() {
    SimState& s = *Sim;
    const auto n = static_cast<std::uint32_t>(std::max(1, s.SimulnSamp));
    const std::uint32_t k = s.StepIndex;
    s.TStepStart = static_cast<float>((k - 1) % n) / static_cast<float>(n);
    s.TStepEnd = 1.0f / static_cast<float>(n) + s.TStepStart;
    mDeltaT = s.TStepEnd - s.TStepStart;
    mInvDeltaT = 1.0f / mDeltaT;
    const auto dTheta = static_cast<float>(s.Theta2End - s.Theta2Start);
    PhaseSlope = dTheta / mDeltaT;
    mStepPerPhase = mDeltaT / dTheta;
    // A step beyond the prepared reference sees no edges rather than foreign memory.
    const RefPeriodRecord* rec = s.refPeriodRecord((k - 1) / n);
    return rec != nullptr ? *rec : detail::kNoReference;
}

inline int PhaseDetector::stepEdges(const RefPeriodRecord& rec, float& e1, float& e2) const {
    const float ts = Sim->TStepStart;
    const float te = Sim->TStepEnd;
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

inline bool PhaseDetector::setEvent(const RefPeriodRecord& rec, float& tJ) {
    float e1 = 0;
    float e2 = 0;
    const int edges = stepEdges(rec, e1, e2);
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
