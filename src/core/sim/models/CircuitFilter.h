// The loop filter run as the circuit that the schematic draws and the component list sizes:
// every capacitor of every section is a state, advanced exactly over each interval of constant
// drive (ModalSystem). Used for the orders whose filters have more than the first stage (C3,
// the passive filters' further RC stages, the active filters' second-order section) and for the
// charge pump into the active lead-lag, whose input stage keeps relaxing between the pulses.
//
// Drives within a step, in this order: the UP pulse, the DOWN pulse, then the rest of the step.
// A voltage PFD leaves its input open outside the pulses (the circuit without its source); a
// charge pump then pushes no current (the same circuit with a zero input). The oscillator sees
// the mean output over the step. Limits: the output is held within the op-amp's output limits
// (active filters) or the supply (passive filters) while the capacitors keep their charge, so
// the pump's charge is never lost; an op-amp inside the chain is taken as unlimited.
#pragma once

#include "core/sim/SimState.h"
#include "core/sim/models/ModalSystem.h"
#include "core/sim/models/PulseSeries.h"

#include <algorithm>
#include <optional>

namespace loopcraft {

enum class LoopFilter;

// What drives a loop filter: a voltage, a tri-state voltage PFD, or a charge pump.
enum class FilterDrive { Voltage, Pfd, ChargePump };

class CircuitFilter {
public:
    // Whether `filter` in this run's configuration needs the whole circuit.
    static bool needed(const SimState& s, LoopFilter filter);
    // The circuit of `filter` for the run's configuration and design; nothing when it cannot be
    // set up (a part without a positive, finite value).
    static std::optional<CircuitFilter> forRun(const SimState& s, LoopFilter filter,
                                               FilterDrive drive, float stepDuration,
                                               float refPeriod);

    // One simulation step: reads Ud or the pulse times, writes Uf. Inline, as the loop's own
    // steps are: most steps have no pulse.
    void Step(SimState& s) {
        if (mDrive == FilterDrive::Voltage) {
            const double u = static_cast<double>(s.Ud) - mUMid;
            finish(s, mDriven.advanceStep(State, u).yIntegral);
        } else if (s.TUp == 0 && s.TDown == 0) {
            finish(s, (mOpen ? *mOpen : mDriven).advanceStep(State, 0).yIntegral);
        } else {
            StepPulses(s);
        }
    }

    // The capacitor voltages, from mid-supply (V).
    FilterStateVector State{};
    float UfOut = 0;

private:
    ModalSystem mDriven;               // with the detector's source
    std::optional<ModalSystem> mOpen;  // a voltage PFD between its pulses
    std::optional<PulseSeries> mPulse; // a step with a single pulse, as series in its width
    FilterDrive mDrive{};
    double mSign = 1; // -1 where one inverting stage turns the output round
    double mStep = 0;
    double mMeanScale = 0; // sign / step: the step's mean output from its integral
    double mRefPeriod = 0;
    double mUMid = 0;
    double mUp = 0;   // input during UP: PFD level from mid-supply, or the pump current
    double mDown = 0; // ... during DOWN
    float mLow = 0;
    float mHigh = 0;

    void StepPulses(SimState& s);
    void finish(SimState& s, double integral) {
        // An inverting circuit's output is the filter function turned round about mid-supply.
        // A product, not a quotient: the mean stands on the loop's chain from step to step.
        const double mean = mUMid + mMeanScale * integral;
        UfOut = std::clamp(static_cast<float>(mean), mLow, mHigh);
        s.Uf = UfOut;
    }
};

} // namespace loopcraft
