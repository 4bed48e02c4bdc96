// The figures that describe a designed loop: gain crossover, phase margin, natural frequency
// and damping. The design window shows them for the entered time constants; the schematic
// shows them again for the time constants its rounded parts give back.
#pragma once

#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"

#include <optional>

namespace loopcraft {

struct LoopFigures {
    float gainCrossover = 0; // Hz
    float phaseMarginDeg = 0;
    float omegaN = 0; // rad/s
    float zeta = 0;
};

// The figures of the loop in `state`; nothing when the loop gain never crosses 1.
std::optional<LoopFigures> ComputeLoopFigures(const FilterDesignState& state,
                                              const Configuration& config);

} // namespace loopcraft
