// How the noise sources inside a loop filter circuit reach its output: each resistor's thermal
// noise, a current 4kT/R across it, and each op-amp's input voltage noise, a source in series
// with its non-inverting input. The detector's source is quiet (a voltage source is a short, the
// pump's current source an open circuit), the op-amps ideal, as in the circuit's other uses.
//
// One complex nodal solve per frequency gives every source's transfer at once: the transposed
// system with a unit at the output node yields the output's sensitivity to an injection anywhere.
#pragma once

#include "core/schematic/FilterCircuit.h"

#include <complex>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

inline constexpr double kBoltzmann = 1.380649e-23; // J/K

class FilterNoise {
public:
    // The circuit with its part values in ohms and farads by part name (every resistor and
    // capacitor needs a positive, finite one). Nothing when a value is missing.
    static std::optional<FilterNoise> make(const FilterCircuit& circuit,
                                           const std::map<std::string, float>& values);

    // Part names of the resistors and of the op-amps, in circuit order.
    const std::vector<std::string>& resistors() const { return mResistorNames; }
    const std::vector<std::string>& opAmps() const { return mOpAmpNames; }
    double resistance(std::size_t i) const { return mResistors[i].value; }

    // At `f` Hz: |Z|² in Ω² from a current injected across each resistor to the output voltage,
    // and |A|² from each op-amp's input noise voltage to the output (its noise gain). False when
    // the network has no solution at f.
    bool transfers(double f, std::vector<double>& resistorGain2,
                   std::vector<double>& opAmpGain2) const;

private:
    struct Branch {
        int a = -1;
        int b = -1;
        double value = 0;
    };
    struct Amp {
        int plus = -1;
        int minus = -1;
        int out = -1;
    };
    std::vector<Branch> mResistors;
    std::vector<Branch> mCapacitors;
    std::vector<Amp> mAmps;
    std::vector<std::string> mResistorNames;
    std::vector<std::string> mOpAmpNames;
    Branch mVoltageSource; // a == b == -1 when the drive is a current
    bool mHasVoltageSource = false;
    int mNodes = 0;
    int mOutput = -1;
    // Scratch space of one solve, kept so that a sweep allocates nothing.
    mutable std::vector<std::complex<double>> mMatrix;
    mutable std::vector<std::complex<double>> mRhs;
};

} // namespace loopcraft
