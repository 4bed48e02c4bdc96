// The loop model's step response from its frequency response, against the closed form of a
// second-order loop (active PI: H = (2ζωn·s + ωn²)/(s² + 2ζωn·s + ωn²)), delayed and not.
#include "core/design/StepResponse.h"

#include <cmath>
#include <gtest/gtest.h>

namespace loopcraft {
namespace {

TEST(StepResponse, MatchesTheSecondOrderClosedForm) {
    FilterDesignState state;
    state.tau1 = 500e-6F;
    state.tau2 = 50e-6F;
    state.Kd = 0.6366F;
    state.K0 = 130000.0F;
    const Configuration config{
        .order = 2, .detector = Detector::Exor, .filter = LoopFilter::ActivePI};
    const double wn = std::sqrt(static_cast<double>(state.Kd) * state.K0 / state.tau1);
    const double sigma = 0.5 * wn * wn * state.tau2; // ζωn
    const double wd = std::sqrt(wn * wn - sigma * sigma);
    const auto exact = [&](double t) {
        if (t <= 0)
            return 0.0;
        const double e = std::exp(-sigma * t);
        return 1 - e * (std::cos(wd * t) + sigma / wd * std::sin(wd * t)) +
               2 * sigma / wd * e * std::sin(wd * t);
    };
    const double period = 1e-5;
    for (const double delay : {0.0, 2.5e-6}) {
        const auto means = ClosedLoopStepMeans(state, config, period, 100, delay);
        ASSERT_EQ(means.size(), 100U);
        for (std::size_t k = 0; k < means.size(); ++k) {
            double sum = 0; // midpoint rule, 200 points a period
            for (int i = 0; i < 200; ++i)
                sum += exact((static_cast<double>(k) + (i + 0.5) / 200) * period - delay);
            EXPECT_NEAR(means[k], sum / 200, 2e-3) << "period " << k << ", delay " << delay;
        }
    }
}

} // namespace
} // namespace loopcraft
