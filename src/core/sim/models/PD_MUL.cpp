// Multiplier detector: the sine cache's empty state and the sub-step average for an oscillator
// far faster than the step.
#include "core/sim/models/PD_MUL.h"

#include <algorithm>
#include <cmath>

namespace loopcraft {

namespace {
double highMeasure(double theta) {
    const double cycles = std::floor(theta / detail::kTwoPi);
    return cycles * detail::kPi + std::min(theta - cycles * detail::kTwoPi, detail::kPi);
}
} // namespace

PD_MUL::SineCache PD_MUL::emptySineCache() {
    // Every entry holds a true pair from the start, so no entry needs a validity flag.
    SineCache cache;
    cache.fill({std::bit_cast<std::uint32_t>(0.0f), sinOfPeriods(0.0f)});
    return cache;
}

void PD_MUL::integrateFastPiece(const Levels& lv, float ta, float tb, double thetaA, float sample) {
    // The oscillator changes sign many times per sub-step: weight the two signs by the share of
    // each sub-step in which the oscillator is high.
    constexpr float kSubStep = 0.05f;
    constexpr int kMaxSubSteps = 64;
    float s0 = ta;
    float sin0 = cachedSin(ta);
    double th0 = thetaA;
    auto piece = [&](float s1) {
        const double th1 = static_cast<double>((s1 - ta) * PhaseSlope) + thetaA;
        const double span = th1 - th0;
        const float high =
            span > 0 ? static_cast<float>((highMeasure(th1) - highMeasure(th0)) / span) : 0.5f;
        const float sin1 = cachedSin(s1);
        const float v = high * lv.value(sin0 + sin1, 1.0f, sample) +
                        (1.0f - high) * lv.value(sin0 + sin1, -1.0f, sample);
        Accum += v * (s1 - s0) * mInvDeltaT;
        s0 = s1;
        sin0 = sin1;
        th0 = th1;
    };
    int guard = 0;
    for (float t = ta + kSubStep; t < tb && guard < kMaxSubSteps; t += kSubStep, ++guard)
        piece(t);
    piece(tb);
}

} // namespace loopcraft
