// The loop filter circuits as netlists: for every filter type, filter order and drive (a voltage
// from the detector or the charge pump's current) the parts with their designators and the nets
// they join. One description feeds the drawing generator, the component list and any netlist
// written for a circuit simulator, so none of them can show a different circuit.
//
// The circuits are the ones whose equations the component formulas use:
// - passive lead-lag: R1 from the input to the filter node, R2 in series with C1 to ground, C3
//   across R2 (τ3 = R2·C3, which puts the zero at τ2 + τ3); orders 3 and 4 add RC stages whose
//   resistors are five times the previous one, each behind a unity-gain buffer (A1, A2) so that
//   it does not load the network before it;
// - active lead-lag: R1 in series with C1 into the inverting input, R2 in series with C2 as
//   feedback (gain C1/C2 = Ka), C3 across R2; driven by a current, R1 goes to ground and turns the
//   pump current into a voltage;
// - active PI: R1 into the inverting input (left out when the current drives the inverting input
//   directly), R2 in series with C1 as feedback, C3 across R2;
// - the second-order section of the active filters of orders 3 and 4: a multiple-feedback
//   low-pass of unity gain, input and feedback resistor both R4, R5 into the inverting input, C5
//   to ground and C4 from the output to the inverting input, so that
//   1/ωn² = R4·R5·C4·C5 and 2ζ/ωn = 2·R4·C4.
#pragma once

#include "core/config/Configuration.h"
#include "core/schematic/ComponentValues.h"

#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

enum class PartKind { Resistor, Capacitor, OpAmp, VoltageSource, CurrentSource };

struct CircuitPart {
    PartKind kind = PartKind::Resistor;
    // Unique within its circuit and usable as a netlist element name ("R1", "R4A", "A1", "Vpd").
    std::string name;
    // What the drawing writes beside the part and the caption of its value row ("R4"); two parts
    // with the same value share it. Empty for the op-amps and the source.
    std::string designator;
    // The value row that shows this part (its key in the layout, "R4_1"); empty for the op-amps
    // and the source.
    std::string row;
    // The nets the terminals join:
    // - resistor, capacitor: its two ends;
    // - voltage source: positive, negative terminal;
    // - current source: the net the current is pushed into, the net it returns from;
    // - op-amp (ideal: infinite gain, output referred to ground): non-inverting input,
    //   inverting input, output (a buffer has its output net at the inverting input too).
    std::vector<std::string> nodes;

    bool operator==(const CircuitPart&) const = default;
};

struct FilterCircuit {
    LoopFilter filter = LoopFilter::PassiveLL;
    int filterOrder = 1;     // 1..4: the PLL order minus one
    bool chargePump = false; // driven by the charge pump's current ("_I"), else by a voltage
    std::string file;        // the drawing ("ActivePI3_I.wmf")

    std::string input;  // the net the source drives ("from PD")
    std::string output; // the net that goes to the oscillator ("to VCO")
    std::string ground = kGroundNet;
    // The circuit's output is the negative of the filter function the loop model uses (one
    // inverting op-amp stage); with two stages, or none, the signs agree.
    bool inverting = false;

    std::vector<CircuitPart> parts;

    // The part called `name`, if there is one.
    const CircuitPart* part(const std::string& name) const;

    static constexpr const char* kGroundNet = "0";
};

// The circuit of a filter type and filter order (1..4) with its drive. Orders outside 1..4 are
// brought into that range.
FilterCircuit filterCircuit(LoopFilter filter, int filterOrder, bool chargePump);

// The circuit a configuration uses, or nothing when its loop has no filter (order 1, all-digital).
std::optional<FilterCircuit> filterCircuitFor(const Configuration& config);

// All 24 circuits: passive lead-lag, active lead-lag, active PI; orders 1..4; voltage drive
// before current drive.
std::vector<FilterCircuit> allFilterCircuits();

// The value of a resistor or capacitor of a calculation, in ohms or farads: C1 and C4 as the user
// chose them, the others as computed (before rounding). Nothing for op-amps, sources and parts
// the calculation does not hold.
std::optional<float> partValue(const CircuitPart& part, const ComponentInputs& inputs,
                               const std::vector<ComponentValue>& values);

} // namespace loopcraft
