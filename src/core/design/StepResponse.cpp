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

namespace loopcraft {
namespace {

using Poly = std::vector<double>; // ascending powers

Poly multiply(const Poly& a, const Poly& b) {
    Poly r(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j)
            r[i + j] += a[i] * b[j];
    return r;
}

constexpr int kAug = 9; // the largest realisation plus the input
using Mat = std::array<std::array<double, kAug>, kAug>;

Mat product(const Mat& a, const Mat& b, int n) {
    Mat r{};
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            const double aik = a[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)];
            if (aik == 0)
                continue;
            for (int j = 0; j < n; ++j)
                r[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] +=
                    aik * b[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
        }
    return r;
}

// e^M by scaling and squaring with a Taylor series: M's norm is first halved below 1/2, where
// 18 terms reach double precision.
Mat exponential(Mat m, int n) {
    double norm = 0;
    for (int i = 0; i < n; ++i) {
        double row = 0;
        for (int j = 0; j < n; ++j)
            row += std::abs(m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)]);
        norm = std::max(norm, row);
    }
    int squarings = 0;
    while (norm > 0.5 && squarings < 200) {
        norm *= 0.5;
        ++squarings;
    }
    const double scale = std::ldexp(1.0, -squarings);
    for (auto& row : m)
        for (double& v : row)
            v *= scale;
    Mat result{};
    Mat term{};
    for (int i = 0; i < n; ++i) {
        result[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] = 1;
        term[static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] = 1;
    }
    for (int k = 1; k <= 18; ++k) {
        term = product(term, m, n);
        for (auto& row : term)
            for (double& v : row)
                v /= k;
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                result[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] +=
                    term[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    }
    for (int s = 0; s < squarings; ++s)
        result = product(result, result, n);
    return result;
}

} // namespace

std::optional<ClosedLoopStepModel> ClosedLoopStepModel::make(const FilterDesignState& state,
                                                             const Configuration& config) {
    const OpenLoopFactors f = OpenLoopFactorsOf(state, config);
    const auto usable = [](double v) { return std::isfinite(v) && v >= 0; };
    if (!(f.gain > 0) || !std::isfinite(f.gain) || !usable(f.zeroTau))
        return std::nullopt;
    const double omegaC = f.integrators == 2 ? std::sqrt(f.gain) : f.gain;
    // In normalised time σ = s/ωc the gain becomes 1 and every τ becomes τ·ωc.
    Poly poles{1.0};
    for (double tau : f.poleTaus) {
        if (!usable(tau))
            return std::nullopt;
        poles = multiply(poles, {1.0, tau * omegaC});
    }
    if (f.quadratic) {
        if (!(f.omegaS > 0) || !usable(f.zeta2))
            return std::nullopt;
        const double r = omegaC / f.omegaS;
        poles = multiply(poles, {1.0, 2 * f.zeta2 * r, r * r});
    }
    Poly den(static_cast<std::size_t>(f.integrators), 0.0); // σ^m ...
    den.insert(den.end(), poles.begin(), poles.end());      // ... · poles
    const Poly num{1.0, f.zeroTau * omegaC};
    den[0] += num[0];
    den[1] += num[1];
    // Leading zeros (a pole with τ = 0) lower the order.
    while (den.size() > 1 && den.back() == 0)
        den.pop_back();
    const int n = static_cast<int>(den.size()) - 1;
    if (n < 1 || n > kMax || (n == 1 && num[1] != 0))
        return std::nullopt;
    ClosedLoopStepModel m;
    m.mN = n;
    m.mOmegaC = omegaC;
    const double lead = den.back();
    for (int i = 0; i < n; ++i) {
        m.mDen[static_cast<std::size_t>(i)] = den[static_cast<std::size_t>(i)] / lead;
        m.mNum[static_cast<std::size_t>(i)] = i < 2 ? num[static_cast<std::size_t>(i)] / lead : 0.0;
        if (!std::isfinite(m.mDen[static_cast<std::size_t>(i)]) ||
            !std::isfinite(m.mNum[static_cast<std::size_t>(i)]))
            return std::nullopt;
    }
    return m;
}

bool ClosedLoopStepModel::sample(
    double dt, std::size_t count,
    const std::function<void(std::size_t, double, double)>& sample) const {
    if (!(dt > 0) || !std::isfinite(dt) || mN < 1)
        return false;
    const int n = mN;
    const auto un = static_cast<std::size_t>(n);
    // Controllable form: x' = A x + B u with A the companion of the denominator, B = e(n−1);
    // y = C x, C = numerator. The input (1 after the step) is the augmented last state, so
    // e^(M h) holds both the transition and the input's effect over h.
    Mat aug{};
    for (std::size_t i = 0; i + 1 < un; ++i)
        aug[i][i + 1] = 1;
    for (std::size_t j = 0; j < un; ++j)
        aug[un - 1][j] = -mDen[j];
    aug[un - 1][un] = 1;
    const double h = dt * mOmegaC;
    Mat scaled = aug;
    for (auto& row : scaled)
        for (double& v : row)
            v *= h;
    const Mat phi = exponential(scaled, n + 1);
    // dy/dσ = C·(A x + B u); C·A and C·B once.
    std::array<double, kAug> ca{};
    for (std::size_t j = 0; j <= un; ++j)
        for (std::size_t k = 0; k < un; ++k)
            ca[j] += mNum[k] * aug[k][j];
    std::array<double, kAug> x{};
    x[un] = 1; // the input
    std::array<double, kAug> next{};
    for (std::size_t k = 0; k <= count; ++k) {
        double y = 0;
        double dy = 0;
        for (std::size_t j = 0; j < un; ++j)
            y += mNum[j] * x[j];
        for (std::size_t j = 0; j <= un; ++j)
            dy += ca[j] * x[j];
        if (!std::isfinite(y) || std::abs(y) > 1e6)
            return false;
        sample(k, y, dy * mOmegaC);
        for (std::size_t i = 0; i < un; ++i) {
            double sum = 0;
            for (std::size_t j = 0; j <= un; ++j)
                sum += phi[i][j] * x[j];
            next[i] = sum;
        }
        for (std::size_t i = 0; i < un; ++i)
            x[i] = next[i];
    }
    return true;
}

} // namespace loopcraft
