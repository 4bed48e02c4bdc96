// Drawing of the phase-noise picture.
#include "render/noise/PhaseNoisePlotPainter.h"

#include "core/noise/NoisePlotAxes.h"
#include "core/sim/ColumnReducer.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

namespace loopcraft {

namespace {

QFont font(double points, bool bold = false) {
    QFont f(QStringLiteral("Arial"));
    f.setPointSizeF(points);
    f.setBold(bold);
    return layoutFont(f);
}

const QColor kGrid(200, 200, 200);
const QColor kBand(255, 236, 170, 140);

// A curve as device points, thinned per pixel column and clipped to a band around the frame.
QPolygonF curvePoints(const std::vector<double>& offsets, const std::vector<double>& dbc,
                      const NoisePlotAxes& axes, const QRectF& frame) {
    std::vector<CurvePoint> kept;
    ColumnReducer reducer(kept);
    const std::size_t n = std::min(offsets.size(), dbc.size());
    for (std::size_t i = 0; i < n; ++i) {
        const double x = frame.left() + axes.xOf(offsets[i]) * frame.width();
        // Below the range the curve runs along just under the frame's bottom and is clipped.
        const double y = frame.top() + std::min(axes.yOf(dbc[i]), 1.02) * frame.height();
        reducer.add({static_cast<float>(x), static_cast<float>(y)});
    }
    reducer.finish();
    QPolygonF poly;
    poly.reserve(static_cast<int>(kept.size()));
    for (const CurvePoint& p : kept)
        poly << QPointF(p.x, p.y);
    return poly;
}

} // namespace

QColor PhaseNoisePlotPainter::colourOf(const NoiseContribution& c) {
    switch (c.source) {
    case NoiseSource::Reference:
        return QColor(30, 90, 220);
    case NoiseSource::Detector:
        return QColor(230, 120, 0);
    case NoiseSource::Divider:
        return QColor(150, 60, 190);
    case NoiseSource::Resistors:
        return QColor(20, 150, 60);
    case NoiseSource::Resistor:
        return QColor(110, 200, 130);
    case NoiseSource::OpAmp:
        return QColor(140, 90, 40);
    case NoiseSource::Oscillator:
        return QColor(210, 30, 40);
    }
    return Qt::gray;
}

void PhaseNoisePlotPainter::paint(QPainter& p, const QRect& target) const {
    if (target.isEmpty())
        return;
    p.save();
    p.setClipRect(target);
    p.fillRect(target, mBackground);
    const QFont tickFont = font(8);
    const QFont titleFont = font(10, true);
    const QFont figureFont = font(9);
    const double th = QFontMetricsF(tickFont).height();
    const double fh = QFontMetricsF(figureFont).height();
    const double titleH = QFontMetricsF(titleFont).height();

    const double W = target.width();
    const QRectF area(target);
    const double left =
        area.left() +
        std::max(48.0, QFontMetricsF(tickFont).horizontalAdvance(QStringLiteral("-200")) + 28.0);
    const double right = area.right() - std::max(12.0, 0.02 * W);
    const double top = area.top() + titleH * 1.6;
    const double bottom = area.bottom() - th * 2.6 - fh * 3.4;
    const QRectF frame(QPointF(left, top), QPointF(right, std::max(top + 20, bottom)));

    p.setPen(Qt::black);
    p.setFont(titleFont);
    p.drawText(QRectF(area.left(), area.top() + titleH * 0.2, W, titleH), Qt::AlignHCenter,
               QStringLiteral("Phase noise at the oscillator output"));

    const PhaseNoiseResult* r = mResult;
    const NoisePlotAxes axes = r ? makeNoisePlotAxes(*r) : makeNoisePlotAxes();

    // The integration band, under everything else.
    if (r) {
        const double x1 =
            frame.left() + std::clamp(axes.xOf(r->figures.from), 0.0, 1.0) * frame.width();
        const double x2 =
            frame.left() + std::clamp(axes.xOf(r->figures.to), 0.0, 1.0) * frame.width();
        p.fillRect(QRectF(QPointF(x1, frame.top()), QPointF(x2, frame.bottom())), kBand);
    }

    // Grid: decades with their 2..9 lines, levels every step.
    p.setFont(tickFont);
    for (std::size_t d = 0; d < axes.decades.size(); ++d) {
        const double f = axes.decades[d];
        const double x = frame.left() + axes.xOf(f) * frame.width();
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(x, frame.top()), QPointF(x, frame.bottom()));
        if (d + 1 < axes.decades.size()) {
            p.setPen(QPen(kGrid, 0.5, Qt::DotLine));
            for (int k = 2; k <= 9; ++k) {
                const double xs = frame.left() + axes.xOf(f * k) * frame.width();
                p.drawLine(QPointF(xs, frame.top()), QPointF(xs, frame.bottom()));
            }
        }
        p.setPen(Qt::black);
        p.drawText(QRectF(x - 40, frame.bottom() + th * 0.3, 80, th), Qt::AlignHCenter,
                   QString::fromStdString(decadeLabel(f)));
    }
    for (const double level : axes.dbTicks) {
        const double y = frame.top() + axes.yOf(level) * frame.height();
        p.setPen(QPen(kGrid, 1));
        p.drawLine(QPointF(frame.left(), y), QPointF(frame.right(), y));
        p.setPen(Qt::black);
        p.drawText(QRectF(frame.left() - 64, y - th / 2, 60, th), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(level, 'f', 0));
    }
    p.setPen(Qt::black);
    p.drawText(QRectF(frame.left(), frame.bottom() + th * 1.3, frame.width(), th), Qt::AlignHCenter,
               QStringLiteral("offset from the carrier [Hz]"));
    p.save();
    p.translate(area.left() + th * 0.2, frame.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-frame.height() / 2, 0, frame.height(), th), Qt::AlignHCenter,
               QStringLiteral("L(f) [dBc/Hz]"));
    p.restore();

    if (!r) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::NoBrush);
        p.drawRect(frame);
        p.setFont(figureFont);
        p.drawText(frame.adjusted(10, 10, -10, -10), Qt::AlignCenter | Qt::TextWordWrap, mMessage);
        p.restore();
        return;
    }

    // Curves: the total bold underneath, so that a source running along it stays visible;
    // single resistors thin and dotted, the sources solid.
    p.save();
    p.setClipRect(frame.adjusted(0, 0, 1, 1));
    p.setRenderHint(QPainter::Antialiasing, true);
    const double lineW = std::max(1.0, W / 700.0);
    p.setPen(QPen(Qt::black, lineW * 3.5, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPolyline(curvePoints(r->offsets, r->total, axes, frame));
    for (const NoiseContribution& c : r->contributions) {
        if (c.source == NoiseSource::Resistor && !mShowResistors)
            continue;
        const bool single = c.source == NoiseSource::Resistor;
        p.setPen(QPen(colourOf(c), single ? lineW * 0.8 : lineW * 1.3,
                      single ? Qt::DotLine : Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        p.drawPolyline(curvePoints(r->offsets, c.dbc, axes, frame));
    }
    p.restore();
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::NoBrush);
    p.drawRect(frame);

    // Legend in the upper right corner, on white.
    struct Entry {
        QString text;
        QColor colour;
        double width;
        Qt::PenStyle style;
    };
    std::vector<Entry> entries;
    entries.push_back({QStringLiteral("total"), Qt::black, 3, Qt::SolidLine});
    for (const NoiseContribution& c : r->contributions) {
        if (c.source == NoiseSource::Resistor && !mShowResistors)
            continue;
        const bool single = c.source == NoiseSource::Resistor;
        entries.push_back({QString::fromStdString(contributionLabel(c)), colourOf(c),
                           single ? 1.0 : 1.5, single ? Qt::DotLine : Qt::SolidLine});
    }
    p.setFont(tickFont);
    double textW = 0;
    for (const Entry& e : entries)
        textW = std::max(textW, QFontMetricsF(tickFont).horizontalAdvance(e.text));
    const double sample = 3 * th;
    const QRectF box(frame.right() - textW - sample - 18, frame.top() + 6, textW + sample + 12,
                     th * static_cast<double>(entries.size()) + 6);
    p.setPen(QPen(QColor(160, 160, 160), 1));
    p.setBrush(Qt::white);
    p.drawRect(box);
    p.setBrush(Qt::NoBrush);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const Entry& e = entries[i];
        const double y = box.top() + 3 + th * (static_cast<double>(i) + 0.5);
        p.setPen(QPen(e.colour, e.width * lineW, e.style, Qt::FlatCap));
        p.drawLine(QPointF(box.left() + 4, y), QPointF(box.left() + 4 + sample, y));
        p.setPen(Qt::black);
        p.drawText(QRectF(box.left() + 8 + sample, y - th / 2, textW + 4, th),
                   Qt::AlignLeft | Qt::AlignVCenter, e.text);
    }

    // Figures in two columns under the axis title, and the note beneath.
    p.setFont(figureFont);
    p.setPen(Qt::black);
    const std::vector<std::string> lines = noiseFigureLines(r->figures);
    const double y0 = frame.bottom() + th * 2.6;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const double x = frame.left() + (i % 2 == 0 ? 0.0 : frame.width() / 2);
        const double y = y0 + fh * static_cast<double>(i / 2);
        p.drawText(QRectF(x, y, frame.width() / 2, fh), Qt::AlignLeft | Qt::AlignTop,
                   QString::fromStdString(lines[i]));
    }
    if (!r->note.empty()) {
        p.drawText(QRectF(frame.left(), y0 + fh * 2, frame.width(), fh),
                   Qt::AlignLeft | Qt::AlignTop, QString::fromStdString("Note: " + r->note));
    }
    p.restore();
}

} // namespace loopcraft
