// Loop filter model: active lead-lag (R1-C input stage into an R2-C2 integrator).
#pragma once

#include "core/sim/models/LoopFilterRC.h"

namespace loopcraft {

class LF_ActiveLL final : public LoopFilterRC {
public:
    using LoopFilterRC::LoopFilterRC;
    void Init();
    void Step() { stepByDrive(*this, *Sim); }
    void Step(SimState& s) { stepByDrive(*this, s); }
    void StepVoltage(SimState& s);
    void StepPfd(SimState& s);
    void StepPump(SimState& s);
};

inline void LF_ActiveLL::StepVoltage(SimState& s) {
    const IntervalResult in = solveVoltageDecay(s.Ud, Uc1, R1, 0.0f, mStepDecay);
    Uc1 = in.UcEnd;
    IStage = in.IAvg;
    const IntervalResult out = SolveIntegrator(IStage, Uc2, R2, C2, StepDuration);
    Uc2 = out.UcEnd;
    UfOut = out.UfEnd;
    s.Uf = UfOut;
}

inline void LF_ActiveLL::StepPfd(SimState& s) {
    takePulseTimes(s);
    auto pulse = [this](float level, float duration) {
        const IntervalResult in = SolveVoltageRC(level, Uc1, R1, 0.0f, C, duration);
        Uc1 = in.UcEnd;
        IStage = in.IAvg;
        const IntervalResult out = SolveIntegrator(IStage, Uc2, R2, C2, duration);
        Uc2 = out.UcEnd;
        return out.UfEnd;
    };
    UfAfterUp = TUpSec > 0 ? pulse(s.ConfigPDSatP, TUpSec) : Uc2;
    UfAfterDown = TDownSec > 0 ? pulse(s.ConfigPDSatN, TDownSec) : Uc2;
    UfOut = stepAverage(Uc2);
    s.Uf = UfOut;
}

inline void LF_ActiveLL::StepPump(SimState& s) {
    takePulseTimes(s);
    auto pulse = [this](float current, float duration) {
        const IntervalResult in = SolvePumpInput(current, Uc1, R1, C, duration);
        Uc1 = in.UcEnd;
        IStage = in.IAvg;
        const IntervalResult out = SolveIntegrator(IStage, Uc2, R2, C2, duration);
        Uc2 = out.UcEnd;
        return out.UfEnd;
    };
    UfAfterUp = TUpSec > 0 ? pulse(PumpCurrent, TUpSec) : Uc2;
    UfAfterDown = TDownSec > 0 ? pulse(-PumpCurrent, TDownSec) : Uc2;
    UfOut = stepAverage(Uc2);
    s.Uf = UfOut;
}

} // namespace loopcraft
