#include "render/sim/SimulationPlotPainter.h"

#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"
#include "render/app/DrawingSurface.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace loopcraft {

namespace {

// Curves of a wild run may map far outside the frame; QPainter copes badly with huge values.
float clampToFrame(float v, int lo, int hi) {
    if (!std::isfinite(v)) {
        return static_cast<float>(lo);
    }
    const float margin = 10000.0f;
    return std::clamp(v, static_cast<float>(lo) - margin, static_cast<float>(hi) + margin);
}

} // namespace

void paintSimulationPlot(QPainter& painter, const SimState& state, const PlotRect& frame,
                         int scrollPosition, const PlotStyle& style) {
    if (state.Results.empty() || frame.Right <= frame.Left || frame.Bottom <= frame.Top) {
        return;
    }
    DISPLAY plot(MakePlotSetup(state, frame));
    plot.ScaleValueAxes();
    plot.ScaleTimeAxis(scrollPosition);

    painter.save();
    const QRect box(frame.Left, frame.Top, frame.Right - frame.Left, frame.Bottom - frame.Top);
    painter.fillRect(box, colorFromBgr(style.ColorFrameBackground));
    painter.setFont(style.AxisFont);
    const QFontMetrics metrics(style.AxisFont);
    const QColor labelColor = colorFromBgr(style.ColorAxisTickLabels);

    // Grid with its labels: time below the frame, curve 1 at the left, curve 2 at the right.
    painter.setPen(QPen(colorFromBgr(style.ColorGrid), 1, Qt::DotLine));
    const IndexRange timeGrid = plot.timeGridIndices();
    for (long long i = timeGrid.first; i <= timeGrid.last; ++i) {
        const float x = plot.mapX(static_cast<float>(i) * plot.XTick);
        painter.drawLine(QPointF(x, frame.Top), QPointF(x, frame.Bottom));
    }
    const IndexRange valueGrid = plot.value1GridIndices();
    for (long long i = valueGrid.first; i <= valueGrid.last; ++i) {
        const float y = plot.mapY1(static_cast<float>(i) * plot.Y1Tick);
        painter.drawLine(QPointF(frame.Left, y), QPointF(frame.Right, y));
    }
    painter.setPen(labelColor);
    const IndexRange timeLabels = plot.timeLabelIndices();
    for (long long i = timeLabels.first; i <= timeLabels.last; ++i) {
        const float t = static_cast<float>(i) * plot.XTick;
        const QString text = QString::fromStdString(formatTickLabel(t));
        painter.drawText(QPointF(plot.mapX(t) - metrics.horizontalAdvance(text) / 2.0,
                                 frame.Bottom + metrics.ascent() + 2),
                         text);
    }
    const IndexRange value1Labels = plot.value1LabelIndices();
    for (long long i = value1Labels.first; i <= value1Labels.last; ++i) {
        const float v = static_cast<float>(i) * plot.Y1Tick;
        const QString text = QString::fromStdString(formatTickLabel(v));
        painter.drawText(QPointF(frame.Left - metrics.horizontalAdvance(text) - 4,
                                 plot.mapY1(v) + metrics.ascent() / 2.0),
                         text);
    }
    if (plot.twoValueAxes()) {
        const IndexRange value2Labels = plot.value2LabelIndices();
        for (long long i = value2Labels.first; i <= value2Labels.last; ++i) {
            const float v = static_cast<float>(i) * plot.Y2Tick;
            painter.drawText(QPointF(frame.Right + 4, plot.mapY2(v) + metrics.ascent() / 2.0),
                             QString::fromStdString(formatTickLabel(v)));
        }
    }
    painter.drawText(QPointF(frame.Left, frame.Top - metrics.descent() - 2),
                     QString::fromStdString(plot.curve1Title()));
    const QString title2 = QString::fromStdString(plot.curve2Title());
    painter.drawText(
        QPointF(frame.Right - metrics.horizontalAdvance(title2), frame.Top - metrics.descent() - 2),
        title2);
    painter.drawText(QPointF(frame.Left, frame.Bottom + 2 * metrics.height() + 2),
                     QString::fromStdString(plot.timeTitle()));

    // The two curves, only the visible points, clipped to the frame.
    painter.setClipRect(box);
    painter.setRenderHint(QPainter::Antialiasing);
    const IndexRange points = plot.visiblePoints();
    const float scale1 = plot.curve1Scale();
    const float scale2 = plot.curve2Scale();
    QPainterPath curve1;
    QPainterPath curve2;
    for (long long i = points.first; i <= points.last; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (index >= state.Results.size()) {
            break;
        }
        const float x = clampToFrame(plot.mapX(plot.pointTime(index)), frame.Left, frame.Right);
        const QPointF p1(x, clampToFrame(plot.mapY1(state.Results[index].Curve1 * scale1),
                                         frame.Top, frame.Bottom));
        const QPointF p2(x, clampToFrame(plot.mapY2(state.Results[index].Curve2 * scale2),
                                         frame.Top, frame.Bottom));
        if (i == points.first) {
            curve1.moveTo(p1);
            curve2.moveTo(p2);
        } else {
            curve1.lineTo(p1);
            curve2.lineTo(p2);
        }
    }
    painter.setPen(QPen(colorFromBgr(style.ColorCurve1), std::max(1, style.PenWidthCurve1)));
    painter.drawPath(curve1);
    painter.setPen(QPen(colorFromBgr(style.ColorCurve2), std::max(1, style.PenWidthCurve2)));
    painter.drawPath(curve2);
    painter.setClipping(false);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    painter.restore();
}

} // namespace loopcraft
