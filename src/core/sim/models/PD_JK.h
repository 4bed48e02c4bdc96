// Phase detector model: JK flip-flop, set by rising reference edges and reset by rising
// oscillator edges (an oscillator edge up to EdgeTolerance beyond the step still counts).
#pragma once

#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

class PD_JK final : public PhaseDetector {
public:
    static constexpr float kInitialTheta2 = 3.14159f;
    using PhaseDetector::PhaseDetector;
    void Init() override;
    void Step() {
        if (Sim->rbConfigADPLL == 0) {
            StepMixed();
        } else {
            StepAdpll();
        }
    }
    void StepMixed();
    void StepAdpll();
};

} // namespace loopcraft
