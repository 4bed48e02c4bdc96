#include "render/bode/BodePlotPainter.h"

#include "core/bode/BodeAxes.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPainter>
#include <QPolygon>
#include <QStringList>
#include <algorithm>
#include <cmath>

namespace loopcraft {

namespace {

const QColor kGrid(128, 128, 128);
const QColor kFrame(0, 0, 255);
const QColor kOpenLoop(255, 0, 0);
const QColor kClosedLoop(0, 128, 0);

// Far outside any picture, yet safe to turn into an int; curves are not clipped to their plot,
// so a value off the axis range still draws towards the edge instead of overflowing.
constexpr double kPixelLimit = 1.0e6;

int floorFraction(double fraction, int size) {
    return static_cast<int>(std::floor(fraction * size));
}

QFont arial(double points) {
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(points);
    return layoutFont(font);
}

// Draws `text` aligned in `box`, first filling the text's own extent with `background` when it
// is valid (text drawn on an opaque brush, as the plot's labels are).
void drawText(QPainter& p, const QRectF& box, int flags, const QString& text,
              const QColor& background = QColor()) {
    if (background.isValid()) {
        p.fillRect(p.boundingRect(box, flags, text), background);
    }
    p.drawText(box, flags, text);
}

} // namespace

PlotFrame BodePlotPainter::frameFor(const QSize& w) {
    return PlotFrame::fromEdges(floorFraction(0.05, w.width()), floorFraction(0.75, w.width()),
                                floorFraction(0.05, w.height()), floorFraction(0.75, w.height()));
}

QRect BodePlotPainter::memoRect(const QSize& w, int index) {
    const double left = index == 0 ? 0.05 : 0.4;
    return {floorFraction(left, w.width()), floorFraction(0.8, w.height()),
            floorFraction(0.3, w.width()), floorFraction(0.12, w.height())};
}

QSize BodePlotPainter::pictureSizeFor(const QSize& w) {
    return {floorFraction(0.79, w.width()), w.height()};
}

QSize BodePlotPainter::windowSizeFor(const QSize& picture) {
    return {static_cast<int>(std::lround(picture.width() / 0.79)), picture.height()};
}

void BodePlotPainter::paint(QPainter& painter, const QRect& target) const {
    const QSize picture = pictureSize();
    if (picture.isEmpty() || target.isEmpty()) {
        return;
    }
    painter.save();
    painter.translate(target.topLeft());
    if (target.size() != picture) {
        painter.scale(static_cast<double>(target.width()) / picture.width(),
                      static_cast<double>(target.height()) / picture.height());
    }
    painter.setClipRect(QRect(QPoint(0, 0), picture), Qt::IntersectClip);
    draw(painter);
    painter.restore();
}

void BodePlotPainter::draw(QPainter& p) const {
    const PlotFrame f = frameFor(mWindow);
    // Lines sit on whole pixels, as the grid positions are whole pixels.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(QRect(QPoint(0, 0), pictureSize()), mBackground);
    p.fillRect(QRect(QPoint(f.xLeft, f.yTop), QPoint(f.xRight, f.yBottom)), Qt::white);

    const bool curves = mResponse != nullptr && mResponse->hasCurves();
    if (curves) {
        drawGrid(p, f);
    }

    p.setPen(QPen(kFrame, 2));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(QPoint(f.xLeft, f.yTop), QPoint(f.xRight, f.yBottom)).adjusted(0, 0, -1, -1));
    p.drawLine(f.xLeft, f.yMid, f.xRight, f.yMid);

    // Curves over the frame, so one that runs along an edge (a constant -90 degrees, say) stays
    // visible; the captions over the curves, on white, so a curve never crosses out a word.
    if (curves) {
        drawCurves(p);
    }

    p.setPen(Qt::black);
    p.setFont(arial(8));
    const double h8 = QFontMetricsF(p.font()).height();
    drawText(p, QRectF(f.xRight - 2 - 300, f.yBottom - 2 - h8, 300, h8),
             Qt::AlignRight | Qt::AlignBottom, QStringLiteral("f [Hz]"), Qt::white);

    p.setFont(arial(10));
    const double h10 = QFontMetricsF(p.font()).height();
    const QString headings[] = {QStringLiteral("Magnitude [db]"), QStringLiteral("Red: open loop"),
                                QStringLiteral("Green: closed loop")};
    for (int i = 0; i < 3; ++i) {
        drawText(p, QRectF(f.xLeft + 2, f.yTop + i * h10 + 2, 400, h10),
                 Qt::AlignLeft | Qt::AlignTop, headings[i], Qt::white);
    }
    drawText(p, QRectF(f.xLeft + 2, f.yMid + 2, 400, h10), Qt::AlignLeft | Qt::AlignTop,
             QStringLiteral("Phase [deg]"), Qt::white);

    drawMemo(p, memoRect(mWindow, 0), mText.memo1);
    drawMemo(p, memoRect(mWindow, 1), mText.memo2);
}

void BodePlotPainter::drawGrid(QPainter& p, const PlotFrame& f) const {
    const BodeAxes axes = MakeBodeAxes(*mResponse);
    const QFont tickFont = arial(8);
    p.setFont(tickFont);
    const double h = QFontMetricsF(tickFont).height();

    // A label left of the frame, its right end 2 pixels off, centred on its line.
    const auto levelLabel = [&](const BodeGridLine& line) {
        if (line.label.empty()) {
            return;
        }
        p.setPen(Qt::black);
        drawText(p, QRectF(f.xLeft - 2 - 200, line.pos - h / 2, 200, h),
                 Qt::AlignRight | Qt::AlignTop, QString::fromStdString(line.label), mBackground);
    };
    for (const BodeGridLine& line : axes.gain) {
        p.setPen(QPen(kGrid, line.penWidth));
        p.drawLine(f.xLeft, line.pos, f.xRight, line.pos);
        levelLabel(line);
    }
    for (const BodeGridLine& line : axes.phase) {
        p.setPen(QPen(kGrid, 1));
        p.drawLine(f.xLeft, line.pos, f.xRight, line.pos);
        levelLabel(line);
    }

    // Decade labels centred under their line, a third of a text height below the frame.
    // 7 points, not less: the smallest text a printed page can still be read at.
    const QFont smallFont = arial(7);
    const auto decadeLabel = [&](int x, const std::string& text, bool small) {
        p.setPen(Qt::black);
        p.setFont(small ? smallFont : tickFont);
        drawText(p, QRectF(x - 100, f.yBottom + h / 3, 200, h), Qt::AlignHCenter | Qt::AlignTop,
                 QString::fromStdString(text), mBackground);
    };
    for (const BodeGridLine& line : axes.freq) {
        p.setPen(QPen(kGrid, line.penWidth));
        p.drawLine(line.pos, f.yBottom, line.pos, f.yTop);
        if (!line.label.empty()) {
            decadeLabel(line.pos, line.label, line.small);
        }
    }
    decadeLabel(f.xRight, axes.stopLabel, false);
}

void BodePlotPainter::drawCurves(QPainter& p) const {
    const FrequencyResponse& r = *mResponse;
    p.setRenderHint(QPainter::Antialiasing, true);
    const auto pixel = [](double v) {
        return static_cast<int>(std::clamp(v, -kPixelLimit, kPixelLimit));
    };
    // A point whose value is not a number breaks the curve instead of jumping to a border.
    const auto curve = [&](const std::vector<float>& values, float scale, float offset,
                           const QColor& colour) {
        // Round caps and joins would double the time of a repaint for no visible gain.
        p.setPen(QPen(colour, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        QPolygon run;
        const auto flush = [&] {
            if (run.size() > 1) {
                p.drawPolyline(run);
            }
            run.clear();
        };
        const std::size_t n = std::min(values.size(), r.logFreq.size());
        for (std::size_t i = 0; i < n; ++i) {
            const double x = static_cast<double>(r.freqOffset) + r.freqScale * r.logFreq[i];
            const double y = static_cast<double>(offset) + scale * values[i];
            if (std::isnan(x) || std::isnan(y)) {
                flush();
                continue;
            }
            run << QPoint(pixel(x), pixel(y));
        }
        flush();
    };
    curve(r.openGainDb, r.magScale, r.magOffset, kOpenLoop);
    curve(r.openPhaseDeg, r.phaseScale, r.phaseOffset, kOpenLoop);
    curve(r.closedGainDb, r.magScale, r.magOffset, kClosedLoop);
    curve(r.closedPhaseDeg, r.phaseScale, r.phaseOffset, kClosedLoop);
    p.setRenderHint(QPainter::Antialiasing, false);
}

void BodePlotPainter::drawMemo(QPainter& p, const QRect& layoutBox,
                               const std::string& text) const {
    p.setFont(arial(9));
    QString lines = QString::fromStdString(text);
    lines.remove(QLatin1Char('\r'));
    // A low picture (a report page) gives the box the height of its lines where there is room.
    const QRect needed = QFontMetrics(p.font()).boundingRect(
        QRect(0, 0, layoutBox.width(), 10000), Qt::AlignLeft | Qt::AlignTop, lines.trimmed());
    QRect box = layoutBox;
    box.setHeight(std::max(box.height(), std::min(needed.height() + 8,
                                                  pictureSize().height() - 1 - box.top())));
    p.setPen(QColor(160, 160, 160));
    p.setBrush(Qt::white);
    p.drawRect(box.adjusted(0, 0, -1, -1));
    p.setBrush(Qt::NoBrush);
    p.setPen(Qt::black);
    p.save();
    p.setClipRect(box.adjusted(1, 1, -1, -1), Qt::IntersectClip);
    p.drawText(QRectF(box).adjusted(4, 3, -4, -3), Qt::AlignLeft | Qt::AlignTop, lines);
    p.restore();
}

} // namespace loopcraft

namespace loopcraft {

void BodeSheetPainter::paint(QPainter& painter, const QRect& target) const {
    if (target.isEmpty()) {
        return;
    }
    BodePlotPainter sheet;
    const QSize window = BodePlotPainter::windowSizeFor(target.size());
    sheet.setWindowSize(window);
    sheet.setConfigText(mPicture.configText());
    sheet.setBackground(Qt::white);
    // The curves mapped onto this layout's frame; the window's own response keeps its mapping.
    FrequencyResponse mapped;
    if (const FrequencyResponse* shown = mPicture.response(); shown && shown->hasCurves()) {
        mapped = *shown;
        mapped.mapOnto(BodePlotPainter::frameFor(window));
        sheet.setResponse(&mapped);
    }
    sheet.paint(painter, target);
}

} // namespace loopcraft
