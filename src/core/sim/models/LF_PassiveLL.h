// Loop filter model: passive lead-lag (R1, R2 in series with C).
#pragma once

#include "core/sim/models/LoopFilterRC.h"

namespace loopcraft {

class LF_PassiveLL final : public LoopFilterRC {
public:
    using LoopFilterRC::LoopFilterRC;
    void Init();
    void Step() { stepByDrive(*this); }
    void StepVoltage();
    void StepPfd();
    void StepPump();
};

inline void LF_PassiveLL::StepVoltage() {
    const IntervalResult r = solveVoltageDecay(Sim->Ud, Uc1, R1, R2, mStepDecay);
    Uc1 = r.UcEnd;
    UfOut = r.UfEnd;
    Sim->Uf = UfOut;
}

inline void LF_PassiveLL::StepPfd() {
    takePulseTimes();
    UfAfterUp = Uc1;
    if (TUpSec > 0) {
        const IntervalResult r = SolveVoltageRC(Sim->ConfigPDSatP, Uc1, R1, R2, C, TUpSec);
        Uc1 = r.UcEnd;
        UfAfterUp = r.UfEnd;
    }
    UfAfterDown = Uc1;
    if (TDownSec > 0) {
        const IntervalResult r = SolveVoltageRC(Sim->ConfigPDSatN, Uc1, R1, R2, C, TDownSec);
        Uc1 = r.UcEnd;
        UfAfterDown = r.UfEnd;
    }
    UfOut = stepAverage(Uc1);
    Sim->Uf = UfOut;
}

inline void LF_PassiveLL::StepPump() {
    takePulseTimes();
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
    Sim->Uf = UfOut;
}

} // namespace loopcraft
