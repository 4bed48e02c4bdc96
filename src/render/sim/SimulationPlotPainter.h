// The simulation plot: the frame in its background colour, the grid, the tick labels inside the
// frame, both curves and the three titles, drawn from a finished run. The window, the printed
// protocol and every export draw through this one painter.
#pragma once

#include "core/sim/DISPLAY.h"
#include "render/base/PagePainter.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <cstdint>
#include <vector>

namespace loopcraft {

class CurveBlocks;
class ParameterSet;
class SimState;

class SimulationPlotPainter final : public PagePainter {
public:
    // Draws the results of `state` in the colours and pen widths of `options` with `axisFont`.
    // All three are read at every paint, so changed options show at the next one.
    SimulationPlotPainter(const SimState& state, const ParameterSet& options,
                          const QFont& axisFont);

    // The visible part of a zoomed run, 0..100.
    void setScrollPosition(int position) { mScrollPosition = position; }
    int scrollPosition() const { return mScrollPosition; }

    // Curves are thinned per device pixel column before they are stroked; off, every visible
    // point is stroked (the measure the thinning is compared with).
    void setCurveReduction(bool on) { mReduceCurves = on; }
    // The run's block extremes, if gathered: a dense run is then read block by block. Blocks
    // of another run than the one on show are not used.
    void setBlocks(const CurveBlocks* blocks) { mBlocks = blocks; }

    // The designed loop's curve 2 at each recorded point (ModelStepResponse), drawn dashed in
    // its own colour over the run with "Model" in the titles; null or of another length: none.
    void setModelCurve(const std::vector<float>* curve) { mModel = curve; }

    // `target` is the label area: the frame with a title line above and below it. Without
    // results only the empty frame is drawn.
    void paint(QPainter& painter, const QRect& target) const override;

    // The frame inside a label area, and the label area around a frame.
    QRect frameIn(const QRect& labelArea) const;
    QRect labelAreaAround(const QRect& frame) const;

private:
    int titleLineHeight() const;

    const SimState& mState;
    const ParameterSet& mOptions;
    const QFont& mAxisFont;
    int mScrollPosition = 0;
    bool mReduceCurves = true;
    const CurveBlocks* mBlocks = nullptr;
    const std::vector<float>* mModel = nullptr;
};

// The model curve's colour (0x00BBGGRR): a third colour beside the two curve colours.
inline constexpr std::uint32_t kModelCurveColor = 0x800080; // purple
inline constexpr const char* kModelLegend = "Model (dashed)";

} // namespace loopcraft
