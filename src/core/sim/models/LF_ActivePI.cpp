// Active PI filter: the input resistor R1 feeds an integrator of R2 in series with C, giving
// (1 + s Tau2) / (s Tau1) around mid-supply.
#include "core/sim/models/LF_ActivePI.h"

namespace loopcraft {

void LF_ActivePI::Init() {
    initCommon(1.0e-8f);
    TauCharge = Tau1;
    R1 = Tau1 / C;
    R2 = Tau2 / C;
    Uc1 = Sim->UMid;
}

void LF_ActivePI::StepVoltage() {
    const float conductance = 1.0f / R1; // does not wait for the detector
    IStage = (Sim->Ud - UMidCopy) * conductance;
    const IntervalResult r = SolveIntegrator(IStage, Uc1, R2, C, StepDuration);
    Uc1 = r.UcEnd;
    UfOut = r.UfEnd;
    Sim->Uf = UfOut;
}

void LF_ActivePI::StepPfd() {
    takePulseTimes();
    auto pulse = [this](float level, float duration) {
        IStage = (level - UMidCopy) / R1;
        const IntervalResult r = SolveIntegrator(IStage, Uc1, R2, C, duration);
        Uc1 = r.UcEnd;
        return r.UfEnd;
    };
    UfAfterUp = TUpSec > 0 ? pulse(Sim->ConfigPDSatP, TUpSec) : Uc1;
    UfAfterDown = TDownSec > 0 ? pulse(Sim->ConfigPDSatN, TDownSec) : Uc1;
    UfOut = stepAverage(Uc1);
    Sim->Uf = UfOut;
}

void LF_ActivePI::StepPump() {
    takePulseTimes();
    auto pulse = [this](float current, float duration) {
        const IntervalResult r = SolveIntegrator(current, Uc1, R2, C, duration);
        Uc1 = r.UcEnd;
        return r.UfEnd;
    };
    UfAfterUp = TUpSec > 0 ? pulse(PumpCurrent, TUpSec) : Uc1;
    UfAfterDown = TDownSec > 0 ? pulse(-PumpCurrent, TDownSec) : Uc1;
    UfOut = stepAverage(Uc1);
    Sim->Uf = UfOut;
}

} // namespace loopcraft
