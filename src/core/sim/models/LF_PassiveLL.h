// Loop filter model: passive lead-lag (R1, R2 in series with C).
#pragma once

#include "core/sim/models/LoopFilterRC.h"

namespace loopcraft {

class LF_PassiveLL final : public LoopFilterRC {
public:
    using LoopFilterRC::LoopFilterRC;
    void Init();
    void Step() { stepByDrive(*this); }
    void StepVoltage();
    void StepPfd();
    void StepPump();
};

} // namespace loopcraft
