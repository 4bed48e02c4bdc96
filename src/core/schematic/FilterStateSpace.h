// The linear equations of a loop filter circuit, read off its netlist: the capacitor voltages
// are the state, the detector's voltage (or the pump's current) the input, the voltage of the
// output net the output,
//     dx/dt = A x + B u,   y = C x + D u.
// Every quantity counts from the circuit's ground, which the simulation puts at mid-supply. The
// op-amps are ideal (infinite gain); their output limits are not part of these equations.
//
// The same circuit description feeds the drawing, the component list and the netlists for a
// circuit simulator, so the time-domain models run exactly the circuit those show.
#pragma once

#include "core/schematic/ComponentValues.h"
#include "core/schematic/FilterCircuit.h"

#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

struct FilterStateSpace {
    int n = 0;             // number of capacitors
    std::vector<double> A; // n x n, row-major
    std::vector<double> B; // n
    std::vector<double> C; // n
    double D = 0;
    std::vector<std::string> states; // the capacitor of each state ("C1", "C3", ...)
};

// The equations of `circuit` with the part values of a calculation. With `sourceConnected`
// false the detector's source is taken out of the circuit (a tri-state detector that drives
// nothing between its pulses); the input then has no effect (B = 0, D = 0). Nothing when a part
// has no positive, finite value or the network has no unique solution.
std::optional<FilterStateSpace> filterStateSpace(const FilterCircuit& circuit,
                                                 const ComponentInputs& inputs,
                                                 const std::vector<ComponentValue>& values,
                                                 bool sourceConnected = true);

} // namespace loopcraft
