// Loop filter model: active PI (R1 into an R2-C integrator).
#pragma once

#include "core/sim/models/LoopFilterRC.h"

namespace loopcraft {

class LF_ActivePI final : public LoopFilterRC {
public:
    using LoopFilterRC::LoopFilterRC;
    void Init();
    void Step() {
        switch (Drive) {
        case FilterDrive::Voltage:
            StepVoltage();
            break;
        case FilterDrive::Pfd:
            StepPfd();
            break;
        case FilterDrive::ChargePump:
            StepPump();
            break;
        }
    }
    void StepVoltage();
    void StepPfd();
    void StepPump();
};

} // namespace loopcraft
