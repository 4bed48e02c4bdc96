// Phase detector model: tri-state phase-frequency detector (UP / idle / DOWN). Serves the
// voltage-output PFD and the PFD with charge pump; the filter reads TUp and TDown.
#pragma once

#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

class PD_PFD final : public PhaseDetector {
public:
    static constexpr float kInitialTheta2 = 0.0f;
    using PhaseDetector::PhaseDetector;
    void Init() override;
    void Step();
};

} // namespace loopcraft
