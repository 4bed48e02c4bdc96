// Decks for the ngspice circuit simulator, written from the circuit description of a loop filter
// and its component values: the filter alone with an AC analysis of its transfer function, or
// the whole loop with behavioural detector, oscillator and divider answering the simulation
// panel's stimulus in a transient analysis.
//
// Elements keep the circuit's part names (R1, C3, R4A, Vpd, Icp); an op-amp, which a deck can
// only name with a letter of its kind in front, becomes E<name> (EA1): an ideal op-amp, a
// voltage-controlled voltage source of high gain. In the loop deck the active filters' op-amps
// keep that gain and stop at the filter's output limits (ConfigLFSatN..P): G<name>, Ro<name>,
// Dh<name>, Dl<name> and the buffer E<name>.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/schematic/ComponentValues.h"
#include "core/schematic/FilterCircuit.h"
#include "core/sim/ProtocolText.h"

#include <map>
#include <optional>
#include <string>

namespace loopcraft {

enum class DeckValues { Designed, E24 };

// Ohms or farads of every resistor and capacitor, by part name.
using DeckPartValues = std::map<std::string, float>;

// The value of every resistor and capacitor of `circuit`: C1 and C4 as chosen, the others as
// calculated, each rounded to the E24 series when asked. Nothing, with the reason in `why`, when
// a part has no positive finite value (a filter that was not designed).
std::optional<DeckPartValues> deckPartValues(const FilterCircuit& circuit,
                                             const ComponentInputs& inputs,
                                             const std::vector<ComponentValue>& values,
                                             DeckValues rounding, std::string* why = nullptr);

// The AC sweep of the filter deck and where it writes its table.
struct AcDeckOptions {
    double fStart = 10.0; // Hz
    double fStop = 1.0e6; // Hz
    int pointsPerDecade = 20;
    // Written by the deck: frequency, gain (V/V or V/A) and phase in degrees, one line each.
    std::string dataFile = "loopcraft-ac.txt";
    std::string title; // the first line, after "* "
    DeckValues rounding = DeckValues::Designed;
};

// The filter with a 1 V (or 1 A) AC source where the detector drives it and ideal op-amps; its
// output V(out) is the transfer function.
std::string writeAcDeck(const FilterCircuit& circuit, const DeckPartValues& values,
                        const AcDeckOptions& options);

// Everything the loop deck takes from the parameter set and the simulation panel's choices.
struct LoopDeckOptions {
    Stimulus stimulus = Stimulus::FStep;
    // Written by the deck: time, the detector output (V, or the pump current in A) and the
    // control voltage, one line per time point.
    std::string dataFile = "loopcraft-tran.txt";
    std::string title;
    DeckValues rounding = DeckValues::Designed;
};

// The averaging window of the settled control voltage the loop deck reports: the last tenth of
// the run, in whole reference periods (at least one).
struct SettledWindow {
    double from = 0; // s
    double to = 0;   // s
};
SettledWindow settledWindow(double runTime, double fRef);

// The name under which the loop deck prints the mean control voltage over the settled window
// ("uf_settled = 2.596e+00").
inline constexpr const char* kSettledMeasure = "uf_settled";

// The whole mixed-signal loop around `circuit`: the reference of the stimulus, the detector,
// the filter, the VCO and divider, for the run length SimulT, starting as the simulation run
// starts (RunStimulus: the centre frequency Simulf0, the reference, the phases, the divider).
// Nothing, with the reason in `why`, for a loop without a filter or values the deck cannot use.
std::optional<std::string> writeLoopDeck(const FilterCircuit& circuit, const DeckPartValues& values,
                                         const ParameterSet& params, const Configuration& config,
                                         const LoopDeckOptions& options,
                                         std::string* why = nullptr);

} // namespace loopcraft
