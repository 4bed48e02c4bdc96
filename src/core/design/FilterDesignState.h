// The working copy of loop and filter values that the loop transfer model reads. The design
// window owns one; the Bode plot and the simulation set-up evaluate the loop through it.
#pragma once

#include "core/design/Complex.h"

#include <cstdint>

namespace loopcraft {

class ParameterSet;
struct Configuration;

struct FilterDesignState {
    // Filter time constants, s.
    float tau1 = 0.0F;
    float tau2 = 0.0F;
    float tau3 = 0.0F;
    float tau4 = 0.0F;
    float tau5 = 0.0F;
    float Ka = 1.0F;     // gain of the active lead-lag filter
    float Kd = 0.0F;     // phase detector gain, V/rad
    float Kp = 0.0F;     // charge pump gain, A/rad
    float K0 = 0.0F;     // oscillator gain, rad/s/V
    std::uint32_t N = 1; // divider ratio; 1 without the scaler
    float fs = 0.0F;     // section-2 pole frequency, Hz
    float zeta2 = 0.0F;  // section-2 damping
    float C1 = 0.0F;     // charge-pump filter capacitor, F
    std::uint32_t M = 0; // ADPLL counter moduli
    std::uint32_t K = 0;
    std::uint32_t Nadpll = 0;
    float f0adpll = 0.0F;   // ADPLL centre frequency, Hz
    float fHadpll = 0.0F;   // ADPLL hold range, Hz
    float adpllF3db = 0.0F; // ADPLL 3-dB frequency, Hz
    float omegaN = 0.0F;    // last natural frequency, rad/s
    float zeta = 0.0F;      // last damping factor
    Complex j{0.0F, 1.0F};
    Complex one{1.0F, 0.0F};

    // Every field from `tau1` to `f0adpll`, as the design window takes them when it opens.
    static FilterDesignState fromParameters(const ParameterSet& params,
                                            const Configuration& config);

    // The filter values a mixed-signal design operation takes afresh from the parameter set:
    // Ka, tau1..tau5, zeta2, fs and C1 (from SchemaC1Val in unit SchemaC1Unit).
    void copyFilterValues(const ParameterSet& params);
};

// Phase detector gain as the loop model sees it: the multiplier's own Kd; for the digital
// detectors the loop filter's saturation swing times 1/π, 1/(2π) or 1/(4π).
float detectorGain(const ParameterSet& params, const Configuration& config);

} // namespace loopcraft
