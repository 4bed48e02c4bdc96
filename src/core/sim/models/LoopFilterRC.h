// Shared part of the RC loop filters: the members every network has and the interval solvers.
// Each solver gives the exact response of its network to a constant drive over one interval
// (exponential or linear), including the moment at which a supply rail or an output limit is
// reached, so a filter's answer does not depend on the step size.
//
// Calling convention for the run loop: create through SimState::ensureModel, Init() at every
// run (after UMid is set), then Step() once per mixed-signal step after the detector step. The
// drive (voltage detector, voltage PFD, charge pump) is taken from the detector flags at Init;
// StepVoltage / StepPfd / StepPump of the concrete classes skip that dispatch. The solvers and
// the steps are defined in the headers so that the run loop compiles each step in one piece; the
// steps take the record (which must be *Sim) from the run loop, as the detectors do.
#pragma once

#include "core/sim/SimState.h"
#include "core/sim/models/CircuitFilter.h"

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>

namespace loopcraft {

namespace detail {
// Whether charge / i, rounded, exceeds dt, decided without the division where that is
// certain: the product of two floats is exact in double, so the comparison is exact, and a
// quotient at or beyond the float after dt cannot round to dt or below. Most steps integrate
// freely, and the division would stand on the step chain.
inline bool quotientClearlyExceeds(float charge, float i, float dt) {
    constexpr float kLargest = std::numeric_limits<float>::max();
    if (!(std::fabs(i) <= kLargest) || !(dt > 0.0f && dt <= kLargest))
        return false;
    // The next float above a positive finite one, without a call into the maths library.
    const auto past =
        static_cast<double>(std::bit_cast<float>(std::bit_cast<std::uint32_t>(dt) + 1u));
    const double bound = past * static_cast<double>(i);
    return i > 0.0f ? static_cast<double>(charge) >= bound
                    : i < 0.0f && static_cast<double>(charge) <= bound;
}
} // namespace detail

// Result of one interval: capacitor voltage and filter output at the end, mean current.
struct IntervalResult {
    float UcEnd = 0;
    float UfEnd = 0;
    float IAvg = 0;
};

class LoopFilterRC {
public:
    explicit LoopFilterRC(SimState* sim) : Sim(sim) {}
    virtual ~LoopFilterRC() = default;
    LoopFilterRC(const LoopFilterRC&) = delete;
    LoopFilterRC& operator=(const LoopFilterRC&) = delete;

    // Voltage source through r1 into r2 in series with c (time constant TauCharge).
    IntervalResult SolveVoltageRC(float uIn, float uc0, float r1, float r2, float c, float dt);
    // Current source into r2 in series with c, limited by the supply rails.
    IntervalResult SolvePumpRC(float i, float uc0, float r2, float c, float dt);
    // Integrating stage of the active filters, limited by the filter's output limits.
    IntervalResult SolveIntegrator(float i, float uc0, float r2, float c, float dt);
    // Charge pump into the input stage of the active lead-lag (voltage counted from UMidCopy).
    IntervalResult SolvePumpInput(float i, float uc0, float r, float c, float dt);

    // The drive is fixed for a run, so each filter's Step is one switch over its three rules.
    template <class Filter> static void stepByDrive(Filter& f, SimState& s) {
        if (f.Circuit) {
            f.Circuit->Step(s);
            f.UfOut = f.Circuit->UfOut;
            return;
        }
        switch (f.Drive) {
        case FilterDrive::Voltage:
            f.StepVoltage(s);
            break;
        case FilterDrive::Pfd:
            f.StepPfd(s);
            break;
        case FilterDrive::ChargePump:
            f.StepPump(s);
            break;
        }
    }

    SimState* Sim;
    float Tau1 = 0;
    float Tau2 = 0;
    float Ka = 1.0f;
    float TauCharge = 0;
    float RefPeriod = 0;
    float StepDuration = 0;
    float UMidCopy = 0;
    float C = 0;
    float C2 = 0;
    float R1 = 0;
    float R2 = 0;
    float Uc1 = 0;
    float Uc2 = 0;
    float UIn = 0;
    float IStage = 0;
    float PumpCurrent = 0;
    float TUpSec = 0;
    float TDownSec = 0;
    float UfAfterUp = 0;
    float UfAfterDown = 0;
    float UfOut = 0;
    float TSat = 0;
    float URail = 0;
    float DeltaUc = 0;
    FilterDrive Drive = FilterDrive::Voltage;
    // The whole circuit, where the filter has more than its first stage or the first stage
    // keeps working between pump pulses; the step rules of the first stage alone otherwise.
    std::optional<CircuitFilter> Circuit;

protected:
    // Sets up Circuit for this run; called at the end of each filter's Init with its type.
    void initCircuit(LoopFilter filter);
    // The members every filter's Init sets; `normalisedC` is the capacitor used without a
    // charge pump.
    void initCommon(float normalisedC);
    // Voltage solver with its decay factor exp(-dt/TauCharge) already known.
    IntervalResult solveVoltageDecay(float uIn, float uc0, float r1, float r2, float e);
    // Limited integrator towards `rail`, relaxing with Tau2 once the output is held there.
    // TSat is computed only where the output may reach the limit within the interval.
    IntervalResult limitedIntegrator(float i, float uc0, float r2, float c, float dt, float rail);
    // Pulse times of the step in seconds.
    void takePulseTimes(const SimState& s);
    // Time average of the output over the step; the idle part sits at the capacitor voltage.
    float stepAverage(float ucap) const {
        return ((StepDuration - TUpSec - TDownSec) * ucap + TDownSec * UfAfterDown +
                TUpSec * UfAfterUp) /
               StepDuration;
    }

    float mStepDecay = 0; // exp(-StepDuration / TauCharge), the same for every full step
};

inline IntervalResult LoopFilterRC::SolveVoltageRC(float uIn, float uc0, float r1, float r2,
                                                   float /*c*/, float dt) {
    return solveVoltageDecay(uIn, uc0, r1, r2, std::exp(-dt / TauCharge));
}

inline IntervalResult LoopFilterRC::solveVoltageDecay(float uIn, float uc0, float r1, float r2,
                                                      float e) {
    UIn = uIn;
    const float conductance = 1.0f / (r1 + r2); // ready before the drive is
    const float i0 = (uIn - uc0) * conductance;
    const float i1 = (uIn - uc0) * e * conductance;
    IntervalResult r;
    r.UcEnd = (uc0 - uIn) * e + uIn;
    r.UfEnd = i1 * r2 + r.UcEnd;
    r.IAvg = (i0 + i1) * 0.5f;
    return r;
}

inline IntervalResult LoopFilterRC::limitedIntegrator(float i, float uc0, float r2, float c,
                                                      float dt, float rail) {
    URail = rail;
    const float charge = ((URail - uc0) - i * r2) * c;
    IntervalResult r;
    if (detail::quotientClearlyExceeds(charge, i, dt) ||
        (TSat = i == 0.0f ? dt * 1.1f : charge / i) > dt) { // free integration
        r.UcEnd = i * (dt / c) + uc0;                       // dt / c does not wait for the drive
        r.UfEnd = i * r2 + r.UcEnd;
        r.IAvg = i;
        return r;
    }
    if (TSat >= 0.0f) { // the output reaches the limit inside the interval
        const float ucs = i * TSat / c + uc0;
        r.UcEnd = (ucs - URail) * std::exp((TSat - dt) / Tau2) + URail;
    } else { // already at or beyond the limit
        r.UcEnd = (uc0 - URail) * std::exp(-dt / Tau2) + URail;
    }
    r.UfEnd = URail;
    DeltaUc = r.UcEnd - uc0;
    r.IAvg = c * DeltaUc / dt;
    return r;
}

inline IntervalResult LoopFilterRC::SolvePumpRC(float i, float uc0, float r2, float c, float dt) {
    const SimState& s = *Sim;
    return limitedIntegrator(i, uc0, r2, c, dt, i < 0 ? s.ConfigUSupN : s.ConfigUSupP);
}

inline IntervalResult LoopFilterRC::SolveIntegrator(float i, float uc0, float r2, float c,
                                                    float dt) {
    const SimState& s = *Sim;
    IntervalResult r =
        limitedIntegrator(i, uc0, r2, c, dt, i < 0 ? s.ConfigLFSatN : s.ConfigLFSatP);
    r.IAvg = 0;
    return r;
}

inline IntervalResult LoopFilterRC::SolvePumpInput(float i, float uc0, float r, float c, float dt) {
    const SimState& s = *Sim;
    IntervalResult res;
    if (i == 0.0f) {
        res.UcEnd = uc0 * std::exp(-dt / Tau2);
        res.UfEnd = UMidCopy + res.UcEnd;
        res.IAvg = c * (res.UcEnd - uc0) / dt;
        return res;
    }
    URail = i < 0 ? s.ConfigUSupN : s.ConfigUSupP;
    if (std::fabs(i) * r + UMidCopy <= s.ConfigUSupP) { // the final value stays inside the supply
        const float e = std::exp(-dt / Tau2);
        res.UcEnd = e * uc0 + i * r * (1.0f - e);
        res.UfEnd = res.UcEnd + UMidCopy;
        res.IAvg = c * (res.UcEnd - uc0) / dt;
        return res;
    }
    TSat = std::log((i * r - uc0) / ((i * r - URail) + UMidCopy)) * Tau1;
    if (!(TSat >= 0.0f)) { // already at the rail (or beyond the charging curve altogether)
        res.UcEnd = uc0;
        res.UfEnd = URail;
        res.IAvg = 0;
    } else if (TSat <= dt) {
        res.UcEnd = URail - UMidCopy;
        res.UfEnd = URail;
        res.IAvg = c * (res.UcEnd - uc0) / dt;
    } else {
        res.UcEnd = i * r * (1.0f - std::exp(-dt / Tau1)) + uc0 * std::exp(-dt / Tau2);
        res.UfEnd = res.UcEnd + UMidCopy;
        res.IAvg = c * (res.UcEnd - uc0) / dt;
    }
    return res;
}

inline void LoopFilterRC::takePulseTimes(const SimState& s) {
    TUpSec = s.TUp * RefPeriod;
    TDownSec = s.TDown * RefPeriod;
}

} // namespace loopcraft
