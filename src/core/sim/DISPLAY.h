// The simulation plot without a window: axis scaling with engineering unit prefixes, the
// mapping of time and values onto the plot frame, and which recorded points, grid lines and
// labels fall inside the visible part. The painter in src/render draws from these numbers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace loopcraft {

// What the two curves are: two voltages on one axis, a charge-pump current with the filter
// voltage, or the ADPLL's phase error with its frequency deviation.
enum class PlotKind { Voltages, ChargePump, Adpll };

struct PlotRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    bool operator==(const PlotRect&) const = default;
};

struct AxisScaleResult {
    float axMin = 0;
    float axMax = 0;
    float tick = 0;
    int exp = 0; // decimal exponent, a multiple of 3: values are shown as v * 10^exp
};

// Rounded axis for the range lo..hi. With zoom > 1 a window of 1/zoom of the range is placed
// by page (0..100). A zero, negative or non-finite span gets a small span of its own so that
// the exponent search ends.
AxisScaleResult AxisScale(float lo, float hi, int zoom, int page);

// Engineering prefix of a decimal exponent as used by the plot ("k" for -3, "u" for 6, ...).
const char* UnitPrefix(int exp);

// A tick label: 4 significant digits in the shortest form.
std::string formatTickLabel(float value);

// Everything the plot needs from a finished run.
struct PlotSetup {
    PlotKind kind = PlotKind::Voltages;
    float Curve1Min = 0;
    float Curve1Max = 0;
    float Curve2Min = 0;
    float Curve2Max = 0;
    float ConfigUSupN = 0; // supply rails clip a voltage axis
    float ConfigUSupP = 5;
    std::uint32_t SimulNumSteps = 0;
    int SimulnSamp = 4;
    float SimulfRef = 1;
    int SimulZoomFact = 1;
    bool filtered = false; // the "Filter" option recorded one point per reference period
    std::size_t numPoints = 0;
    PlotRect Frame;
};

// v -> a * v + b: how a scaled time or value lands on the frame, hoisted out of the loops that map
// every point of a run.
struct LinearMap {
    float a = 1;
    float b = 0;
    float operator()(float v) const { return a * v + b; }
};

// Inclusive index range; empty when first > last.
struct IndexRange {
    long long first = 0;
    long long last = -1;
    bool empty() const { return first > last; }
    long long count() const { return empty() ? 0 : last - first + 1; }
};

class DISPLAY {
public:
    explicit DISPLAY(const PlotSetup& setup);

    void ScaleValueAxes();
    void ScaleTimeAxis(int scrollPosition);

    // Pixel coordinates of a scaled time or value.
    float mapX(float t) const { return xMap()(t); }
    float mapY1(float v) const { return y1Map()(v); }
    float mapY2(float v) const { return y2Map()(v); }
    LinearMap xMap() const;
    LinearMap y1Map() const;
    LinearMap y2Map() const;

    // Recorded points that fall inside the visible time window.
    IndexRange visiblePoints() const;
    // Scaled time of recorded point i: i * pointStep().
    float pointTime(std::size_t i) const;
    float pointStep() const;
    // The factors that turn a recorded value into axis units.
    float curve1Scale() const;
    float curve2Scale() const;

    IndexRange timeGridIndices() const;   // vertical grid lines at i * XTick
    IndexRange timeLabelIndices() const;  // labels: the grid lines except the last
    IndexRange value1GridIndices() const; // horizontal grid lines at i * Y1Tick
    IndexRange value1LabelIndices() const;
    IndexRange value2LabelIndices() const;
    bool twoValueAxes() const { return Kind != PlotKind::Voltages; }

    std::string timeTitle() const;
    std::string curve1Title() const;
    std::string curve2Title() const;
    // The frame enlarged by the title lines above and below.
    PlotRect labelArea(int titleHeight) const;

    PlotKind Kind;
    float XMin = 0, XMax = 1, XTick = 1;
    int XExp = 0;
    float Curve1Min, Curve1Max, Curve2Min, Curve2Max;
    float Y1Min = 0, Y1Max = 1, Y2Min = 0, Y2Max = 1;
    float Y1Tick = 1, Y2Tick = 1;
    int Y1Exp = 0, Y2Exp = 0;
    float SupplyLow = 0, SupplyHigh = 0;
    PlotRect Frame;

private:
    PlotSetup mSetup;
};

} // namespace loopcraft
