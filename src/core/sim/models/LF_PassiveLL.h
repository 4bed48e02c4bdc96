// Loop filter model: passive lead-lag (R1, R2 in series with C).
#pragma once

#include "core/sim/models/LoopFilterRC.h"

namespace loopcraft {

class LF_PassiveLL final : public LoopFilterRC {
public:
    using LoopFilterRC::LoopFilterRC;
    void Init();
    void Step() { stepByDrive(*this, *Sim); }
    void Step(SimState& s) { stepByDrive(*this, s); }
    void StepVoltage(SimState& s);
    void StepPfd(SimState& s);
    void StepPump(SimState& s);
};

inline void LF_PassiveLL::StepVoltage(SimState& s) {
    const IntervalResult r = solveVoltageDecay(s.Ud, Uc1, R1, R2, mStepDecay);
    Uc1 = r.UcEnd;
    UfOut = r.UfEnd;
    s.Uf = UfOut;
}

inline void LF_PassiveLL::StepPfd(SimState& s) {
    takePulseTimes(s);
    UfAfterUp = Uc1;
    if (TUpSec > 0) {
        const IntervalResult r = SolveVoltageRC(s.ConfigPDSatP, Uc1, R1, R2, C, TUpSec);
        Uc1 = r.UcEnd;
        UfAfterUp = r.UfEnd;
    }
    UfAfterDown = Uc1;
    if (TDownSec > 0) {
        const IntervalResult r = SolveVoltageRC(s.ConfigPDSatN, Uc1, R1, R2, C, TDownSec);
        Uc1 = r.UcEnd;
        UfAfterDown = r.UfEnd;
    }
    UfOut = stepAverage(Uc1);
    s.Uf = UfOut;
}

inline void LF_PassiveLL::StepPump(SimState& s) {
    takePulseTimes(s);
    UfAfterUp = Uc1;
    if (TUpSec > 0) {
        const IntervalResult r = SolvePumpRC(PumpCurrent, Uc1, R2, C, TUpSec);
        Uc1 = r.UcEnd;
        UfAfterUp = r.UfEnd;
    }
    UfAfterDown = Uc1;
    if (TDownSec > 0) {
        const IntervalResult r = SolvePumpRC(-PumpCurrent, Uc1, R2, C, TDownSec);
        Uc1 = r.UcEnd;
        UfAfterDown = r.UfEnd;
    }
    UfOut = stepAverage(Uc1);
    s.Uf = UfOut;
}

} // namespace loopcraft
