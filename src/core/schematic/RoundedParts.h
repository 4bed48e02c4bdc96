// What the loop does when it is built from the parts the schematic lists. Every computed
// resistor and capacitor is bought as its E24 value, so the time constants the circuit realises
// (τ = R·C) move a little away from the designed ones; the figures of the loop are computed
// again from those, beside the designed figures. C1 and C4 are taken as the user entered them.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/schematic/ComponentValues.h"

#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

struct PartsFigures {
    float f3db = 0; // Hz
    float phaseMarginDeg = 0;
    float zeta = 0;
    bool operator==(const PartsFigures&) const = default;
};

struct RoundedPartsCheck {
    // The designed time constants with this C1; nothing when the loop has no crossing.
    std::optional<PartsFigures> designed;
    // The time constants the rounded parts give back; nothing as well when a part has no series
    // value.
    std::optional<PartsFigures> rounded;
};

// A loop the figures are computed for.
struct LoopUnderTest {
    FilterDesignState state;
    Configuration config;
};

// The loop the rounded parts realise: `designed` with every time constant (and the active
// lead-lag gain C1/C2) recomputed from the rounded values in `values`. Section 2 is given as its
// quadratic, ωn = 1/√(R4·R5·C4·C5) and ζ = ωn·R4·C4, whatever pole kind it was designed with.
// Nothing when a part the loop needs has no series value.
std::optional<LoopUnderTest> roundedPartsLoop(const LoopUnderTest& designed,
                                              const ComponentInputs& in,
                                              const std::vector<ComponentValue>& values);

// Both sets of figures for a calculation of the component values. Nothing is computed for a
// configuration without a filter.
RoundedPartsCheck CheckRoundedParts(const ParameterSet& params, const Configuration& config,
                                    const ComponentInputs& in,
                                    const std::vector<ComponentValue>& values);

// The check as a small table: a row per figure with its name, the designed figure and the one of
// the rounded parts ("f3db", "1000.0 Hz", "1012.3 Hz"); "-" where a figure is missing.
struct PartsFigureRow {
    std::string name;
    std::string designed;
    std::string rounded;
};
inline constexpr const char* kDesignedColumn = "designed";
inline constexpr const char* kRoundedColumn = "E24 parts";
std::vector<PartsFigureRow> partsFigureRows(const RoundedPartsCheck& check);

} // namespace loopcraft
