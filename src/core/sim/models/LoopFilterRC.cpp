// Interval solvers of the RC loop filters.
#include "core/sim/models/LoopFilterRC.h"

#include <cmath>
#include <numbers>

namespace loopcraft {

void LoopFilterRC::initCommon(float normalisedC) {
    const SimState& s = *Sim;
    StepDuration = 1.0f / (static_cast<float>(s.SimulnSamp) * s.SimulfRef);
    RefPeriod = 1.0f / s.SimulfRef;
    UMidCopy = s.UMid;
    Tau1 = s.FiltDesignTau1;
    Tau2 = s.FiltDesignTau2;
    PumpCurrent = static_cast<float>(s.ConfigKp * 2.0 * std::numbers::pi);
    if (s.rbConfigDPLLPFD_CP != 0) {
        Drive = FilterDrive::ChargePump;
        // The designed C1; without a charge pump only the time constants matter.
        C = static_cast<float>(s.SchemaC1Val * std::pow(10.0, -3.0 * s.SchemaC1Unit));
    } else {
        Drive = s.rbConfigDPLLPFD != 0 ? FilterDrive::Pfd : FilterDrive::Voltage;
        C = normalisedC;
    }
}

IntervalResult LoopFilterRC::SolveVoltageRC(float uIn, float uc0, float r1, float r2, float /*c*/,
                                            float dt) {
    return solveVoltageDecay(uIn, uc0, r1, r2, std::exp(-dt / TauCharge));
}

IntervalResult LoopFilterRC::solveVoltageDecay(float uIn, float uc0, float r1, float r2, float e) {
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

IntervalResult LoopFilterRC::limitedIntegrator(float i, float uc0, float r2, float c, float dt,
                                               float rail) {
    URail = rail;
    TSat = i == 0.0f ? dt * 1.1f : ((URail - uc0) - i * r2) * c / i;
    IntervalResult r;
    if (TSat > dt) {                  // free integration
        r.UcEnd = i * (dt / c) + uc0; // dt / c does not wait for the drive
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

IntervalResult LoopFilterRC::SolvePumpRC(float i, float uc0, float r2, float c, float dt) {
    const SimState& s = *Sim;
    return limitedIntegrator(i, uc0, r2, c, dt, i < 0 ? s.ConfigUSupN : s.ConfigUSupP);
}

IntervalResult LoopFilterRC::SolveIntegrator(float i, float uc0, float r2, float c, float dt) {
    const SimState& s = *Sim;
    IntervalResult r =
        limitedIntegrator(i, uc0, r2, c, dt, i < 0 ? s.ConfigLFSatN : s.ConfigLFSatP);
    r.IAvg = 0;
    return r;
}

IntervalResult LoopFilterRC::SolvePumpInput(float i, float uc0, float r, float c, float dt) {
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

void LoopFilterRC::takePulseTimes() {
    TUpSec = Sim->TUp * RefPeriod;
    TDownSec = Sim->TDown * RefPeriod;
}

} // namespace loopcraft
