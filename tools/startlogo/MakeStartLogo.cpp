// Draws the start logo: the loop's block diagram (detector, filter, oscillator, divider) over a
// dark background with the program's name. Run with the output path as its only argument; it
// needs no display (offscreen platform). The file type follows the name: .bmp for the program,
// .png for a quick look.
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QtMath>
#include <cstdio>

namespace {

constexpr int kWidth = 800;
constexpr int kHeight = 500;

void block(QPainter& p, const QRectF& r, const QString& text) {
    p.setPen(QPen(QColor(230, 240, 255), 3));
    p.setBrush(QColor(40, 70, 120));
    p.drawRoundedRect(r, 8, 8);
    p.setFont(QFont("DejaVu Sans", 20, QFont::Bold));
    p.drawText(r, Qt::AlignCenter, text);
}

void arrow(QPainter& p, QPointF from, QPointF to) {
    p.setPen(QPen(QColor(255, 200, 80), 3));
    p.drawLine(from, to);
    const QPointF d = to - from;
    const qreal len = std::hypot(d.x(), d.y());
    if (len <= 0)
        return;
    const QPointF u = d / len;
    const QPointF n(-u.y(), u.x());
    QPolygonF head{to, to - 14 * u + 7 * n, to - 14 * u - 7 * n};
    p.setBrush(QColor(255, 200, 80));
    p.drawPolygon(head);
}

void wave(QPainter& p, QRectF r, qreal cycles, QColor colour, bool square) {
    QPainterPath path;
    for (int i = 0; i <= 200; ++i) {
        const qreal t = i / 200.0;
        qreal v = qSin(t * cycles * 2 * M_PI);
        if (square)
            v = v >= 0 ? 1 : -1;
        const QPointF pt(r.left() + t * r.width(), r.center().y() - v * r.height() / 2);
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    p.setPen(QPen(colour, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_start_logo OUTPUT.bmp\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QImage image(kWidth, kHeight, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient bg(0, 0, 0, kHeight);
    bg.setColorAt(0, QColor(10, 25, 55));
    bg.setColorAt(1, QColor(25, 60, 100));
    p.fillRect(image.rect(), bg);

    // The loop: reference in, detector, filter, oscillator, output; the divider feeds back.
    const QRectF pd(150, 250, 120, 70), lf(340, 250, 120, 70), vco(530, 250, 120, 70);
    const QRectF div(340, 375, 120, 60);
    block(p, pd, "PD");
    block(p, lf, "LF");
    block(p, vco, "VCO");
    block(p, div, QStringLiteral("\u00F7N"));
    arrow(p, {40, 285}, {pd.left(), 285});
    arrow(p, {pd.right(), 285}, {lf.left(), 285});
    arrow(p, {lf.right(), 285}, {vco.left(), 285});
    arrow(p, {vco.right(), 285}, {770, 285});
    p.setPen(QPen(QColor(255, 200, 80), 3));
    p.drawPolyline(QPolygonF{{710, 285}, {710, 405}, {div.right(), 405}});
    arrow(p, {710, 404}, {div.right(), 405});
    p.drawPolyline(QPolygonF{{div.left(), 405}, {210, 405}});
    arrow(p, {210, 405}, {210, pd.bottom()});

    wave(p, QRectF(40, 225, 90, 40), 2, QColor(120, 220, 255), true);
    wave(p, QRectF(670, 225, 100, 40), 3, QColor(150, 255, 150), false);

    p.setPen(QColor(255, 255, 255));
    p.setFont(QFont("DejaVu Sans", 54, QFont::Bold));
    p.drawText(QRectF(0, 40, kWidth, 100), Qt::AlignCenter, "Loopcraft");
    p.setPen(QColor(180, 210, 255));
    p.setFont(QFont("DejaVu Sans", 18));
    p.drawText(QRectF(0, 135, kWidth, 40), Qt::AlignCenter,
               "phase-locked loop design and simulation");
    p.end();

    if (!image.save(QString::fromLocal8Bit(argv[1]))) {
        std::fprintf(stderr, "make_start_logo: could not write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
