// Exact integrals of a piecewise power-law noise curve.
#include "core/noise/NoiseIntegral.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <numbers>

namespace loopcraft {

namespace {

std::string number(double v) {
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), r.ptr);
}

// ∫ from fa to fb of La·(f/fa)^k df with La, k from the segment (fa, da) .. (fb, db) in dB.
// With u = (k+1)·ln(fb/fa) the integral is La·fa·ln(fb/fa)·(e^u − 1)/u, which is its own limit
// La·fa·ln(fb/fa) at k = −1 (−10 dB/decade) and stays accurate near it.
double segment(double fa, double da, double fb, double db) {
    if (!(fb > fa))
        return 0;
    const double lnRatio = std::log(fb / fa);
    const double k = (db - da) / 10.0 / std::log10(fb / fa);
    const double u = (k + 1.0) * lnRatio;
    const double la = std::pow(10.0, da / 10.0);
    const double factor = std::fabs(u) < 1e-12 ? 1.0 + 0.5 * u : std::expm1(u) / u;
    return la * fa * lnRatio * factor;
}

double interpolate(double fa, double da, double fb, double db, double f) {
    return da + (db - da) * std::log10(f / fa) / std::log10(fb / fa);
}

} // namespace

double integratePhaseNoise(const std::vector<double>& offsets, const std::vector<double>& dbc,
                           double from, double to) {
    double sum = 0;
    const std::size_t n = std::min(offsets.size(), dbc.size());
    for (std::size_t i = 0; i + 1 < n; ++i) {
        const double fa = offsets[i];
        const double fb = offsets[i + 1];
        if (fb <= from || fa >= to)
            continue;
        const double a = std::max(fa, from);
        const double b = std::min(fb, to);
        sum += segment(a, interpolate(fa, dbc[i], fb, dbc[i + 1], a), b,
                       interpolate(fa, dbc[i], fb, dbc[i + 1], b));
    }
    return 2.0 * sum;
}

std::optional<std::string> checkIntegrationBand(const std::vector<double>& offsets, double from,
                                                double to) {
    if (!std::isfinite(from) || !std::isfinite(to))
        return std::string("the integration limits must be finite numbers");
    if (!(from > 0) || !(to > 0))
        return std::string("the integration limits must be positive");
    if (!(from < to))
        return "the integration limits are reversed or equal: from " + number(from) + " Hz to " +
               number(to) + " Hz";
    if (offsets.size() < 2)
        return std::string("the curve needs at least two offsets to be integrated");
    if (from < offsets.front() || to > offsets.back())
        return "the integration band " + number(from) + " Hz to " + number(to) +
               " Hz lies outside the offsets " + number(offsets.front()) + " Hz to " +
               number(offsets.back()) + " Hz";
    return std::nullopt;
}

IntegratedNoise integrateNoise(const std::vector<double>& offsets, const std::vector<double>& dbc,
                               double from, double to, double carrier) {
    IntegratedNoise r;
    r.from = from;
    r.to = to;
    r.carrier = carrier;
    r.phaseVariance = integratePhaseNoise(offsets, dbc, from, to);
    r.rmsPhaseRad = std::sqrt(r.phaseVariance);
    r.rmsPhaseDeg = r.rmsPhaseRad * 180.0 / std::numbers::pi;
    r.jitterSeconds = carrier > 0 ? r.rmsPhaseRad / (2.0 * std::numbers::pi * carrier) : 0.0;
    return r;
}

} // namespace loopcraft
