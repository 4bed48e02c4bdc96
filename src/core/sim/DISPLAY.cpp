#include "core/sim/DISPLAY.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace loopcraft {

namespace {

float powerOfTen(int exp) {
    return std::pow(10.0f, static_cast<float>(exp));
}

// Index ranges come from floats that may be huge or non-finite after a wild run; clamp them
// so that no caller ever loops over billions of grid lines.
constexpr long long kMaxGridLines = 10000;

long long floorIndex(float v) {
    if (!std::isfinite(v))
        return 0;
    const double f = std::floor(static_cast<double>(v));
    return static_cast<long long>(std::clamp(f, -1e15, 1e15));
}

IndexRange boundedRange(long long first, long long last) {
    if (last - first >= kMaxGridLines)
        last = first + kMaxGridLines - 1;
    return {first, last};
}

} // namespace

AxisScaleResult AxisScale(float lo, float hi, int zoom, int page) {
    // A constant curve has no span and an overflowing one an infinite span; neither would ever
    // reach the range 1..1000 below, so such an axis gets a small span around its value.
    if (!std::isfinite(lo))
        lo = 0;
    if (!std::isfinite(hi) || !(hi - lo > 0) || !std::isfinite(hi - lo)) {
        const float minimal = lo != 0 ? std::fabs(lo) * 0.1f : 1.0f;
        hi = lo + minimal;
        if (!std::isfinite(hi) || !(hi > lo)) {
            lo = 0;
            hi = 1;
        }
    }
    if (zoom < 1)
        zoom = 1;

    AxisScaleResult r;
    float span;
    if (zoom == 1) {
        r.axMin = lo;
        r.axMax = hi;
        span = hi - lo;
    } else {
        span = (hi - lo) / static_cast<float>(zoom);
        r.axMin = 0.01f * (static_cast<float>((zoom - 1) * page)) * span + lo;
        r.axMax = r.axMin + span;
    }

    int exp = 0;
    while (span < 1) {
        do {
            span *= 10;
            r.axMin *= 10;
            r.axMax *= 10;
            exp += 1;
        } while (exp % 3 != 0);
    }
    while (span > 1000) {
        do {
            span *= 0.1f;
            r.axMin *= 0.1f;
            r.axMax *= 0.1f;
            exp -= 1;
        } while (exp % 3 != 0);
    }
    r.exp = exp;

    if (span < 2)
        r.tick = 0.2f;
    else if (span < 5)
        r.tick = 0.5f;
    else if (span < 10)
        r.tick = 1;
    else if (span < 20)
        r.tick = 2;
    else if (span < 50)
        r.tick = 5;
    else if (span < 100)
        r.tick = 10;
    else if (span < 200)
        r.tick = 20;
    else if (span < 500)
        r.tick = 50;
    else
        r.tick = 100;

    if (zoom == 1) {
        r.axMin = std::floor(r.axMin / r.tick) * r.tick;
        if (lo < 0)
            r.axMin -= r.tick;
        if (hi < 0)
            r.axMax = std::floor(r.axMax / r.tick) * r.tick;
        else
            r.axMax = (std::floor(r.axMax / r.tick) + 1) * r.tick;
    }
    return r;
}

const char* UnitPrefix(int exp) {
    switch (exp) {
    case -12:
        return "T";
    case -9:
        return "G";
    case -6:
        return "M";
    case -3:
        return "k";
    case 3:
        return "m";
    case 6:
        return "u";
    case 9:
        return "n";
    case 12:
        return "p";
    default:
        return "";
    }
}

std::string formatTickLabel(float value) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.4g", static_cast<double>(value));
    return buf;
}

DISPLAY::DISPLAY(const PlotSetup& setup)
    : Kind(setup.kind), Curve1Min(setup.Curve1Min), Curve1Max(setup.Curve1Max),
      Curve2Min(setup.Curve2Min), Curve2Max(setup.Curve2Max), Frame(setup.Frame), mSetup(setup) {}

void DISPLAY::ScaleValueAxes() {
    switch (Kind) {
    case PlotKind::Voltages: {
        float lo = std::min(Curve1Min, Curve2Min);
        float hi = std::max(Curve1Max, Curve2Max);
        if (std::fabs(hi - lo) < 0.1f)
            hi = lo + 0.1f;
        const AxisScaleResult a = AxisScale(lo, hi, 1, 1);
        Y1Min = a.axMin;
        Y1Max = a.axMax;
        Y1Tick = a.tick;
        Y1Exp = a.exp;
        SupplyLow = powerOfTen(Y1Exp) * mSetup.ConfigUSupN;
        SupplyHigh = powerOfTen(Y1Exp) * mSetup.ConfigUSupP;
        Y1Max = std::min(Y1Max, SupplyHigh);
        Y1Min = std::max(Y1Min, SupplyLow);
        Y2Min = Y1Min;
        Y2Max = Y1Max;
        Y2Tick = Y1Tick;
        Y2Exp = Y1Exp;
        break;
    }
    case PlotKind::ChargePump: {
        const AxisScaleResult a1 = AxisScale(Curve1Min, Curve1Max, 1, 1);
        const AxisScaleResult a2 = AxisScale(Curve2Min, Curve2Max, 1, 1);
        Y1Min = a1.axMin;
        Y1Max = a1.axMax;
        Y1Tick = a1.tick;
        Y1Exp = a1.exp;
        Y2Min = a2.axMin;
        Y2Max = a2.axMax;
        Y2Tick = a2.tick;
        Y2Exp = a2.exp;
        const long long m1 = floorIndex((Y1Max - Y1Min) / Y1Tick + 0.1f);
        const long long m2 = floorIndex((Y2Max - Y2Min) / Y2Tick + 0.1f);
        if (m2 < m1)
            Y2Max += static_cast<float>(m1 - m2) * Y2Tick;
        else
            Y1Max += static_cast<float>(m2 - m1) * Y1Tick;
        break;
    }
    case PlotKind::Adpll: {
        float hi = Curve2Max;
        if (Curve2Min == Curve2Max)
            hi += 1.0f;
        const AxisScaleResult a2 = AxisScale(Curve2Min, hi, 1, 1);
        Y2Min = a2.axMin;
        Y2Max = a2.axMax;
        Y2Tick = a2.tick;
        Y2Exp = a2.exp;
        Y1Min = -360;
        Y1Max = 360;
        Y1Tick = 90;
        Y1Exp = 0;
        const long long m2 = floorIndex((Y2Max - Y2Min) / Y2Tick + 0.1f);
        if (m2 < 9)
            Y2Max += static_cast<float>(8 - m2) * Y2Tick;
        else
            Y1Max += static_cast<float>(m2 - 8) * 90;
        break;
    }
    }
}

void DISPLAY::ScaleTimeAxis(int scrollPosition) {
    const float steps = static_cast<float>(mSetup.SimulNumSteps);
    const float total = Kind == PlotKind::Adpll
                            ? steps / mSetup.SimulfRef
                            : steps / (static_cast<float>(mSetup.SimulnSamp) * mSetup.SimulfRef);
    const AxisScaleResult a = AxisScale(0, total, mSetup.SimulZoomFact, scrollPosition);
    XMin = a.axMin;
    XMax = a.axMax;
    XTick = a.tick;
    XExp = a.exp;
}

LinearMap DISPLAY::xMap() const {
    const float ax = static_cast<float>(Frame.Left - Frame.Right) / (XMin - XMax);
    return {ax, static_cast<float>(Frame.Left) - ax * XMin};
}

LinearMap DISPLAY::y1Map() const {
    const float ay = static_cast<float>(Frame.Bottom - Frame.Top) / (Y1Min - Y1Max);
    return {ay, static_cast<float>(Frame.Bottom) - ay * Y1Min};
}

LinearMap DISPLAY::y2Map() const {
    const float ay = static_cast<float>(Frame.Bottom - Frame.Top) / (Y2Min - Y2Max);
    return {ay, static_cast<float>(Frame.Bottom) - ay * Y2Min};
}

namespace {
float recordedPointStep(const PlotSetup& s, int xExp) {
    float dt;
    if (s.filtered || s.kind == PlotKind::Adpll)
        dt = 1 / s.SimulfRef;
    else
        dt = 1 / (static_cast<float>(s.SimulnSamp) * s.SimulfRef);
    return powerOfTen(xExp) * dt;
}
} // namespace

float DISPLAY::pointTime(std::size_t i) const {
    return static_cast<float>(i) * pointStep();
}

float DISPLAY::pointStep() const {
    return recordedPointStep(mSetup, XExp);
}

float DISPLAY::curve1Scale() const {
    return powerOfTen(Y1Exp);
}
float DISPLAY::curve2Scale() const {
    return powerOfTen(Y2Exp);
}

IndexRange DISPLAY::visiblePoints() const {
    if (mSetup.numPoints == 0)
        return {};
    const float step = pointStep();
    const double q0 = static_cast<double>(XMin / step);
    const double q1 = static_cast<double>(XMax / step);
    if (!std::isfinite(q0) || !std::isfinite(q1))
        return {};
    const long long last = static_cast<long long>(mSetup.numPoints) - 1;
    long long i0 = static_cast<long long>(std::clamp(std::trunc(q0), -1.0, 1e15));
    if (static_cast<float>(i0) * step < XMin)
        i0 += 1;
    long long i1 = static_cast<long long>(std::clamp(std::trunc(q1), -1.0, 1e15));
    i0 = std::clamp(i0, 0LL, last);
    i1 = std::clamp(i1, 0LL, last);
    return {i0, i1};
}

IndexRange DISPLAY::timeGridIndices() const {
    return boundedRange(floorIndex(XMin / XTick) + 1, floorIndex(XMax / XTick));
}

IndexRange DISPLAY::timeLabelIndices() const {
    return boundedRange(floorIndex(XMin / XTick) + 1, floorIndex(XMax / XTick) - 1);
}

IndexRange DISPLAY::value1GridIndices() const {
    return boundedRange(floorIndex(Y1Min / Y1Tick + 0.1f), floorIndex(Y1Max / Y1Tick + 0.1f));
}

IndexRange DISPLAY::value1LabelIndices() const {
    return boundedRange(floorIndex(Y1Min / Y1Tick + 0.1f) + 1, floorIndex(Y1Max / Y1Tick + 0.1f));
}

IndexRange DISPLAY::value2LabelIndices() const {
    return boundedRange(floorIndex(Y2Min / Y2Tick + 0.1f) + 1, floorIndex(Y2Max / Y2Tick + 0.1f));
}

std::string DISPLAY::timeTitle() const {
    return std::string("t [") + UnitPrefix(XExp) + "s]";
}

std::string DISPLAY::curve1Title() const {
    switch (Kind) {
    case PlotKind::Voltages:
        return std::string("Ud [") + UnitPrefix(Y1Exp) + "V]";
    case PlotKind::ChargePump:
        return std::string("Id [") + UnitPrefix(Y1Exp) + "A]";
    case PlotKind::Adpll:
        break;
    }
    return "Theta_E [deg]";
}

std::string DISPLAY::curve2Title() const {
    if (Kind == PlotKind::Adpll)
        return std::string("delta_f2 [") + UnitPrefix(Y2Exp) + "Hz]";
    return std::string("Uf [") + UnitPrefix(Y2Exp) + "V]";
}

PlotRect DISPLAY::labelArea(int titleHeight) const {
    return {Frame.Left, Frame.Top - titleHeight - 2, Frame.Right, Frame.Bottom + titleHeight + 2};
}

} // namespace loopcraft
