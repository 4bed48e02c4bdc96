// The integrated phase error of a phase-noise curve: φ² = 2∫L(f) df over an offset band, with
// L taken as straight in log-frequency and dB between its points (a power law on each segment),
// so every segment is integrated exactly rather than by a quadrature rule.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

struct IntegratedNoise {
    double phaseVariance = 0; // rad²
    double rmsPhaseRad = 0;
    double rmsPhaseDeg = 0;
    double jitterSeconds = 0; // rms phase over 2π times the carrier frequency
    double carrier = 0;       // Hz
    double from = 0;          // Hz
    double to = 0;            // Hz
};

// 2∫L df, L in dBc/Hz at `offsets` (increasing, > 0), over [from, to] (inside the offsets).
double integratePhaseNoise(const std::vector<double>& offsets, const std::vector<double>& dbc,
                           double from, double to);

// Why the band [from, to] cannot be integrated over a curve at `offsets`; nothing when it can.
std::optional<std::string> checkIntegrationBand(const std::vector<double>& offsets, double from,
                                                double to);

// The figures of a curve over [from, to] at `carrier` Hz; the caller has checked the band.
IntegratedNoise integrateNoise(const std::vector<double>& offsets, const std::vector<double>& dbc,
                               double from, double to, double carrier);

} // namespace loopcraft
