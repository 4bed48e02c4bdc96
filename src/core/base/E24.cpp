// E24 rounding and the capacitor unit list.
#include "core/base/E24.h"

#include <algorithm>
#include <cmath>

namespace loopcraft {

namespace {

// A float holds decades from about 1e-45 to 1e38; no normalisation needs more steps than this.
constexpr int kMaxDecadeSteps = 100;

// 10^e times a series value, rounded once to float.
float scaledSeriesValue(int exponent, int index) {
    return static_cast<float>(std::pow(10.0, exponent) *
                              static_cast<double>(kE24Series[static_cast<std::size_t>(index)]));
}

} // namespace

double capacitorUnitFactor(int index) {
    return std::pow(10.0, -3.0 * index);
}

float capacitorFarads(float value, int index) {
    return static_cast<float>(value * capacitorUnitFactor(index));
}

std::string_view capacitorUnitName(int index) {
    if (index < 0 || index >= kCapacitorUnitCount) {
        return {};
    }
    return kCapacitorUnits[static_cast<std::size_t>(index)];
}

std::optional<int> capacitorUnitIndex(std::string_view name) {
    for (int i = 0; i < kCapacitorUnitCount; ++i) {
        if (name == kCapacitorUnits[static_cast<std::size_t>(i)]) {
            return i;
        }
    }
    return std::nullopt;
}

int e24Index(float mantissa) {
    if (!(mantissa > 1.0F)) { // also catches NaN
        return 0;
    }
    const float s = static_cast<float>(24.0 * std::log10(static_cast<double>(mantissa)));
    const float whole = std::floor(s);
    int k = static_cast<int>(whole);
    if (s - whole >= 0.5F) {
        ++k;
    }
    return std::clamp(k, 0, static_cast<int>(kE24Series.size()) - 1);
}

std::optional<float> roundToE24(float value) {
    if (!std::isfinite(value) || value <= 0.0F) {
        return std::nullopt;
    }
    float m = value;
    int e = 0;
    if (m > 10.0F) {
        for (int i = 0; m >= 10.0F && i < kMaxDecadeSteps; ++i) {
            m = static_cast<float>(m * 0.1);
            ++e;
        }
    } else {
        for (int i = 0; m < 1.0F && i < kMaxDecadeSteps; ++i) {
            m = static_cast<float>(m * 10.0);
            --e;
        }
    }
    return scaledSeriesValue(e, e24Index(m));
}

std::optional<CapacitorValue> normaliseCapacitor(float farads) {
    if (!std::isfinite(farads) || farads <= 0.0F) {
        return std::nullopt;
    }
    float v = farads;
    int unit = 0;
    // Never beyond the last unit: a sub-picofarad value stays in picofarads.
    while (v < 1.0F && unit < kLastCapacitorUnit) {
        v = static_cast<float>(v * 1000.0);
        ++unit;
    }
    int e = 0;
    for (int i = 0; v > 10.0F && i < kMaxDecadeSteps; ++i) {
        v = static_cast<float>(v * 0.1);
        ++e;
    }
    // Below 1 only in the last unit: step down through decades so the mantissa stays inside
    // the table instead of giving a negative index.
    for (int i = 0; v < 1.0F && i < kMaxDecadeSteps; ++i) {
        v = static_cast<float>(v * 10.0);
        --e;
    }
    return CapacitorValue{scaledSeriesValue(e, e24Index(v)), unit};
}

} // namespace loopcraft
