#include "render/sim/SimulationPlotPainter.h"

#include "core/sim/ColumnReducer.h"
#include "core/sim/CurveBlocks.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"
#include "render/base/DrawingSurface.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <vector>

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

QPainterPath pathThrough(const std::vector<CurvePoint>& line) {
    QPainterPath path;
    if (line.empty()) {
        return path;
    }
    path.reserve(static_cast<int>(line.size()));
    path.moveTo(line.front().x, line.front().y);
    for (std::size_t i = 1; i < line.size(); ++i) {
        path.lineTo(line[i].x, line[i].y);
    }
    return path;
}

struct ColumnMapping {
    double scale;     // device columns per x unit
    double offset;    // column = floor(x * scale + offset)
    double yScale;    // device rows per y unit
    double frameSpan; // the frame's width and height on the device
};

// Qt's stroker fills the outline of the whole line, and a line that runs up and down over the
// same pixels makes that outline enormous: an EXOR detector's output of a few hundred points took
// seconds. A line that stays short (a few times around its frame) is stroked as it always was;
// a longer one goes as bars a column wide where it folds over itself within a column, and as
// separate segments where it reaches further.
void strokeCurve(QPainter& painter, const std::vector<CurvePoint>& line, const QPen& pen,
                 const ColumnMapping& columns, bool thinned) {
    if (!thinned || strokeLength(line, columns.scale, columns.yScale) <= 8 * columns.frameSpan) {
        painter.setPen(pen);
        painter.drawPath(pathThrough(line));
        return;
    }
    const ColumnStroke stroke = splitIntoColumns(line, columns.scale, columns.offset);
    const double width = pen.widthF();
    painter.save();
    // Bars on whole pixels: the fastest fill there is, and nothing to smooth on an upright edge.
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const ColumnBar& bar : stroke.bars) {
        const double centre = (bar.column + 0.5 - columns.offset) / columns.scale;
        // A fold's sharp turns end at its extremes (the joins are cut off there); a flat run
        // still has the pen's thickness.
        const double span = static_cast<double>(bar.high) - bar.low;
        const double margin = std::max(0.0, (width - span) / 2);
        painter.fillRect(QRectF(centre - width / 2, bar.low - margin, width, span + 2 * margin),
                         pen.color());
    }
    painter.restore();
    QVector<QLineF> segments;
    segments.reserve(static_cast<qsizetype>(stroke.segments.size()));
    for (const LineSegment& s : stroke.segments) {
        segments.append(QLineF(s.from.x, s.from.y, s.to.x, s.to.y));
    }
    painter.setPen(pen);
    painter.drawLines(segments);
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
    // Only the visible points are read, and each curve is thinned to four points a device
    // column before it is stroked, so the cost goes with the picture's width, not the run's
    // length. A printer's columns are finer than the layout's: the thinning follows the device.
    const QTransform device = painter.deviceTransform();
    double columnScale = 1.0;
    double columnOffset = 0.0;
    double rowScale = 1.0;
    if (device.type() <= QTransform::TxScale && device.m11() > 0 && device.m22() > 0) {
        columnScale = device.m11();
        columnOffset = device.dx();
        rowScale = device.m22();
    }
    const IndexRange points = plot.visiblePoints();
    const long long count =
        std::min(points.count(), static_cast<long long>(mState.Results.size()) - points.first);
    const auto columnCount = static_cast<long long>(box.width() * columnScale) + 4;
    const auto room = static_cast<std::size_t>(
        std::max(0LL, mReduceCurves ? std::min(count, 4 * columnCount) : count));
    std::vector<CurvePoint> line1;
    std::vector<CurvePoint> line2;
    line1.reserve(room);
    line2.reserve(room);
    ColumnReducer reduce1(line1, columnScale, columnOffset);
    ColumnReducer reduce2(line2, columnScale, columnOffset);
    const float step = plot.pointStep();
    const LinearMap mapX = plot.xMap();
    const LinearMap mapY1 = plot.y1Map();
    const LinearMap mapY2 = plot.y2Map();
    const float scale1 = plot.curve1Scale();
    const float scale2 = plot.curve2Scale();
    const std::vector<ResultPair>& results = mState.Results;
    auto xOf = [&](std::size_t i) {
        return clampNear(mapX(static_cast<float>(i) * step), frame.Left, frame.Right);
    };
    auto y1Of = [&](std::size_t i) {
        return clampNear(mapY1(results[i].Curve1 * scale1), frame.Top, frame.Bottom);
    };
    auto y2Of = [&](std::size_t i) {
        return clampNear(mapY2(results[i].Curve2 * scale2), frame.Top, frame.Bottom);
    };
    // A block inside one column is represented by its ends and its extremes, in their order:
    // the thinning keeps exactly these of it.
    auto addBlock = [&](ColumnReducer& reducer, long long column, std::size_t base,
                        std::uint8_t low, std::uint8_t high, const auto& yOf) {
        const std::size_t places[] = {0, std::min(low, high), std::max(low, high),
                                      CurveBlocks::kBlockPoints - 1};
        std::size_t previous = CurveBlocks::kBlockPoints;
        for (const std::size_t place : places) {
            if (place != previous) {
                reducer.addAt(column, {xOf(base + place), yOf(base + place)});
                previous = place;
            }
        }
    };
    const bool useBlocks = mReduceCurves && mBlocks && mBlocks->describe(results);
    constexpr std::size_t block = CurveBlocks::kBlockPoints;
    const auto begin = static_cast<std::size_t>(points.first);
    const std::size_t end = begin + static_cast<std::size_t>(std::max(0LL, count));
    for (std::size_t i = begin; i < end;) {
        const std::size_t blockEnd = std::min(end, (i / block + 1) * block);
        if (useBlocks && i % block == 0 && blockEnd - i == block) {
            const long long column = reduce1.columnOf(xOf(i));
            if (column == reduce1.columnOf(xOf(blockEnd - 1))) {
                const CurveBlocks::Extremes& e = (*mBlocks)[i / block];
                addBlock(reduce1, column, i, e.low1, e.high1, y1Of);
                addBlock(reduce2, column, i, e.low2, e.high2, y2Of);
                i = blockEnd;
                continue;
            }
        }
        for (; i < blockEnd; ++i) {
            const float x = xOf(i);
            const CurvePoint p1{x, y1Of(i)};
            const CurvePoint p2{x, y2Of(i)};
            if (mReduceCurves) {
                const long long column = reduce1.columnOf(x);
                reduce1.addAt(column, p1);
                reduce2.addAt(column, p2);
            } else {
                line1.push_back(p1);
                line2.push_back(p2);
            }
        }
    }
    reduce1.finish();
    reduce2.finish();
    const ColumnMapping columns{columnScale, columnOffset, rowScale,
                                box.width() * columnScale + box.height() * rowScale};
    strokeCurve(painter, line1, QPen(colorFromBgr(mOptions.ColorCurve1), pen1), columns,
                mReduceCurves);
    strokeCurve(painter, line2, QPen(colorFromBgr(mOptions.ColorCurve2), pen2), columns,
                mReduceCurves);
    const bool model = mModel && mModel->size() == results.size() && !results.empty();
    if (model) {
        // The model is smooth: its visible points, thinned per column, stroked dashed.
        std::vector<CurvePoint> lineM;
        lineM.reserve(room);
        ColumnReducer reduceM(lineM, columnScale, columnOffset);
        for (std::size_t i = begin; i < end; ++i) {
            const float x = xOf(i);
            const CurvePoint p{x, clampNear(mapY2((*mModel)[i] * scale2), frame.Top, frame.Bottom)};
            if (mReduceCurves)
                reduceM.addAt(reduceM.columnOf(x), p);
            else
                lineM.push_back(p);
        }
        reduceM.finish();
        QPen pen(colorFromBgr(kModelCurveColor), pen2);
        pen.setStyle(Qt::DashLine);
        painter.setPen(pen);
        painter.drawPath(pathThrough(lineM));
    }
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
    if (model) {
        // The legend between the two curve titles, in the model's colour.
        const QString legend = QString::fromLatin1(kModelLegend);
        painter.setPen(colorFromBgr(kModelCurveColor));
        textAt(painter, metrics, (frame.Left + frame.Right - metrics.horizontalAdvance(legend)) / 2,
               frame.Top - textH - 2, legend);
    }
    painter.setPen(labelColor);
    textAt(painter, metrics, frame.Right - metrics.horizontalAdvance(titleT) - 2, frame.Bottom + 2,
           titleT);
    painter.restore();
}

} // namespace loopcraft
