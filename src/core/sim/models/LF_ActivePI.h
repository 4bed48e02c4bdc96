// Loop filter model: active PI (R1 into an R2-C integrator).
#pragma once

#include "core/sim/models/LoopFilterRC.h"

namespace loopcraft {

class LF_ActivePI final : public LoopFilterRC {
public:
    using LoopFilterRC::LoopFilterRC;
    void Init();
    void Step() { stepByDrive(*this); }
    void StepVoltage();
    void StepPfd();
    void StepPump();
};

} // namespace loopcraft
