// Axis ranges and texts of the phase-noise picture.
#include "core/noise/NoisePlotAxes.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace loopcraft {

double NoisePlotAxes::xOf(double f) const {
    return (std::log10(f) - std::log10(fMin)) / (std::log10(fMax) - std::log10(fMin));
}

double NoisePlotAxes::yOf(double dbc) const {
    return (dbTop - dbc) / (dbTop - dbBottom);
}

namespace {

NoisePlotAxes axesFor(double firstOffset, double lastOffset, double hi, double lo) {
    NoisePlotAxes a;
    if (firstOffset > 0 && lastOffset > firstOffset && std::isfinite(lastOffset)) {
        a.fMin = std::pow(10.0, std::floor(std::log10(firstOffset) + 1e-9));
        a.fMax = std::pow(10.0, std::ceil(std::log10(lastOffset) - 1e-9));
    }
    const int decadeCount =
        std::clamp(static_cast<int>(std::lround(std::log10(a.fMax) - std::log10(a.fMin))), 1, 40);
    a.fMax = a.fMin * std::pow(10.0, decadeCount);
    for (int i = 0; i <= decadeCount; ++i)
        a.decades.push_back(a.fMin * std::pow(10.0, i));
    if (!(hi >= lo) || !std::isfinite(hi) || !std::isfinite(lo)) {
        hi = -40;
        lo = -180;
    }
    a.dbTop = std::ceil((hi + 5.0) / 10.0) * 10.0;
    const double span = std::clamp(std::ceil((a.dbTop - lo + 5.0) / 20.0) * 20.0, 40.0, 160.0);
    a.dbStep = span > 80 ? 20.0 : 10.0;
    a.dbBottom = a.dbTop - span;
    for (double v = a.dbTop; v >= a.dbBottom - 1e-9; v -= a.dbStep)
        a.dbTicks.push_back(v);
    return a;
}

} // namespace

NoisePlotAxes makeNoisePlotAxes(const PhaseNoiseResult& r) {
    double hi = -1e300, lo = 1e300;
    const auto scan = [&](const std::vector<double>& curve, bool top) {
        for (const double v : curve) {
            if (!std::isfinite(v) || v <= kNoiseFloorDbc)
                continue;
            if (top)
                hi = std::max(hi, v);
            lo = std::min(lo, v);
        }
    };
    scan(r.total, true);
    for (const NoiseContribution& c : r.contributions)
        scan(c.dbc, false);
    if (r.offsets.empty())
        return makeNoisePlotAxes();
    return axesFor(r.offsets.front(), r.offsets.back(), hi, lo);
}

NoisePlotAxes makeNoisePlotAxes() {
    return axesFor(10, 1e5, -40, -180);
}

std::string engineeringText(double value, const std::string& unit) {
    static const char* const prefixes[] = {"f", "p", "n", "u", "m", "", "k", "M", "G", "T"};
    if (!std::isfinite(value))
        return "-";
    if (value == 0)
        return "0 " + unit;
    int exp3 = static_cast<int>(std::floor(std::log10(std::fabs(value)) / 3.0));
    exp3 = std::clamp(exp3, -5, 4);
    double mantissa = value / std::pow(10.0, 3 * exp3);
    // 999.6 rounds to 1000 at three digits: move to the next prefix.
    if (std::fabs(mantissa) >= 999.5 && exp3 < 4) {
        ++exp3;
        mantissa /= 1000.0;
    }
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "%.3g %s%s", mantissa, prefixes[exp3 + 5], unit.c_str());
    return buffer;
}

std::string decadeLabel(double f) {
    const std::string text = engineeringText(f, "");
    std::string compact;
    for (const char c : text)
        if (c != ' ')
            compact += c;
    return compact;
}

std::vector<std::string> noiseFigureLines(const IntegratedNoise& r) {
    char phase[96];
    std::snprintf(phase, sizeof phase, "RMS phase error: %.3g deg (%s)", r.rmsPhaseDeg,
                  engineeringText(r.rmsPhaseRad, "rad").c_str());
    return {"Output frequency: " + engineeringText(r.carrier, "Hz"),
            "Integration band: " + engineeringText(r.from, "Hz") + " to " +
                engineeringText(r.to, "Hz"),
            phase, "Jitter: " + engineeringText(r.jitterSeconds, "s")};
}

std::string contributionLabel(const NoiseContribution& c) {
    switch (c.source) {
    case NoiseSource::Reference:
        return "reference";
    case NoiseSource::Detector:
        return "detector";
    case NoiseSource::Divider:
        return "divider";
    case NoiseSource::Resistors:
        return "resistors";
    case NoiseSource::Resistor:
        return c.name;
    case NoiseSource::OpAmp:
        return "op-amps";
    case NoiseSource::Oscillator:
        return "oscillator";
    }
    return c.name;
}

} // namespace loopcraft
