// The figures that describe a designed loop: gain crossover, phase margin, natural frequency
// and damping. The design window shows them for the entered time constants; the schematic
// shows them again for the time constants its rounded parts give back.
#pragma once

#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"

#include <optional>
#include <string>

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

// A loop whose phase margin is not positive (or not a number) does not settle after a step: its
// figures say so wherever they are shown (design window, schematic, report).
inline constexpr const char* kUnstableMark = "(unstable)";
bool IsUnstable(float phaseMarginDeg);
// A phase margin as shown, `text`, followed by " (unstable)" when the margin is not positive.
std::string MarkUnstable(std::string text, float phaseMarginDeg);

} // namespace loopcraft
