// Loop filter model: active lead-lag (R1-C input stage into an R2-C2 integrator).
#pragma once

#include "core/sim/models/LoopFilterRC.h"

namespace loopcraft {

class LF_ActiveLL final : public LoopFilterRC {
public:
    using LoopFilterRC::LoopFilterRC;
    void Init();
    void Step() { stepByDrive(*this); }
    void StepVoltage();
    void StepPfd();
    void StepPump();
};

} // namespace loopcraft
