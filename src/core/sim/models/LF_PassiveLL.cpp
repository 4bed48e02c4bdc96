// Passive lead-lag filter: R1 and R2 in series with C; the output is taken across R2 + C.
#include "core/sim/models/LF_PassiveLL.h"

#include <cmath>

namespace loopcraft {

void LF_PassiveLL::Init() {
    initCommon(1.0e-8f);
    Ka = 1.0f;
    TauCharge = Tau1 + Tau2;
    R1 = Tau1 / C;
    R2 = Tau2 / C;
    Uc1 = Sim->UMid;
    mStepDecay = std::exp(-StepDuration / TauCharge);
}

void LF_PassiveLL::StepVoltage() {
    const IntervalResult r = solveVoltageDecay(Sim->Ud, Uc1, R1, R2, mStepDecay);
    Uc1 = r.UcEnd;
    UfOut = r.UfEnd;
    Sim->Uf = UfOut;
}

void LF_PassiveLL::StepPfd() {
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

void LF_PassiveLL::StepPump() {
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
