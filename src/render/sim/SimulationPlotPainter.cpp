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
float clampNear(float v, int lo, int hi) {
    if (!std::isfinite(v)) {
        return static_cast<float>(lo);
    }
    const float margin = 10000.0f;
    return std::clamp(v, static_cast<float>(lo) - margin, static_cast<float>(hi) + margin);
}

// Text placed by its top-left corner.
void textAt(QPainter& painter, const QFontMetricsF& metrics, double x, double y,
            const QString& text) {
    painter.drawText(QPointF(x, y + metrics.ascent()), text);
}

QString label(float value) {
    return QString::fromStdString(formatTickLabel(value));
}

} // namespace

SimulationPlotPainter::SimulationPlotPainter(const SimState& state, const ParameterSet& options,
                                             const QFont& axisFont)
    : mState(state), mOptions(options), mAxisFont(axisFont) {}

int SimulationPlotPainter::titleLineHeight() const {
    return QFontMetrics(layoutFont(mAxisFont)).height() + 2;
}

QRect SimulationPlotPainter::frameIn(const QRect& labelArea) const {
    const int title = titleLineHeight();
    return labelArea.adjusted(0, title, 0, -title);
}

QRect SimulationPlotPainter::labelAreaAround(const QRect& frame) const {
    const int title = titleLineHeight();
    return frame.adjusted(0, -title, 0, title);
}

void SimulationPlotPainter::paint(QPainter& painter, const QRect& target) const {
    const QRect box = frameIn(target);
    if (box.width() < 2 || box.height() < 2) {
        return;
    }
    // The frame's edges as the plot counts them: Right and Bottom are the far edges.
    const PlotRect frame{box.left(), box.top(), box.left() + box.width(), box.top() + box.height()};
    painter.save();
    painter.fillRect(box, colorFromBgr(mOptions.ColorFrameBackground));
    if (mState.Results.empty()) {
        painter.restore();
        return;
    }
    DISPLAY plot(MakePlotSetup(mState, frame));
    plot.ScaleValueAxes();
    plot.ScaleTimeAxis(mScrollPosition);

    // Grid.
    painter.setPen(QPen(colorFromBgr(mOptions.ColorGrid), 1, Qt::SolidLine));
    const IndexRange timeGrid = plot.timeGridIndices();
    for (long long i = timeGrid.first; i <= timeGrid.last; ++i) {
        const float x = plot.mapX(static_cast<float>(i) * plot.XTick);
        painter.drawLine(QPointF(x, frame.Bottom), QPointF(x, frame.Top));
    }
    const IndexRange valueGrid = plot.value1GridIndices();
    for (long long i = valueGrid.first; i <= valueGrid.last; ++i) {
        const float y = plot.mapY1(static_cast<float>(i) * plot.Y1Tick);
        painter.drawLine(QPointF(frame.Left, y), QPointF(frame.Right, y));
    }

    // Tick labels, inside the frame.
    const QFont font = layoutFont(mAxisFont);
    painter.setFont(font);
    const QFontMetricsF metrics(font);
    const double textH = metrics.height();
    const QColor labelColor = colorFromBgr(mOptions.ColorAxisTickLabels);
    painter.setPen(labelColor);
    const IndexRange timeLabels = plot.timeLabelIndices();
    for (long long i = timeLabels.first; i <= timeLabels.last; ++i) {
        const float t = static_cast<float>(i) * plot.XTick;
        textAt(painter, metrics, plot.mapX(t) + 2, frame.Bottom - (textH + 2), label(t));
    }
    const IndexRange value1Labels = plot.value1LabelIndices();
    const int value1X = plot.twoValueAxes() ? frame.Left : frame.Left + 2;
    for (long long i = value1Labels.first; i <= value1Labels.last; ++i) {
        const float v = static_cast<float>(i) * plot.Y1Tick;
        textAt(painter, metrics, value1X, plot.mapY1(v) + 2, label(v));
    }
    if (plot.twoValueAxes()) {
        const IndexRange value2Labels = plot.value2LabelIndices();
        for (long long i = value2Labels.first; i <= value2Labels.last; ++i) {
            const float v = static_cast<float>(i) * plot.Y2Tick;
            const QString text = label(v);
            textAt(painter, metrics, frame.Right - metrics.horizontalAdvance(text) - 2,
                   plot.mapY2(v) + 2, text);
        }
    }

    // The curves. A curve lying on the frame's edge (a settled ADPLL deviation of 0) must stay
    // visible, so the clip reaches half a pen beyond the frame.
    const int pen1 = std::max(1, mOptions.PenWidthCurve1);
    const int pen2 = std::max(1, mOptions.PenWidthCurve2);
    const int reach = (std::max(pen1, pen2) + 1) / 2;
    painter.setClipRect(box.adjusted(-reach, -reach, reach, reach));
    painter.setRenderHint(QPainter::Antialiasing);
    const IndexRange points = plot.visiblePoints();
    const float scale1 = plot.curve1Scale();
    const float scale2 = plot.curve2Scale();
    QPainterPath curve1;
    QPainterPath curve2;
    for (long long i = points.first; i <= points.last; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (index >= mState.Results.size()) {
            break;
        }
        const float x = clampNear(plot.mapX(plot.pointTime(index)), frame.Left, frame.Right);
        const QPointF p1(x, clampNear(plot.mapY1(mState.Results[index].Curve1 * scale1), frame.Top,
                                      frame.Bottom));
        const QPointF p2(x, clampNear(plot.mapY2(mState.Results[index].Curve2 * scale2), frame.Top,
                                      frame.Bottom));
        if (i == points.first) {
            curve1.moveTo(p1);
            curve2.moveTo(p2);
        } else {
            curve1.lineTo(p1);
            curve2.lineTo(p2);
        }
    }
    painter.setPen(QPen(colorFromBgr(mOptions.ColorCurve1), pen1));
    painter.drawPath(curve1);
    painter.setPen(QPen(colorFromBgr(mOptions.ColorCurve2), pen2));
    painter.drawPath(curve2);
    painter.setClipping(false);

    // Titles: each curve's in its own colour above the frame, the time's below it.
    const QString title1 = QString::fromStdString(plot.curve1Title());
    const QString title2 = QString::fromStdString(plot.curve2Title());
    const QString titleT = QString::fromStdString(plot.timeTitle());
    painter.setPen(colorFromBgr(mOptions.ColorCurve1));
    textAt(painter, metrics, frame.Left + 2, frame.Top - textH - 2, title1);
    painter.setPen(colorFromBgr(mOptions.ColorCurve2));
    textAt(painter, metrics, frame.Right - metrics.horizontalAdvance(title2) - 2,
           frame.Top - textH - 2, title2);
    painter.setPen(labelColor);
    textAt(painter, metrics, frame.Right - metrics.horizontalAdvance(titleT) - 2, frame.Bottom + 2,
           titleT);
    painter.restore();
}

} // namespace loopcraft
