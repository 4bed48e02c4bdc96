// Range checks of the phase-noise settings.
#include "core/noise/PhaseNoiseSettings.h"

#include <cmath>

namespace loopcraft {

std::optional<std::string> checkPhaseNoiseSettings(const PhaseNoiseSettings& s) {
    if (auto why = checkNoiseTable(s.reference, "the reference table"))
        return why;
    if (auto why = checkNoiseTable(s.oscillator, "the oscillator table"))
        return why;
    if (!std::isfinite(s.detectorFloor))
        return std::string("the detector floor must be a finite number");
    if (!std::isfinite(s.detectorCorner) || s.detectorCorner < 0)
        return std::string("the detector's 1/f corner must be zero or positive");
    if (!std::isfinite(s.detectorFom))
        return std::string("the figure of merit must be a finite number");
    if (!std::isfinite(s.dividerFloor))
        return std::string("the divider floor must be a finite number");
    if (!std::isfinite(s.temperature) || !(s.temperature > 0))
        return std::string("the temperature must be positive (kelvin)");
    if (!std::isfinite(s.opAmpNoise) || s.opAmpNoise < 0)
        return std::string("the op-amp noise must be zero or positive (nV/sqrt(Hz))");
    if (!std::isfinite(s.from) || !(s.from > 0))
        return std::string("the lower integration limit must be positive");
    if (!std::isfinite(s.to) || s.to < 0)
        return std::string("the upper integration limit must be positive (0: half the reference)");
    if (s.to > 0 && !(s.from < s.to))
        return std::string("the integration limits are reversed or equal");
    if (s.points < kMinNoisePoints || s.points > kMaxNoisePoints)
        return "the number of points must lie between " + std::to_string(kMinNoisePoints) +
               " and " + std::to_string(kMaxNoisePoints);
    return std::nullopt;
}

} // namespace loopcraft
