// Active lead-lag filter: an R1-C input stage whose current feeds an R2-C2 integrating stage
// (C2 = C / Ka), giving Ka (1 + s Tau2) / (1 + s Tau1).
#include "core/sim/models/LF_ActiveLL.h"

#include <cmath>

namespace loopcraft {

void LF_ActiveLL::Init() {
    initCommon(1.0e-7f);
    Ka = Sim->FiltDesignKa;
    TauCharge = Tau1;
    // With a charge pump the input stage voltage is counted from mid-supply.
    Uc1 = Drive == FilterDrive::ChargePump ? 0.0f : Sim->UMid;
    C2 = C / Ka;
    R1 = Tau1 / C;
    R2 = Tau2 / C2;
    Uc2 = Sim->UMid;
    mStepDecay = std::exp(-StepDuration / TauCharge);
}

void LF_ActiveLL::StepVoltage() {
    const IntervalResult in = solveVoltageDecay(Sim->Ud, Uc1, R1, 0.0f, mStepDecay);
    Uc1 = in.UcEnd;
    IStage = in.IAvg;
    const IntervalResult out = SolveIntegrator(IStage, Uc2, R2, C2, StepDuration);
    Uc2 = out.UcEnd;
    UfOut = out.UfEnd;
    Sim->Uf = UfOut;
}

void LF_ActiveLL::StepPfd() {
    takePulseTimes();
    auto pulse = [this](float level, float duration) {
        const IntervalResult in = SolveVoltageRC(level, Uc1, R1, 0.0f, C, duration);
        Uc1 = in.UcEnd;
        IStage = in.IAvg;
        const IntervalResult out = SolveIntegrator(IStage, Uc2, R2, C2, duration);
        Uc2 = out.UcEnd;
        return out.UfEnd;
    };
    UfAfterUp = TUpSec > 0 ? pulse(Sim->ConfigPDSatP, TUpSec) : Uc2;
    UfAfterDown = TDownSec > 0 ? pulse(Sim->ConfigPDSatN, TDownSec) : Uc2;
    UfOut = stepAverage(Uc2);
    Sim->Uf = UfOut;
}

void LF_ActiveLL::StepPump() {
    takePulseTimes();
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
    Sim->Uf = UfOut;
}

} // namespace loopcraft
