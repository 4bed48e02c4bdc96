// Active PI filter: the input resistor R1 feeds an integrator of R2 in series with C, giving
// (1 + s Tau2) / (s Tau1) around mid-supply.
#include "core/sim/models/LF_ActivePI.h"

#include "core/config/Configuration.h"

namespace loopcraft {

void LF_ActivePI::Init() {
    initCommon(1.0e-8f);
    TauCharge = Tau1;
    R1 = Tau1 / C;
    R2 = Tau2 / C;
    Uc1 = Sim->UMid;
    initCircuit(LoopFilter::ActivePI);
}

} // namespace loopcraft
