// Mixed-signal filter design: the time constants, gain and capacitor of the loop filter for a
// wanted closed-loop 3-dB bandwidth. The zero sits at the design frequency and every further
// pole at a fixed ratio; the design frequency is then corrected until the measured bandwidth is
// within ±1 % of the request.
#pragma once

#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"

#include <optional>
#include <string>

namespace loopcraft {

// Sets the filter fields of `state` for the design frequency `fd` (Hz) and returns the 3-dB
// frequency of the resulting loop; nothing when that search finds no crossing. Fields the
// configuration does not design keep their values.
std::optional<float> RunDesignStep(FilterDesignState& state, const Configuration& config, float fd);

// Whether the passive lead-lag bandwidth limit applies (voltage detector, order 2..5).
bool HasMaximumF3db(const Configuration& config);
// K0·Kd / (N·2π): where the designed tau1 of the order-2 passive filter reaches 0.
float MaximumF3db(const FilterDesignState& state);
// The notice shown when a request exceeds that limit.
std::string MaximumF3dbWarning(float fmax);
inline constexpr const char* kWarningTitle = "Warning";

struct CorrectionResult {
    float designFrequency = 0.0F; // fd of the last pass
    float achievedF3db = 0.0F;    // its measured 3-dB frequency
    int corrections = 0;          // passes after the first
};

// The first design pass at fT and up to ten corrections fd = fd·fT/fa. The last pass stays in
// `state` whether or not it reached the band. Nothing when a pass finds no 3-dB crossing.
std::optional<CorrectionResult> DesignForBandwidth(FilterDesignState& state,
                                                   const Configuration& config, float fT);

// A number with `digits` significant digits, plain decimal where possible, else exponent form
// ("26343.5", "1.5e-07").
std::string formatGeneral(double value, int digits);

} // namespace loopcraft
