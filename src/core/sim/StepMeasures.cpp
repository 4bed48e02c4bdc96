#include "core/sim/StepMeasures.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace loopcraft {

std::vector<double> PeriodMeansOfSteps(const std::vector<double>& steps, int stepsPerPeriod) {
    std::vector<double> means;
    if (stepsPerPeriod < 1)
        return means;
    const auto per = static_cast<std::size_t>(stepsPerPeriod);
    means.reserve(steps.size() / per);
    for (std::size_t first = 0; first + per <= steps.size(); first += per) {
        double sum = 0;
        for (std::size_t i = first; i < first + per; ++i)
            sum += steps[i];
        means.push_back(sum / static_cast<double>(per));
    }
    return means;
}

std::vector<double> PeriodMeansOfPoints(const std::vector<double>& t, const std::vector<double>& v,
                                        double period, std::size_t count) {
    std::vector<double> means;
    const std::size_t n = std::min(t.size(), v.size());
    if (n < 2 || !(period > 0))
        return means;
    // The area under the straight pieces from t[0] to `x` (t[0] ≤ x ≤ t[n−1]), walked forward.
    std::size_t i = 0;
    double areaBefore = 0; // up to t[i]
    const auto area = [&](double x) {
        while (i + 1 < n && t[i + 1] <= x) {
            areaBefore += 0.5 * (v[i] + v[i + 1]) * (t[i + 1] - t[i]);
            ++i;
        }
        if (i + 1 >= n || x <= t[i])
            return areaBefore;
        const double frac = (x - t[i]) / (t[i + 1] - t[i]);
        const double vx = v[i] + frac * (v[i + 1] - v[i]);
        return areaBefore + 0.5 * (v[i] + vx) * (x - t[i]);
    };
    double from = area(t[0]);
    for (std::size_t k = 0; k < count; ++k) {
        const double end = static_cast<double>(k + 1) * period;
        if (end > t[n - 1] * (1 + 1e-12))
            break;
        const double to = area(end);
        means.push_back((to - from) / period);
        from = to;
    }
    return means;
}

StepFigures MeasureStep(const std::vector<double>& means, double period, double start,
                        double final) {
    StepFigures f;
    const double swing = final - start;
    if (means.empty() || swing == 0)
        return f;
    double peak = 1;
    std::size_t lastOutside = 0; // one past the last period outside the band
    for (std::size_t k = 0; k < means.size(); ++k) {
        const double y = (means[k] - start) / swing;
        if (y > peak) {
            peak = y;
            f.peakTime = static_cast<double>(k + 1) * period;
        }
        if (!(std::abs(y - 1) <= 0.02))
            lastOutside = k + 1;
    }
    f.overshootPct = (peak - 1) * 100;
    f.settlingTime = lastOutside == means.size() ? std::numeric_limits<double>::infinity()
                                                 : static_cast<double>(lastOutside) * period;
    return f;
}

SettlingFigures MeasureSettling(const std::vector<double>& v, double t0, double dt, double start,
                                double target, double tolerance) {
    constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
    SettlingFigures f;
    f.tolerance = tolerance;
    f.lockTime = kNaN;
    f.peakTime = kNaN;
    if (v.empty())
        return f;
    const double swing = target - start;
    const auto timeOf = [&](double k) { return t0 + k * dt; };
    f.finalValue = v.back();
    f.runTime = timeOf(static_cast<double>(v.size() - 1));
    const auto distance = [&](std::size_t k) { return std::abs(v[k] - target); };
    const auto outside = [&](std::size_t k) { return !(distance(k) <= tolerance); };

    std::size_t last = v.size(); // the last sample outside, v.size() when none
    for (std::size_t k = v.size(); k-- > 0;)
        if (outside(k)) {
            last = k;
            break;
        }
    if (last == v.size()) {
        f.settled = true;
        f.lockTime = t0;
    } else if (last + 1 < v.size()) {
        f.settled = true;
        const double a = distance(last);
        const double b = distance(last + 1);
        const double frac = a > b && std::isfinite(a) ? (a - tolerance) / (a - b) : 0.0;
        f.lockTime = timeOf(static_cast<double>(last) + std::clamp(frac, 0.0, 1.0));
    }

    if (swing != 0) {
        double peak = 1;
        bool firstFound = false;
        for (std::size_t k = 0; k < v.size(); ++k) {
            const double y = (v[k] - start) / swing;
            if (y > peak)
                peak = y;
            // The first peak: the first sample beyond the target that the next does not top.
            if (!firstFound && y > 1 && (k + 1 == v.size() || (v[k + 1] - start) / swing <= y)) {
                firstFound = true;
                f.peakTime = timeOf(static_cast<double>(k));
            }
        }
        f.overshootPct = (peak - 1) * 100;
    }
    return f;
}

double LargestDifference(const std::vector<double>& a, const std::vector<double>& b, double swing) {
    double largest = 0;
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t k = 0; k < n; ++k)
        largest = std::max(largest, std::abs(a[k] - b[k]));
    return largest / std::abs(swing);
}

double LargestDifferenceOutside(const std::vector<double>& x, const std::vector<double>& a,
                                const std::vector<double>& b, double swing) {
    double largest = 0;
    const std::size_t n = std::min({x.size(), a.size(), b.size()});
    for (std::size_t k = 0; k < n; ++k) {
        const double lo = std::min(a[k], b[k]);
        const double hi = std::max(a[k], b[k]);
        largest = std::max({largest, lo - x[k], x[k] - hi});
    }
    return largest / std::abs(swing);
}

double RelativeDifference(double x, double reference, double floor) {
    if (std::isinf(x) && std::isinf(reference))
        return 0;
    const double a = std::max(x, floor);
    const double b = std::max(reference, floor);
    return std::abs(a - b) / b;
}

} // namespace loopcraft
