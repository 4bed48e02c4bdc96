// Phase detector model: EXOR gate. In the mixed-signal loop its output sits at the low level
// while reference and oscillator square waves agree and at the high level otherwise; in the
// all-digital loop it is the logic bit of the two levels.
#pragma once

#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

class PD_EXOR final : public PhaseDetector {
public:
    static constexpr float kInitialTheta2 = -1.570795f;
    using PhaseDetector::PhaseDetector;
    void Init() override;
    void Step() {
        if (Sim->rbConfigDPLL == 1) {
            StepMixed();
        } else {
            StepAdpll();
        }
    }
    void StepMixed();
    void StepAdpll();

private:
    void integrateSegment(float ta, float tb, double thetaA, double thetaB);
};

} // namespace loopcraft
