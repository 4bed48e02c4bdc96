// The loop model's answer to a step in the time domain: the closed loop's step response,
// normalised to run from 0 to 1, as means over consecutive periods. In a mixed-signal loop the
// control voltage answers a step of the reference frequency this way (it moves the oscillator by
// N·Δω·H), so the simulation's per-period means of Uf can be laid over it.
#pragma once

#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"

#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace loopcraft {

// Means of the step response of H over [k·period − delay, (k+1)·period − delay), k =
// 0..count−1 (the response is 0 before the step). From H's real part on a uniform frequency
// grid, s(t) = (2/π)∫ Re H(jω)·sin(ωt)/ω dω, integrated per period in closed form; the grid's
// spacing puts its time-domain alias four run lengths away and it reaches 200 times the loop's
// 3-dB frequency. Empty when the loop has no 3-dB frequency or yields non-finite values.
std::vector<double> ClosedLoopStepMeans(const FilterDesignState& state, const Configuration& config,
                                        double period, std::size_t count, double delay);

// The closed loop H = G/(1 + G) of the same factors as EvaluateLoop (OpenLoopFactorsOf), exact
// in time: a state-space realisation advanced by its matrix exponential, so the samples carry
// no error from their spacing. Time runs in units of 1/ωc, ωc the loop gain's own scale (g or
// √g), which keeps the coefficients near 1 for any bandwidth.
class ClosedLoopStepModel {
public:
    // Nothing when the loop's factors are not positive and finite.
    static std::optional<ClosedLoopStepModel> make(const FilterDesignState& state,
                                                   const Configuration& config);

    // Calls `sample(k, y, dy)` for k = 0..count with the step response y at k·dt (0 at k = 0,
    // heading for 1) and its derivative dy (1/s, the impulse response). False, after fewer
    // calls, when dt is not positive and finite or the response grows without bound (an
    // unstable design).
    bool sample(double dt, std::size_t count,
                const std::function<void(std::size_t, double, double)>& sample) const;

    int order() const { return mN; }

private:
    static constexpr int kMax = 8;
    int mN = 0;
    double mOmegaC = 1;
    std::array<double, kMax> mDen{}; // monic denominator a0..a(n-1), normalised time
    std::array<double, kMax> mNum{}; // numerator b0..b(n-1)
};

} // namespace loopcraft
