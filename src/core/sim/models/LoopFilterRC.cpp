// The members every RC loop filter sets at Init.
#include "core/sim/models/LoopFilterRC.h"

#include "core/config/Configuration.h"

#include <cmath>
#include <numbers>

namespace loopcraft {

void LoopFilterRC::initCommon(float normalisedC) {
    const SimState& s = *Sim;
    StepDuration = 1.0f / (static_cast<float>(s.SimulnSamp) * s.SimulfRef);
    RefPeriod = 1.0f / s.SimulfRef;
    UMidCopy = s.UMid;
    Tau1 = s.FiltDesignTau1;
    Tau2 = s.FiltDesignTau2;
    PumpCurrent = static_cast<float>(s.ConfigKp * 2.0 * std::numbers::pi);
    if (s.rbConfigDPLLPFD_CP != 0) {
        Drive = FilterDrive::ChargePump;
        // The designed C1; without a charge pump only the time constants matter.
        C = static_cast<float>(s.SchemaC1Val * std::pow(10.0, -3.0 * s.SchemaC1Unit));
    } else {
        Drive = s.rbConfigDPLLPFD != 0 ? FilterDrive::Pfd : FilterDrive::Voltage;
        C = normalisedC;
    }
}

void LoopFilterRC::initCircuit(LoopFilter filter) {
    Circuit.reset();
    if (CircuitFilter::needed(*Sim, filter))
        Circuit = CircuitFilter::forRun(*Sim, filter, Drive, StepDuration, RefPeriod);
}

} // namespace loopcraft
