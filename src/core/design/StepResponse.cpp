#include "core/design/StepResponse.h"

#include "core/design/LoopModel.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace loopcraft {

std::vector<double> ClosedLoopStepMeans(const FilterDesignState& state, const Configuration& config,
                                        double period, std::size_t count, double delay) {
    std::vector<double> means;
    const auto f3db = Find3dBFrequency(state, config);
    const double runTime = static_cast<double>(count) * period + std::max(0.0, delay);
    if (!f3db || !(*f3db > 0) || !(period > 0) || !std::isfinite(runTime))
        return means;
    const double alias = 4 * runTime;
    const double dOmega = 2 * std::numbers::pi / alias;
    const double omegaMax = 2 * std::numbers::pi * 200.0 * static_cast<double>(*f3db);
    // Bounded: a loop far slower than its run would need more points than it is worth.
    const auto points = static_cast<std::size_t>(std::min(omegaMax / dOmega, 2.0e5));

    // Re H(jω)/ω² with the trapezoid's weights; the point at ω = 0 is handled apart.
    std::vector<double> omega(points);
    std::vector<double> weight(points);
    for (std::size_t j = 0; j < points; ++j) {
        omega[j] = static_cast<double>(j + 1) * dOmega;
        const LoopResponse r =
            EvaluateLoop(state, config, static_cast<float>(omega[j] / (2 * std::numbers::pi)));
        const double re = r.closedLoop.re;
        if (!std::isfinite(re))
            return means;
        weight[j] = re / (omega[j] * omega[j]) * (j + 1 == points ? 0.5 : 1.0);
    }
    // H(0) = 1: the loop follows a frequency step in the end.
    const auto areaBetween = [&](double a, double b) {
        double sum = 0.5 * (b * b - a * a) / 2;
        for (std::size_t j = 0; j < points; ++j)
            sum += weight[j] * (std::cos(omega[j] * a) - std::cos(omega[j] * b));
        return 2 / std::numbers::pi * dOmega * sum;
    };
    means.reserve(count);
    for (std::size_t k = 0; k < count; ++k) {
        const double a = std::max(0.0, static_cast<double>(k) * period - delay);
        const double b = std::max(0.0, static_cast<double>(k + 1) * period - delay);
        means.push_back(b > a ? areaBetween(a, b) / period : 0.0);
    }
    return means;
}

} // namespace loopcraft
