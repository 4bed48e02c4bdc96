// Closed-loop phase noise at the oscillator output, source by source, through the loop model
// (G the open-loop gain as the Bode plot shows it, Nf the divider):
// - reference, detector (or charge pump) and divider, all referred to the detector's input,
//   through Nf·G/(1+G);
// - each filter resistor's 4kTR and each op-amp's input noise, through the filter circuit to the
//   oscillator's control input, then K0/(jω)·1/(1+G);
// - the free-running oscillator through 1/(1+G).
// The total is the power sum; it is integrated to an RMS phase error and a jitter at the
// oscillator's frequency.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/noise/FilterNoise.h"
#include "core/noise/NoiseIntegral.h"
#include "core/noise/PhaseNoiseSettings.h"
#include "core/schematic/FilterCircuit.h"

#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

// Everything the analysis takes from the designed loop.
struct PhaseNoiseLoop {
    Configuration config;
    FilterDesignState state;
    std::optional<FilterCircuit> circuit; // none for order 1 and the all-digital loop
    std::optional<FilterNoise> filter;    // the circuit with its part values
    double fRef = 0;                      // Hz, the detector's comparison frequency
    double nf = 1;                        // divider ratio
    double fOut = 0;                      // Hz, the oscillator's frequency Nf·fRef
};

inline constexpr const char* kPhaseNoiseTitle = "Phase noise";

struct PhaseNoiseLoopBuild {
    std::optional<PhaseNoiseLoop> loop;
    std::string error; // why there is none
};

// The loop of the parameter set: configuration, the design's state, and the filter circuit with
// its designed (or E24) part values.
PhaseNoiseLoopBuild phaseNoiseLoopFrom(const ParameterSet& params, bool e24Values);

enum class NoiseSource { Reference, Detector, Divider, Resistors, Resistor, OpAmp, Oscillator };

struct NoiseContribution {
    NoiseSource source = NoiseSource::Reference;
    // "reference", "detector", "divider", "resistors", the resistor's part name ("R1", "R4A"),
    // "opamp", "oscillator".
    std::string name;
    std::vector<double> dbc; // dBc/Hz at each offset
};

struct PhaseNoiseResult {
    std::vector<double> offsets; // Hz, increasing
    // In the order of NoiseSource; "resistors" is the power sum of the single resistors, which
    // follow it. A source the loop does not have is left out.
    std::vector<NoiseContribution> contributions;
    std::vector<double> total; // dBc/Hz
    IntegratedNoise figures;
    std::string note; // what the analysis left out, for the user
};

struct PhaseNoiseRun {
    std::optional<PhaseNoiseResult> result;
    std::string error; // why there is none
};

// The lowest level a curve reports, dBc/Hz: a source that contributes nothing at an offset.
inline constexpr double kNoiseFloorDbc = -300.0;

// The offsets the analysis uses for integration limits [from, to]: `points` log-spaced from a
// decade below `from` to twice `to`.
std::vector<double> analysisOffsets(double from, double to, int points);

// The analysis of `loop` with `settings`, checked first.
PhaseNoiseRun analyzePhaseNoise(const PhaseNoiseLoop& loop, const PhaseNoiseSettings& settings);

// The upper integration limit the settings mean for a loop of reference `fRef`.
double integrationTo(const PhaseNoiseSettings& settings, double fRef);

} // namespace loopcraft
