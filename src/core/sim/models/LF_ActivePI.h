// Loop filter model: active PI (R1 into an R2-C integrator).
#pragma once

#include "core/sim/models/LoopFilterRC.h"

namespace loopcraft {

class LF_ActivePI final : public LoopFilterRC {
public:
    using LoopFilterRC::LoopFilterRC;
    void Init();
    void Step() { stepByDrive(*this, *Sim); }
    void Step(SimState& s) { stepByDrive(*this, s); }
    void StepVoltage(SimState& s);
    void StepPfd(SimState& s);
    void StepPump(SimState& s);
};

inline void LF_ActivePI::StepVoltage(SimState& s) {
    const float conductance = 1.0f / R1; // does not wait for the detector
    IStage = (s.Ud - UMidCopy) * conductance;
    const IntervalResult r = SolveIntegrator(IStage, Uc1, R2, C, StepDuration);
    Uc1 = r.UcEnd;
    UfOut = r.UfEnd;
    s.Uf = UfOut;
}

inline void LF_ActivePI::StepPfd(SimState& s) {
    takePulseTimes(s);
    auto pulse = [this](float level, float duration) {
        IStage = (level - UMidCopy) / R1;
        const IntervalResult r = SolveIntegrator(IStage, Uc1, R2, C, duration);
        Uc1 = r.UcEnd;
        return r.UfEnd;
    };
    UfAfterUp = TUpSec > 0 ? pulse(s.ConfigPDSatP, TUpSec) : Uc1;
    UfAfterDown = TDownSec > 0 ? pulse(s.ConfigPDSatN, TDownSec) : Uc1;
    UfOut = stepAverage(Uc1);
    s.Uf = UfOut;
}

inline void LF_ActivePI::StepPump(SimState& s) {
    takePulseTimes(s);
    auto pulse = [this](float current, float duration) {
        const IntervalResult r = SolveIntegrator(current, Uc1, R2, C, duration);
        Uc1 = r.UcEnd;
        return r.UfEnd;
    };
    UfAfterUp = TUpSec > 0 ? pulse(PumpCurrent, TUpSec) : Uc1;
    UfAfterDown = TDownSec > 0 ? pulse(-PumpCurrent, TDownSec) : Uc1;
    UfOut = stepAverage(Uc1);
    s.Uf = UfOut;
}

} // namespace loopcraft
