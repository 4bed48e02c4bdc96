// What the phase-noise analysis is told about the sources the loop model does not know: the
// reference and the free-running oscillator as tables, the detector's and divider's floors, the
// filter's temperature and op-amp noise, and the band the noise is integrated over.
#pragma once

#include "core/noise/NoiseTable.h"

#include <optional>
#include <string>

namespace loopcraft {

class SidecarSettings;

struct PhaseNoiseSettings {
    // A quiet crystal reference: flicker close in, a floor from 10 kHz on.
    NoiseTable reference = {{10, -110}, {100, -130}, {1000, -145}, {10000, -150}};
    // A free-running oscillator: steeper than 1/f² close in, then 1/f², flattening far out.
    NoiseTable oscillator = {{1000, -110}, {10000, -135}, {100000, -155}, {1000000, -165}};
    // Detector (or charge pump) noise referred to its input: a white floor with a 1/f corner,
    // or, for a charge pump, a floor from a figure of merit normalised to 1 Hz:
    // floor = FOM + 10·log10(f_ref).
    double detectorFloor = -150; // dBc/Hz
    double detectorCorner = 100; // Hz; 0 for none
    bool detectorFromFom = false;
    double detectorFom = -215;  // dBc/Hz
    double dividerFloor = -155; // dBc/Hz at the divider's output
    double temperature = 300;   // K, of the filter's resistors
    double opAmpNoise = 10;     // nV/√Hz at an op-amp's input
    bool e24Values = false;     // the filter with its E24 parts instead of the designed values
    double from = 10;           // Hz, lower integration limit
    double to = 0;              // Hz, upper integration limit; 0 means half the reference
    int points = 400;           // offsets of the analysis, log-spaced

    bool operator==(const PhaseNoiseSettings&) const = default;
};

inline constexpr int kMinNoisePoints = 2;
inline constexpr int kMaxNoisePoints = 100000;

// The first setting that cannot be used, as a message; nothing when all can.
std::optional<std::string> checkPhaseNoiseSettings(const PhaseNoiseSettings& s);

// The settings as the settings file keeps them (keys PhaseNoise...), and back.
PhaseNoiseSettings phaseNoiseSettingsFrom(const SidecarSettings& sidecar);
void storePhaseNoiseSettings(SidecarSettings& sidecar, const PhaseNoiseSettings& s);

} // namespace loopcraft
