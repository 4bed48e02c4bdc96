// The result of one evaluation of the loop transfer model at one frequency.
#pragma once

#include "core/design/Complex.h"

namespace loopcraft {

struct LoopResponse {
    Complex openLoop;           // G(jω)
    float openLoopMagSq = 0.0F; // |G|², not dB
    float openLoopPhase = 0.0F; // sum of the analytic phase terms, rad, never wrapped
    Complex closedLoop;         // H = G / (1 + G)
    float closedLoopMagSq = 0.0F;
    float closedLoopPhase = 0.0F; // openLoopPhase − atan2(Im G, Re G + 1), rad
};

} // namespace loopcraft
