// The simulation plot: the frame in its background colour, the grid, both curves and the axis
// labels, drawn from a finished run. Windows and print-outs call the same painter.
#pragma once

#include "core/sim/DISPLAY.h"

#include <QFont>
#include <cstdint>

class QPainter;

namespace loopcraft {

class SimState;

struct PlotStyle {
    std::uint32_t ColorAxisTickLabels = 0xFF0000;
    std::uint32_t ColorCurve1 = 0x0000FF;
    std::uint32_t ColorCurve2 = 0x008000;
    std::uint32_t ColorFrameBackground = 0x00FFFF;
    std::uint32_t ColorGrid = 0x808080;
    int PenWidthCurve1 = 2;
    int PenWidthCurve2 = 2;
    QFont AxisFont;
};

// Draws the results of `state` into `frame`; `scrollPosition` (0..100) picks the visible part
// when the run is zoomed. Nothing is drawn without results.
void paintSimulationPlot(QPainter& painter, const SimState& state, const PlotRect& frame,
                         int scrollPosition, const PlotStyle& style);

} // namespace loopcraft
