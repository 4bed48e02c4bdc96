// Passive lead-lag filter: R1 and R2 in series with C; the output is taken across R2 + C.
#include "core/sim/models/LF_PassiveLL.h"

#include "core/config/Configuration.h"

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
    initCircuit(LoopFilter::PassiveLL);
}

} // namespace loopcraft
