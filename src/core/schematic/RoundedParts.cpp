// The loop of the rounded parts.
#include "core/schematic/RoundedParts.h"

#include "core/base/E24.h"
#include "core/base/FixedNotation.h"
#include "core/design/LoopFigures.h"
#include "core/design/LoopModel.h"

#include <array>
#include <cmath>

namespace loopcraft {

namespace {

constexpr double kTwoPi = 6.283185307179586;

// The rounded value of every part the calculation computed.
class RoundedValues {
public:
    explicit RoundedValues(const std::vector<ComponentValue>& values) {
        for (const ComponentValue& v : values) {
            const auto i = static_cast<std::size_t>(v.component);
            mHas[i] = true;
            mValues[i] = roundToE24(v.value).value_or(0.0F);
            mComplete = mComplete && mValues[i] > 0;
        }
    }
    bool has(Component c) const { return mHas[static_cast<std::size_t>(c)]; }
    float operator[](Component c) const { return mValues[static_cast<std::size_t>(c)]; }
    // Every part has a series value.
    bool complete() const { return mComplete; }

private:
    std::array<float, 11> mValues{};
    std::array<bool, 11> mHas{};
    bool mComplete = true;
};

bool usable(float v) {
    return std::isfinite(v) && v > 0;
}

std::optional<PartsFigures> figuresOf(const LoopUnderTest& loop) {
    const auto f3db = Find3dBFrequency(loop.state, loop.config);
    const auto figures = ComputeLoopFigures(loop.state, loop.config);
    if (!f3db || !figures) {
        return std::nullopt;
    }
    return PartsFigures{*f3db, figures->phaseMarginDeg, figures->zeta};
}

std::string figureText(const std::optional<PartsFigures>& f, float PartsFigures::*member,
                       int precision, int decimals, const char* unit) {
    if (!f) {
        return kNoComponentValue;
    }
    return formatFixed((*f).*member, precision, decimals) + unit;
}

} // namespace

std::optional<LoopUnderTest> roundedPartsLoop(const LoopUnderTest& designed,
                                              const ComponentInputs& in,
                                              const std::vector<ComponentValue>& values) {
    const RoundedValues r(values);
    if (!r.complete() || !r.has(Component::R2) || !usable(in.C1)) {
        return std::nullopt;
    }
    // The parts the calculation gave are the parts of the circuit: each time constant comes
    // back from the pair that realises it.
    LoopUnderTest loop = designed;
    FilterDesignState& s = loop.state;
    const float R2 = r[Component::R2];
    if (r.has(Component::C2)) {
        s.Ka = in.C1 / r[Component::C2];
        s.tau2 = R2 * r[Component::C2];
    } else {
        s.tau2 = R2 * in.C1;
    }
    if (r.has(Component::R1)) {
        s.tau1 = r[Component::R1] * in.C1;
    }
    if (r.has(Component::C3)) {
        s.tau3 = R2 * r[Component::C3];
    }
    if (r.has(Component::R4_1)) {
        s.tau4 = r[Component::R4_1] * r[Component::C4_1];
    }
    if (r.has(Component::R5_1)) {
        s.tau5 = r[Component::R5_1] * r[Component::C5_1];
    }
    if (r.has(Component::R4)) {
        const double R4 = r[Component::R4];
        const double C4 = in.C4;
        const double product = R4 * r[Component::R5] * C4 * r[Component::C5];
        if (!(product > 0) || !std::isfinite(product)) {
            return std::nullopt;
        }
        const double omegaN = 1.0 / std::sqrt(product);
        s.fs = static_cast<float>(omegaN / kTwoPi);
        s.zeta2 = static_cast<float>(omegaN * R4 * C4);
        loop.config.poleKind = PoleKind::Complex;
    }
    for (const float v : {s.Ka, s.tau1, s.tau2, s.tau3, s.tau4, s.tau5, s.fs, s.zeta2}) {
        if (!std::isfinite(v)) {
            return std::nullopt;
        }
    }
    return loop;
}

RoundedPartsCheck CheckRoundedParts(const ParameterSet& params, const Configuration& config,
                                    const ComponentInputs& in,
                                    const std::vector<ComponentValue>& values) {
    RoundedPartsCheck check;
    if (config.isAdpll() || config.order < 2 || config.order > 5) {
        return check;
    }
    LoopUnderTest designed{FilterDesignState::fromParameters(params, config), config};
    designed.state.C1 = in.C1;
    check.designed = figuresOf(designed);
    if (const auto rounded = roundedPartsLoop(designed, in, values)) {
        check.rounded = figuresOf(*rounded);
    }
    return check;
}

std::vector<PartsFigureRow> partsFigureRows(const RoundedPartsCheck& check) {
    const auto row = [&check](const char* name, float PartsFigures::*member, int precision,
                              int decimals, const char* unit) {
        return PartsFigureRow{name, figureText(check.designed, member, precision, decimals, unit),
                              figureText(check.rounded, member, precision, decimals, unit)};
    };
    PartsFigureRow margin = row("phase margin", &PartsFigures::phaseMarginDeg, 4, 1, " deg");
    if (check.designed) {
        margin.designed = MarkUnstable(margin.designed, check.designed->phaseMarginDeg);
    }
    if (check.rounded) {
        margin.rounded = MarkUnstable(margin.rounded, check.rounded->phaseMarginDeg);
    }
    return {row("f3db", &PartsFigures::f3db, 6, 1, " Hz"), margin,
            row("zeta", &PartsFigures::zeta, 5, 3, "")};
}

} // namespace loopcraft
