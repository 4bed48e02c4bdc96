// Range checks of the phase-noise settings.
#include "core/noise/PhaseNoiseSettings.h"

#include "core/base/SidecarSettings.h"

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

PhaseNoiseSettings phaseNoiseSettingsFrom(const SidecarSettings& c) {
    PhaseNoiseSettings s;
    const auto table = [](const PointTable& t) {
        NoiseTable n;
        for (const auto& [x, y] : t)
            n.push_back({x, y});
        return n;
    };
    s.reference = table(c.PhaseNoiseReference);
    s.oscillator = table(c.PhaseNoiseOscillator);
    s.detectorFloor = c.PhaseNoiseDetectorFloor;
    s.detectorCorner = c.PhaseNoiseDetectorCorner;
    s.detectorFromFom = c.PhaseNoiseDetectorFromFom;
    s.detectorFom = c.PhaseNoiseDetectorFom;
    s.dividerFloor = c.PhaseNoiseDividerFloor;
    s.temperature = c.PhaseNoiseTemperature;
    s.opAmpNoise = c.PhaseNoiseOpAmpNoise;
    s.e24Values = c.PhaseNoiseE24Values;
    s.from = c.PhaseNoiseFrom;
    s.to = c.PhaseNoiseTo;
    s.points = c.PhaseNoisePoints;
    return s;
}

void storePhaseNoiseSettings(SidecarSettings& c, const PhaseNoiseSettings& s) {
    const auto table = [](const NoiseTable& n) {
        PointTable t;
        for (const NoisePoint& p : n)
            t.emplace_back(p.offset, p.dbc);
        return t;
    };
    c.PhaseNoiseReference = table(s.reference);
    c.PhaseNoiseOscillator = table(s.oscillator);
    c.PhaseNoiseDetectorFloor = s.detectorFloor;
    c.PhaseNoiseDetectorCorner = s.detectorCorner;
    c.PhaseNoiseDetectorFromFom = s.detectorFromFom;
    c.PhaseNoiseDetectorFom = s.detectorFom;
    c.PhaseNoiseDividerFloor = s.dividerFloor;
    c.PhaseNoiseTemperature = s.temperature;
    c.PhaseNoiseOpAmpNoise = s.opAmpNoise;
    c.PhaseNoiseE24Values = s.e24Values;
    c.PhaseNoiseFrom = s.from;
    c.PhaseNoiseTo = s.to;
    c.PhaseNoisePoints = s.points;
}

} // namespace loopcraft
