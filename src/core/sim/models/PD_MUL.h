// Phase detector model: analog multiplier. The reference is the unit sine sin(2*pi*t) plus the
// quarter-period noise sample, the oscillator output a square wave with the sign of sin(theta);
// their product is integrated with trapezoid sub-steps of 0.05 reference periods.
#pragma once

#include "core/sim/models/PhaseDetector.h"

namespace loopcraft {

class PD_MUL final : public PhaseDetector {
public:
    static constexpr float kInitialTheta2 = 1.570795f;
    using PhaseDetector::PhaseDetector;
    void Step();

private:
    void integratePiece(float ta, float tb, double thetaA, double thetaB, float sample);
    void integrateSegment(float ta, float tb, float sigma, float sample);
    void integrateFastPiece(float ta, float tb, double thetaA, float sample);
    float value(float sinSum, float sigma, float sample) const;
};

} // namespace loopcraft
