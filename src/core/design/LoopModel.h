// The loop transfer model: open- and closed-loop gain of the configured PLL at any frequency,
// the two threshold searches built on it, and the natural frequency and damping the design
// window shows. Closed-form expressions per configuration, evaluated in 32-bit float; the phase
// is the sum of the analytic phase terms, so it is continuous and may run below −π.
//
// Everything here is pure: the functions read the state and the configuration and keep nothing.
#pragma once

#include "core/base/Message.h"
#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopResponse.h"

#include <optional>
#include <vector>

namespace loopcraft {

// What a search reports when the loop never crosses its threshold (or yields non-finite
// values) within the float range. The operation that needed the figure stops.
inline constexpr const char* kNoCrossingTitle = "Warning";
inline constexpr const char* kNoCrossingMessage = "no crossing found";

// G, H, their squared magnitudes and phases at `f` Hz (f > 0).
LoopResponse EvaluateLoop(const FilterDesignState& state, const Configuration& config, float f);

// Frequency, Hz, at which |G|² falls through 1 (within a factor 10^0.001 below the crossing,
// at a point where |G|² ≥ 1). Nothing when the search finds no crossing.
std::optional<float> FindGainCrossover(const FilterDesignState& state, const Configuration& config);

// Frequency, Hz, at which |H|² falls through 1/2, found the same way.
std::optional<float> Find3dBFrequency(const FilterDesignState& state, const Configuration& config);

// ωn, rad/s; 0 for order 1 and for the all-digital category.
float ComputeNaturalFrequency(const FilterDesignState& state, const Configuration& config);

// ζ from `state.omegaN`, which the caller sets from ComputeNaturalFrequency first.
float ComputeDampingFactor(const FilterDesignState& state, const Configuration& config);

// The loop filter's own transfer function at `f` Hz as the loop model sees it: V/V from the
// detector's voltage to the control voltage, or V/A from the pump's current (orders 2..5 of the
// mixed-signal loop). It is G with unit detector, pump and oscillator gains and no divider, times
// jω (the oscillator's integration taken out), so it is exactly the filter the Bode plot and the
// design work with. Nothing for order 1 and the all-digital loop, which have no filter.
std::optional<Complex> FilterResponse(const FilterDesignState& state, const Configuration& config,
                                      float f);

// The open loop as the factors EvaluateLoop multiplies, for the time domain:
//     G(s) = gain·(1 + s·zeroTau) / (s^integrators · Π(1 + s·poleTaus[i]) · Q(s)),
// Q(s) = 1 + 2·zeta2·s/ωs + (s/ωs)² when `quadratic` (ωs = 2π·fs), else 1. zeroTau is 0 for
// order 1 and the all-digital loop, whose G is gain/s.
struct OpenLoopFactors {
    double gain = 0;
    int integrators = 1;
    double zeroTau = 0;
    std::vector<double> poleTaus;
    bool quadratic = false;
    double omegaS = 0;
    double zeta2 = 0;
};
OpenLoopFactors OpenLoopFactorsOf(const FilterDesignState& state, const Configuration& config);

// (openLoopPhase at fc + π) in degrees, for the gain crossover fc.
float PhaseMarginDeg(const FilterDesignState& state, const Configuration& config, float fc);

// The first value of `r`, evaluated at `f` Hz, that is not finite, as the message that names it;
// nothing when every value is finite.
std::optional<Message> NonFiniteLoopResponse(const LoopResponse& r, float f);

// The same operations bound to one state and configuration, for callers that evaluate the same
// loop many times (Bode grid, searches).
class LoopModel {
public:
    LoopModel(const FilterDesignState& state, const Configuration& config)
        : mState(state), mConfig(config) {}

    LoopResponse EvaluateLoop(float f) const { return loopcraft::EvaluateLoop(mState, mConfig, f); }
    std::optional<float> FindGainCrossover() const {
        return loopcraft::FindGainCrossover(mState, mConfig);
    }
    std::optional<float> Find3dBFrequency() const {
        return loopcraft::Find3dBFrequency(mState, mConfig);
    }
    float ComputeNaturalFrequency() const {
        return loopcraft::ComputeNaturalFrequency(mState, mConfig);
    }
    float ComputeDampingFactor() const { return loopcraft::ComputeDampingFactor(mState, mConfig); }

private:
    const FilterDesignState& mState;
    const Configuration& mConfig;
};

} // namespace loopcraft
