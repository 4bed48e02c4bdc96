// Active lead-lag filter: an R1-C input stage whose current feeds an R2-C2 integrating stage
// (C2 = C / Ka), giving Ka (1 + s Tau2) / (1 + s Tau1).
#include "core/sim/models/LF_ActiveLL.h"

#include "core/config/Configuration.h"

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
    initCircuit(LoopFilter::ActiveLL);
}

} // namespace loopcraft
