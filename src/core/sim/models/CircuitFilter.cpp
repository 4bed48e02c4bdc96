// The loop filter run as its whole circuit.
#include "core/sim/models/CircuitFilter.h"

#include "core/base/E24.h"
#include "core/config/Configuration.h"
#include "core/schematic/ComponentValues.h"
#include "core/schematic/FilterCircuit.h"
#include "core/schematic/FilterStateSpace.h"
#include "core/sim/SimState.h"
#include "core/sim/models/LoopFilterRC.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace loopcraft {

bool CircuitFilter::needed(const SimState& s, LoopFilter filter) {
    const Configuration config = Configuration::fromFlags(s);
    if (config.isAdpll() || config.order < 2)
        return false;
    return config.order >= 3 || (filter == LoopFilter::ActiveLL && config.chargePump());
}

std::optional<CircuitFilter> CircuitFilter::forRun(const SimState& s, LoopFilter filter,
                                                   FilterDrive drive, float stepDuration,
                                                   float refPeriod) {
    Configuration config = Configuration::fromFlags(s);
    config.filter = filter;
    const std::optional<FilterCircuit> circuit = filterCircuitFor(config);
    if (!circuit)
        return std::nullopt;
    ComponentInputs in = componentInputs(s, config, s.SchemaC1Unit, s.SchemaC4Unit);
    // Without a charge pump only the time constants count; a capacitor the user has not given
    // yet is replaced by a plain value.
    if (!(in.C1 > 0) || !std::isfinite(in.C1))
        in.C1 = 1.0e-8f;
    if (!(in.C4 > 0) || !std::isfinite(in.C4))
        in.C4 = 1.0e-8f;
    if (config.filter != LoopFilter::ActiveLL)
        in.Ka = 1.0f;
    const std::vector<ComponentValue> values = CalcComponentValues(in);
    const std::optional<FilterStateSpace> driven = filterStateSpace(*circuit, in, values, true);
    if (!driven)
        return std::nullopt;
    std::optional<ModalSystem> drivenModes = ModalSystem::fromStateSpace(*driven);
    if (!drivenModes)
        return std::nullopt;
    CircuitFilter f;
    f.mDriven = *drivenModes;
    f.mDrive = drive;
    f.mDriven.cacheStep(stepDuration);
    if (drive == FilterDrive::Pfd) {
        const std::optional<FilterStateSpace> open = filterStateSpace(*circuit, in, values, false);
        if (!open)
            return std::nullopt;
        f.mOpen = ModalSystem::fromStateSpace(*open);
        if (!f.mOpen)
            return std::nullopt;
        f.mOpen->cacheStep(stepDuration);
        f.mPulse = PulseSeries::make(*driven, *open, f.mDriven, *f.mOpen, stepDuration);
    } else if (drive == FilterDrive::ChargePump) {
        f.mPulse = PulseSeries::make(*driven, *driven, f.mDriven, f.mDriven, stepDuration);
    }
    f.mSign = circuit->inverting ? -1.0 : 1.0;
    f.mStep = stepDuration;
    f.mMeanScale = f.mSign / static_cast<double>(stepDuration);
    f.mRefPeriod = refPeriod;
    f.mUMid = s.UMid;
    if (drive == FilterDrive::ChargePump) {
        const double pump = static_cast<float>(s.ConfigKp * 2.0 * std::numbers::pi);
        f.mUp = pump;
        f.mDown = -pump;
    } else {
        f.mUp = static_cast<double>(s.ConfigPDSatP) - s.UMid;
        f.mDown = static_cast<double>(s.ConfigPDSatN) - s.UMid;
    }
    if (config.filter == LoopFilter::PassiveLL) {
        f.mLow = s.ConfigUSupN;
        f.mHigh = s.ConfigUSupP;
    } else {
        f.mLow = s.ConfigLFSatN;
        f.mHigh = s.ConfigLFSatP;
    }
    f.UfOut = s.UMid;
    return f;
}

void CircuitFilter::StepPulses(SimState& s) {
    const ModalSystem& idle = mOpen ? *mOpen : mDriven;
    const double up = static_cast<double>(s.TUp) * mRefPeriod;
    const double down = static_cast<double>(s.TDown) * mRefPeriod;
    // A pulse that fills the step (a loop far from lock): the driven network all step long.
    if (up >= mStep || (up == 0 && down >= mStep)) {
        finish(s, mDriven.advanceStep(State, up >= mStep ? mUp : mDown).yIntegral);
        return;
    }
    if ((up == 0) != (down == 0)) {
        const double t = up > 0 ? up : down;
        // One edge inside the step: the series in the pulse width, without an exponential.
        double integral = 0;
        if (mPulse && mPulse->step(State, up > 0 ? mUp : mDown, t, integral)) {
            finish(s, integral);
            return;
        }
        // A single pump pulse: one pass over the modes for the pulse and the rest of the step.
        if (!mOpen && t < mStep) {
            finish(s, mDriven.pulseStep(State, up > 0 ? mUp : mDown, t).yIntegral);
            return;
        }
    }
    double integral = 0;
    double rest = mStep;
    if (up > 0) {
        const double t = std::min(up, rest);
        integral += t == mStep ? mDriven.advanceStep(State, mUp).yIntegral
                               : mDriven.advance(State, mUp, t).yIntegral;
        rest -= t;
    }
    if (down > 0 && rest > 0) {
        const double t = std::min(down, rest);
        integral += t == mStep ? mDriven.advanceStep(State, mDown).yIntegral
                               : mDriven.advance(State, mDown, t).yIntegral;
        rest -= t;
    }
    // Pulse times come in reference periods; what remains of the step after a pulse that
    // fills it is rounding.
    if (rest > 1e-9 * mStep)
        integral += idle.advanceRest(State, mStep - rest).yIntegral;
    finish(s, integral);
}

} // namespace loopcraft
