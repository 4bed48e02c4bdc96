// The loop model's answer to a step in the time domain: the closed loop's step response,
// normalised to run from 0 to 1, as means over consecutive periods. In a mixed-signal loop the
// control voltage answers a step of the reference frequency this way (it moves the oscillator by
// N·Δω·H), so the simulation's per-period means of Uf can be laid over it.
#pragma once

#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"

#include <cstddef>
#include <vector>

namespace loopcraft {

// Means of the step response of H over [k·period − delay, (k+1)·period − delay), k =
// 0..count−1 (the response is 0 before the step). From H's real part on a uniform frequency
// grid, s(t) = (2/π)∫ Re H(jω)·sin(ωt)/ω dω, integrated per period in closed form; the grid's
// spacing puts its time-domain alias four run lengths away and it reaches 200 times the loop's
// 3-dB frequency. Empty when the loop has no 3-dB frequency or yields non-finite values.
std::vector<double> ClosedLoopStepMeans(const FilterDesignState& state, const Configuration& config,
                                        double period, std::size_t count, double delay);

} // namespace loopcraft
