// Shared set-up for the model tests: a SimState with the default parameters, an ideal square-wave
// reference and helpers that drive a detector with a constant-frequency oscillator phase.
#pragma once

#include "core/sim/SimState.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <vector>

namespace loopcraft::testing {

inline constexpr double kPi = std::numbers::pi;
inline constexpr double kTwoPi = 2.0 * std::numbers::pi;

// Defaults: 4.5 / 0.5 V detector levels, 5 V supply (UMid 2.5 V), fRef = f0 = 100 kHz.
inline void prepareState(SimState& s, int nSamp, int periods) {
    s.SimulnSamp = nSamp;
    s.SimulfRef = s.Simulf0;
    s.UMid = (s.ConfigUSupP + s.ConfigUSupN) * 0.5f;
    RefPeriodRecord ideal;
    ideal.EdgeCount = 2;
    ideal.EdgeTime = {0.0f, 0.5f, -1.0f, -1.0f};
    ideal.QuarterSample = {0.0f, 1.0f, 0.0f, -1.0f};
    s.RefPeriodRecords.assign(static_cast<std::size_t>(periods), ideal);
}

// Sets the phases of step k (from 1) for an oscillator at `ratio` times the reference frequency
// whose phase at t = 0 is theta0.
inline void setStepPhase(SimState& s, std::uint32_t k, double theta0, double ratio = 1.0) {
    const double perStep = kTwoPi * ratio / s.SimulnSamp;
    s.StepIndex = k;
    s.Theta2Start = theta0 + perStep * (k - 1);
    s.Theta2End = theta0 + perStep * k;
}

// The model in `slot`, created on first use and initialised.
template <class Model> Model& initModel(SimState& s, std::unique_ptr<Model>& slot) {
    Model& m = s.ensureModel(slot);
    m.Init();
    return m;
}

// Sets every reference period's quarter samples (the multiplier's input).
inline void setQuarterSamples(SimState& s, std::array<float, 4> q) {
    for (auto& rec : s.RefPeriodRecords)
        rec.QuarterSample = q;
}

// Runs `steps` steps of a detector with a free-running oscillator; returns every step's Ud.
template <class Detector>
std::vector<float> runOpenLoop(SimState& s, Detector& d, std::uint32_t steps, double theta0,
                               double ratio = 1.0) {
    std::vector<float> ud;
    for (std::uint32_t k = 1; k <= steps; ++k) {
        setStepPhase(s, k, theta0, ratio);
        d.Step();
        ud.push_back(s.Ud);
    }
    return ud;
}

inline float meanOf(const std::vector<float>& v, std::size_t from, std::size_t count) {
    const auto first = v.begin() + static_cast<std::ptrdiff_t>(from);
    return static_cast<float>(
        std::accumulate(first, first + static_cast<std::ptrdiff_t>(count), 0.0) /
        static_cast<double>(count));
}

} // namespace loopcraft::testing
