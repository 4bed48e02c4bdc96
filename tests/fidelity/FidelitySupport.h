// The fidelity harness: a loop designed for a bandwidth answers a small frequency step in the
// simulation, in the loop model and in ngspice's transient of the whole loop (the deck the
// netlist command writes), and the three control voltages are measured on the same terms
// (per-period means, overshoot, 2 % settling, largest difference). Shared by the fidelity tests
// and by anyone who wants the table of all configurations (FidelityTable).
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/sim/StepMeasures.h"

#include <optional>
#include <string>
#include <vector>

namespace loopcraft::fidelity {

struct LoopCase {
    Detector detector = Detector::PFD;
    LoopFilter filter = LoopFilter::PassiveLL;
    int order = 2;
    PoleKind poles = PoleKind::Complex; // counts only where section 2 exists
    float f3db = 5000;                  // Hz, what the loop is designed for

    // "PFD_CP_ActivePI_4_Real_5000Hz": fit for a test name.
    std::string name() const;
    Configuration configuration() const;
};

// Every detector with every filter at every order (section 2 with either pole kind), designed
// for `f3db`.
std::vector<LoopCase> allLoopCases(float f3db);

// The default parameter set with the case's configuration, designed for its f3db by the design
// window's operation; a frequency step of 1 % of f0, nSamp 4, no "Filter", a run of about five
// of the loop's 3-dB time constants (whole reference periods). Nothing, with the reason, when the
// design fails.
std::optional<ParameterSet> designedLoop(const LoopCase& c, std::string* why = nullptr);

// Per-period means of Uf of the three, and the figures measured on them.
struct Responses {
    double period = 0; // s, one reference period
    double start = 0;  // V, Uf before the step (mid-supply)
    double final = 0;  // V, the Uf at which the VCO runs at the stepped reference
    double delay = 0;  // s, the simulation's sampling delay the model is shifted by
    // The model is delayed by `delay`; modelUndelayed is the same without the delay.
    std::vector<double> sim, model, modelUndelayed, spice;
    StepFigures simFigures, modelFigures, spiceFigures;
    // Largest per-period difference, relative to the swing; against the model, the distance
    // from the band the model spans when delayed by anything from 0 to `delay`.
    double simVsModel = 0;
    double simVsSpice = 0;
    std::string spiceError; // why ngspice gave nothing, when it did not run
};

// The simulation and the loop model (always), and ngspice's transient when `withSpice`.
Responses measure(const ParameterSet& params, const Configuration& config, bool withSpice);

// The criteria: overshoot and 2 % settling within 15 % (each overshoot taken as at least 2 % of
// the swing, each settling time as at least two reference periods), largest per-period
// difference under a tenth of the swing. Empty when met, else what is missed.
std::string missedCriteria(const StepFigures& x, const StepFigures& reference, double difference,
                           double period);

// ngspice's transient of `deck` (written into a folder of its own, removed afterwards): the
// columns of its data file `dataFile` (time first). Nothing, with the log's tail, when ngspice
// fails or is missing.
std::optional<std::vector<std::vector<double>>> runNgspice(const std::string& deck,
                                                           const std::string& dataFile,
                                                           const std::string& tag,
                                                           std::string* why = nullptr);

// One line of the table: the figures of the three and the two differences.
std::string tableHeader();
std::string tableRow(const LoopCase& c, const Responses& r);

} // namespace loopcraft::fidelity
