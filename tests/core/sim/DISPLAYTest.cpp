#include "core/sim/DISPLAY.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

namespace loopcraft {
namespace {

struct AxisCase {
    float lo, hi;
    int zoom, page;
    float axMin, axMax, tick;
    int exp;
};

TEST(AxisScale, RoundsAndPrefixes) {
    const AxisCase cases[] = {
        // 0.000123 s is shown as 123 us, rounded outward to whole ticks of 20.
        {0, 0.000123f, 1, 1, 0, 140, 20, 6},
        // 25 kHz span is shown in kHz.
        {0, 25000, 1, 1, 0, 30, 5, -3},
        // A negative low end gets one more tick below, a positive high end one above.
        {-1.3f, 2.1f, 1, 1, -2.0f, 2.5f, 0.5f, 0},
        {-7, -3, 1, 1, -7.5f, -3, 0.5f, 0},
        // Zoom 4 with the scroll bar at the end shows the last quarter, not rounded.
        {0, 0.001f, 4, 100, 750, 1000, 50, 6},
        {0, 0.001f, 4, 0, 0, 250, 50, 6}};
    for (const AxisCase& c : cases) {
        const AxisScaleResult r = AxisScale(c.lo, c.hi, c.zoom, c.page);
        const float tolerance = 1e-3f * std::fabs(c.axMax - c.axMin);
        EXPECT_NEAR(r.axMin, c.axMin, tolerance) << c.lo << ".." << c.hi;
        EXPECT_NEAR(r.axMax, c.axMax, tolerance) << c.lo << ".." << c.hi;
        EXPECT_FLOAT_EQ(r.tick, c.tick) << c.lo << ".." << c.hi;
        EXPECT_EQ(r.exp, c.exp) << c.lo << ".." << c.hi;
    }
}

TEST(AxisScale, DegenerateSpansEnd) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    for (auto [lo, hi] :
         {std::pair{2.5f, 2.5f}, std::pair{0.0f, 0.0f}, std::pair{1e-7f, 1e-7f},
          std::pair{0.0f, inf}, std::pair{nan, nan}, std::pair{3.0f, 1.0f}, std::pair{-inf, inf}}) {
        const AxisScaleResult r = AxisScale(lo, hi, 1, 1);
        EXPECT_TRUE(std::isfinite(r.axMin) && std::isfinite(r.axMax)) << lo << " " << hi;
        EXPECT_GT(r.axMax, r.axMin) << lo << " " << hi;
        EXPECT_EQ(r.exp % 3, 0);
    }
}

TEST(AxisScale, TickLabelsHaveFourSignificantDigits) {
    EXPECT_EQ(formatTickLabel(0.25f), "0.25");
    EXPECT_EQ(formatTickLabel(123456.0f), "1.235e+05");
}

PlotSetup voltageSetup(float c1lo, float c1hi, float c2lo, float c2hi) {
    PlotSetup s; // 0..5 V supply, four steps per period
    s.Curve1Min = c1lo;
    s.Curve1Max = c1hi;
    s.Curve2Min = c2lo;
    s.Curve2Max = c2hi;
    s.SimulNumSteps = 400;
    s.SimulfRef = 100000;
    s.numPoints = 401;
    s.Frame = {10, 20, 410, 320};
    return s;
}

TEST(ScaleValueAxes, VoltageAxisStaysInsideTheSupplyAndSpansATenthOfAVolt) {
    DISPLAY d(voltageSetup(0.5f, 4.5f, 0.2f, 4.9f));
    d.ScaleValueAxes();
    EXPECT_FLOAT_EQ(d.Y1Min, 0);
    EXPECT_FLOAT_EQ(d.Y1Max, 5);
    EXPECT_EQ(d.curve1Title() + d.curve2Title(), "Ud [V]Uf [V]");
    DISPLAY c(voltageSetup(2.5f, 2.5f, 2.5f, 2.5f));
    c.ScaleValueAxes();
    EXPECT_GE((c.Y1Max - c.Y1Min) * std::pow(10.0f, -c.Y1Exp), 0.1f - 1e-6f);
    EXPECT_EQ(c.Y2Max, c.Y1Max); // one axis for both voltages
}

TEST(ScaleValueAxes, ChargePumpAxesShareTheIntervalCount) {
    PlotSetup s = voltageSetup(-1e-3f, 1e-3f, 1.0f, 4.0f);
    s.kind = PlotKind::ChargePump;
    DISPLAY d(s);
    d.ScaleValueAxes();
    EXPECT_EQ(std::floor((d.Y1Max - d.Y1Min) / d.Y1Tick + 0.1f),
              std::floor((d.Y2Max - d.Y2Min) / d.Y2Tick + 0.1f));
    EXPECT_EQ(d.curve1Title(), "Id [mA]");
    // A constant zero current still scales.
    s.Curve1Min = s.Curve1Max = 0;
    DISPLAY dz(s);
    dz.ScaleValueAxes();
    EXPECT_GT(dz.Y1Max, dz.Y1Min);
}

TEST(ScaleValueAxes, AdpllHasEightPhaseIntervals) {
    PlotSetup s = voltageSetup(-30, 40, 500, 500);
    s.kind = PlotKind::Adpll;
    DISPLAY d(s);
    d.ScaleValueAxes();
    EXPECT_FLOAT_EQ(d.Y1Min, -360);
    EXPECT_FLOAT_EQ(d.Y1Max, 360);
    EXPECT_FLOAT_EQ(std::floor((d.Y2Max - d.Y2Min) / d.Y2Tick + 0.1f), 8);
    EXPECT_GE(d.Y2Max - d.Y2Min, 1.0f);
    EXPECT_EQ(d.curve1Title(), "Theta_E [deg]");

    s.Curve2Min = -25000;
    DISPLAY w(s);
    w.ScaleValueAxes();
    EXPECT_EQ(w.curve2Title(), "delta_f2 [kHz]");
}

TEST(ScaleTimeAxis, MapsFrameAndVisiblePoints) {
    PlotSetup s = voltageSetup(0, 5, 0, 5);
    DISPLAY d(s);
    d.ScaleValueAxes();
    d.ScaleTimeAxis(0);
    // 400 steps at 4 per 10 us period: 1 ms, shown in us.
    EXPECT_EQ(d.XExp, 3);
    EXPECT_EQ(d.timeTitle(), "t [ms]");
    EXPECT_FLOAT_EQ(d.mapX(d.XMin), 10);
    EXPECT_FLOAT_EQ(d.mapX(d.XMax), 410);
    EXPECT_FLOAT_EQ(d.mapY1(d.Y1Min), 320);
    EXPECT_FLOAT_EQ(d.mapY1(d.Y1Max), 20);
    EXPECT_EQ(d.visiblePoints().first, 0);
    EXPECT_EQ(d.visiblePoints().last, 400);

    s.SimulZoomFact = 4;
    DISPLAY z(s);
    z.ScaleTimeAxis(100);
    EXPECT_EQ(z.visiblePoints().first, 300); // the last quarter
    EXPECT_EQ(z.visiblePoints().last, 400);
    EXPECT_FALSE(z.timeGridIndices().empty());
    EXPECT_EQ(z.timeLabelIndices().last, z.timeGridIndices().last - 1);

    // The filtered run records one point per period.
    s.SimulZoomFact = 1;
    s.filtered = true;
    s.numPoints = 101;
    DISPLAY f(s);
    f.ScaleTimeAxis(0);
    EXPECT_EQ(f.visiblePoints().last, 100);
    EXPECT_NEAR(f.pointTime(100), 1.0f, 1e-5f);
}

} // namespace
} // namespace loopcraft
