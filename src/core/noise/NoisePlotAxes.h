// What the phase-noise picture and the texts around it show, without drawing: the decades of the
// offset axis, the dBc/Hz range, and the figures as lines of text. Window, print, exports, the
// report and the command line all take their wording from here.
#pragma once

#include "core/noise/NoiseIntegral.h"
#include "core/noise/PhaseNoiseAnalysis.h"

#include <string>
#include <vector>

namespace loopcraft {

struct NoisePlotAxes {
    double fMin = 1;   // Hz, a power of ten at or below the first offset
    double fMax = 1e6; // Hz, a power of ten at or above the last offset
    double dbTop = 0;  // dBc/Hz, a multiple of 10 above the highest curve
    double dbBottom = -200;
    double dbStep = 20;
    std::vector<double> decades; // fMin, 10·fMin, ..., fMax
    std::vector<double> dbTicks; // from dbTop down to dbBottom

    // Position of an offset (0 at fMin .. 1 at fMax) and of a level (0 at the top .. 1 at the
    // bottom, beyond 1 below the range).
    double xOf(double f) const;
    double yOf(double dbc) const;
};

// The axes for a result: the top a multiple of 10 dB above the highest point of the total, the
// bottom below the lowest point of any curve, but at most 160 dB under the top.
NoisePlotAxes makeNoisePlotAxes(const PhaseNoiseResult& result);

// The empty plot's axes (no result yet).
NoisePlotAxes makeNoisePlotAxes();

// A value with an engineering prefix and three significant digits ("34.2 ps", "100 kHz").
std::string engineeringText(double value, const std::string& unit);

// A frequency axis label ("10", "1k", "100k", "1M").
std::string decadeLabel(double f);

// The figures, one line each as "name: value": output frequency, integration band, RMS phase
// error in degrees (and radians), jitter.
std::vector<std::string> noiseFigureLines(const IntegratedNoise& figures);

// The curve's legend text ("reference", "R4A", "op-amps", "total").
std::string contributionLabel(const NoiseContribution& c);

} // namespace loopcraft
