#include "core/sim/ModelResponse.h"

#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopModel.h"
#include "core/design/StepResponse.h"
#include "core/sim/SimulationEntries.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace loopcraft {
namespace {

constexpr double kTwoPi = 6.283185307179586;
// The model's figures need no finer grid than this many samples over the run.
constexpr std::size_t kMaxFigureSamples = 1u << 20;
constexpr std::size_t kMinFigureSamples = 1u << 14;

enum class Kind { Frequency, Phase, Divider };

Kind kindOf(const SimState& s) {
    if (s.rbSimulphistep != 0)
        return Kind::Phase;
    const Stimulus asked = s.rbSimulNstep != 0 ? Stimulus::NStep : Stimulus::FStep;
    return RunnableStimulus(asked, Configuration::fromFlags(s)) == Stimulus::NStep
               ? Kind::Divider
               : Kind::Frequency;
}

// The oscillator's divider as the loop model sees it (1 without the scaler and for the ADPLL).
double dividerOf(const SimState& s) {
    const Configuration c = Configuration::fromFlags(s);
    return !c.isAdpll() && c.oscillator == Oscillator::VCOScaler ? static_cast<double>(s.ConfigN)
                                                                 : 1.0;
}

// The step of the tracked quantity: Hz of the oscillator's frequency, or degrees.
double stepOf(const SimState& s) {
    switch (kindOf(s)) {
    case Kind::Phase:
        return s.Simuldphi;
    case Kind::Divider:
        return static_cast<double>(s.SimuldN) * s.Simulf0;
    case Kind::Frequency:
        break;
    }
    return dividerOf(s) * s.Simuldf;
}

// Seconds between the run's steps: 1/(nSamp·fRef) mixed-signal, one period for the ADPLL.
double stepSeconds(const SimState& s, bool adpll) {
    return 1.0 / ((adpll ? 1.0 : static_cast<double>(s.SimulnSamp)) * s.SimulfRef);
}

// Periods over which the ADPLL's edge-to-edge frequency is averaged: the loop's time constant
// 1/K, and enough periods that the DCO's frequency step (the typical jump between periods in
// the run's second half), spread over the window, stays within a quarter of the band; at most a
// quarter of the run. 1 for a
// mixed-signal loop, whose oscillator is continuous.
std::size_t adpllWindow(const SimState& s, const std::vector<double>& v, double tolerance) {
    const Configuration c = Configuration::fromFlags(s);
    if (!c.isAdpll() || v.size() < 8)
        return 1;
    const double k = OpenLoopFactorsOf(FilterDesignState::fromParameters(s, c), c).gain;
    double window = k > 0 && std::isfinite(k) ? std::ceil(s.SimulfRef / k) : 1.0;
    std::vector<double> jumps;
    for (std::size_t i = v.size() / 2; i + 1 < v.size(); ++i)
        if (const double jump = std::abs(v[i + 1] - v[i]); jump > 0)
            jumps.push_back(jump);
    if (!jumps.empty() && tolerance > 0) {
        std::nth_element(jumps.begin(), jumps.begin() + jumps.size() / 2, jumps.end());
        window = std::max(window, std::ceil(4 * jumps[jumps.size() / 2] / tolerance));
    }
    return static_cast<std::size_t>(
        std::clamp(window, 1.0, std::max(1.0, static_cast<double>(v.size() / 4))));
}

} // namespace

double LockTolerance(const SimState& s, double setting) {
    return setting > 0 ? setting : 0.01 * std::abs(stepOf(s));
}

std::optional<LockFigures> RunLockFigures(const SimState& s, double tolerance) {
    if (s.PeriodDeviation.empty() || !(s.SimulfRef > 0))
        return std::nullopt;
    LockFigures lock;
    lock.phase = kindOf(s) == Kind::Phase;
    lock.overNoise = s.cbSimulAddNoise;
    lock.step = stepOf(s);
    const double period = 1.0 / s.SimulfRef;
    if (!lock.phase) {
        std::vector<double> v(s.PeriodDeviation.begin(), s.PeriodDeviation.end());
        // The ADPLL's DCO only takes whole steps of its counter: from one period to the next
        // its frequency jumps by thousands of Hz about its mean. Its mean over the loop's own
        // time scale (one period per ... of the loop's gain) is what settles.
        const std::size_t window = adpllWindow(s, v, tolerance);
        if (window > 1 && v.size() >= window) {
            std::vector<double> mean;
            mean.reserve(v.size() - window + 1);
            double sum = 0;
            for (std::size_t k = 0; k < v.size(); ++k) {
                sum += v[k];
                if (k >= window)
                    sum -= v[k - window];
                if (k + 1 >= window)
                    mean.push_back(sum / static_cast<double>(window));
            }
            lock.averagedPeriods = window;
            lock.figures = MeasureSettling(mean, 0.5 * static_cast<double>(window) * period, period,
                                           0.0, lock.step, tolerance);
            return lock;
        }
        // A period's mean belongs to its middle.
        lock.figures = MeasureSettling(v, 0.5 * period, period, 0.0, lock.step, tolerance);
        return lock;
    }
    std::vector<double> error;
    if (!s.PeriodPhaseError.empty()) {
        error.assign(s.PeriodPhaseError.begin(), s.PeriodPhaseError.end());
        lock.figures = MeasureSettling(error, period, period, lock.step, 0.0, tolerance);
        return lock;
    }
    // The phase error at each period's end: the step less what the divided oscillator has
    // gained on the reference since the start.
    const double divider = dividerOf(s);
    error.reserve(s.PeriodDeviation.size() + 1);
    double gained = 0;
    error.push_back(lock.step);
    for (const float dev : s.PeriodDeviation) {
        gained += 360.0 * static_cast<double>(dev) / divider * period;
        error.push_back(lock.step - gained);
    }
    lock.figures = MeasureSettling(error, 0.0, period, lock.step, 0.0, tolerance);
    return lock;
}

std::optional<ModelResponse> ModelStepResponse(const SimState& s, double tolerance, bool withCurve,
                                               std::string* why) {
    const auto fail = [why](const char* text) {
        if (why)
            *why = text;
        return std::nullopt;
    };
    const Configuration config = Configuration::fromFlags(s);
    const bool adpll = config.isAdpll();
    FilterDesignState design = FilterDesignState::fromParameters(s, config);
    const Kind kind = kindOf(s);
    if (kind == Kind::Divider) {
        const std::int64_t n = static_cast<std::int64_t>(design.N) + s.SimuldN;
        if (n < 1)
            return fail("the divider ratio after the step is not positive");
        design.N = static_cast<std::uint32_t>(n);
    }
    const std::optional<ClosedLoopStepModel> model = ClosedLoopStepModel::make(design, config);
    if (!model)
        return fail("the design has no linear model (a gain or time constant is not positive)");
    if (!(s.SimulfRef > 0) || s.SimulNumSteps == 0)
        return fail("no run to compare with");

    ModelResponse out;
    LockFigures& lock = out.lock;
    lock.phase = kind == Kind::Phase;
    lock.step = stepOf(s);
    const double divider = kind == Kind::Divider ? 1.0 : dividerOf(s);
    // The oscillator's frequency deviation (Hz) for the step response y and its slope dy.
    const auto deviation = [&](double y, double dy) {
        if (lock.phase)
            return divider * s.Simuldphi / 360.0 * dy;
        return lock.step * y;
    };

    // Figures on a grid of the run's steps (coarser for a very long run; exact either way).
    const double dt = stepSeconds(s, adpll);
    const std::size_t steps = s.SimulNumSteps;
    // At least kMinFigureSamples over the run, so that a run of few steps (the ADPLL takes one
    // a period) still places the band's crossing finely; at most kMaxFigureSamples.
    const double runTime = dt * static_cast<double>(steps);
    const std::size_t count = std::clamp<std::size_t>(steps, kMinFigureSamples, kMaxFigureSamples);
    const double figureDt = runTime / static_cast<double>(count);
    // The curve at every step, recorded as the run records: the first point at t = 0, then
    // every step, or with "Filter" the mean of each four. When the figures' grid is the run's
    // own (any run of 2^14 steps or more up to 2^20), one pass serves both.
    const bool filtered = !adpll && s.cbSimulFilter;
    const double voltsPerHz = adpll ? 1.0 : kTwoPi / static_cast<double>(s.ConfigK0);
    const double base = adpll ? 0.0 : static_cast<double>(s.UMid);
    double sum = 0;
    const auto record = [&](std::size_t k, double dev) {
        if (k == 0) {
            out.curve.push_back(static_cast<float>(base));
        } else if (!filtered) {
            out.curve.push_back(static_cast<float>(base + voltsPerHz * dev));
        } else {
            sum += base + voltsPerHz * dev;
            if (k % 4 == 0) {
                out.curve.push_back(static_cast<float>(sum * 0.25));
                sum = 0;
            }
        }
    };
    const bool shared = withCurve && count == steps;
    if (withCurve)
        out.curve.reserve(filtered ? steps / 4 + 1 : steps + 1);
    std::vector<double> tracked;
    tracked.reserve(count + 1);
    const bool ok = model->sample(figureDt, count, [&](std::size_t k, double y, double dy) {
        const double dev = deviation(y, dy);
        tracked.push_back(lock.phase ? lock.step * (1 - y) : dev);
        if (shared)
            record(k, dev);
    });
    if (!ok)
        return fail("the designed loop is unstable");
    lock.figures = lock.phase ? MeasureSettling(tracked, 0.0, figureDt, lock.step, 0.0, tolerance)
                              : MeasureSettling(tracked, 0.0, figureDt, 0.0, lock.step, tolerance);
    if (withCurve && !shared)
        model->sample(dt, steps,
                      [&](std::size_t k, double y, double dy) { record(k, deviation(y, dy)); });
    return out;
}

} // namespace loopcraft

namespace loopcraft {
namespace {

std::string threeDigits(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3g", v);
    return buf;
}

std::string seconds(double t) {
    const double a = std::abs(t);
    if (a == 0)
        return "0 s";
    if (a < 1e-3)
        return threeDigits(t * 1e6) + " us";
    if (a < 1)
        return threeDigits(t * 1e3) + " ms";
    return threeDigits(t) + " s";
}

std::string valueText(double v, bool phase) {
    char buf[32];
    // Whole Hz once they are many: "2001 Hz", not "2e+03 Hz".
    if (std::abs(v) >= 1000 && std::abs(v) < 1e15)
        std::snprintf(buf, sizeof buf, "%.0f", v);
    else
        std::snprintf(buf, sizeof buf, "%.3g", v);
    return std::string(buf) + (phase ? " deg" : " Hz");
}

std::string lockText(const LockFigures& f) {
    if (!f.figures.settled)
        return "not settled within " + seconds(f.figures.runTime);
    return seconds(f.figures.lockTime);
}

std::string peakText(const LockFigures& f) {
    return std::isnan(f.figures.peakTime) ? std::string("none") : seconds(f.figures.peakTime);
}

} // namespace

std::vector<std::string> LockFigureLines(const std::optional<LockFigures>& run,
                                         const std::optional<LockFigures>& model,
                                         const std::string& modelWhy) {
    std::vector<std::string> lines;
    const LockFigures* any = run ? &*run : model ? &*model : nullptr;
    if (!any)
        return lines;
    const bool phase = any->phase;
    const auto pair = [&](const std::string& name, auto text) {
        std::string line = name + ": run " + (run ? text(*run) : std::string("-"));
        line += " | model " + (model ? text(*model) : std::string("-"));
        lines.push_back(line);
    };
    pair(std::string("Lock time (+-") + valueText(any->figures.tolerance, phase) + ")", lockText);
    pair("Overshoot", [](const LockFigures& f) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.1f %%", f.figures.overshootPct);
        return std::string(buf);
    });
    pair("First peak", peakText);
    pair("Final", [phase](const LockFigures& f) { return valueText(f.figures.finalValue, phase); });
    if (run && run->overNoise)
        lines.push_back("Run figures taken over the noise");
    if (run && run->averagedPeriods > 1)
        lines.push_back("Run frequency averaged over " + std::to_string(run->averagedPeriods) +
                        " periods");
    if (!model && !modelWhy.empty())
        lines.push_back("Model: " + modelWhy);
    return lines;
}

} // namespace loopcraft
