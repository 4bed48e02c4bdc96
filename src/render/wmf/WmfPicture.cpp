// Second stage of the metafile player: the checked operations drawn with QPainter. The window
// (origin and extent) maps onto the target rectangle; text stays upright and arcs run
// counter-clockwise as seen on the output, whatever direction the window's axes take.
#include "render/wmf/WmfPicture.h"

#include "render/wmf/WmfProgram.h"

#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <QtMath>
#include <algorithm>
#include <cmath>

namespace loopcraft {

using namespace wmf;

namespace {

constexpr int kOpaque = 2;
constexpr int kWinding = 2;
constexpr int kUpdateCurrentPosition = 1;
constexpr int kEtoOpaque = 0x0002;
constexpr int kEtoClipped = 0x0004;
// Glyphs are laid out at this pixel size and scaled to the font's height, so that metrics stay
// exact for fonts only a few logical units high.
constexpr double kGlyphPixels = 256.0;

struct DcState {
    QPoint windowOrg;
    QPoint windowExt;
    int pen = -1; // object definitions; -1 for the defaults
    int brush = -1;
    int font = -1;
    QRgb textColour = qRgb(0, 0, 0);
    QRgb bkColour = qRgb(255, 255, 255);
    int bkMode = kOpaque;
    int textAlign = 0;
    int polyFillMode = 1;
    QPointF current;
};

Qt::PenStyle penStyle(int style) {
    switch (style & 0x0F) {
    case 1:
        return Qt::DashLine;
    case 2:
        return Qt::DotLine;
    case 3:
        return Qt::DashDotLine;
    case 4:
        return Qt::DashDotDotLine;
    case 5:
        return Qt::NoPen;
    default:
        return Qt::SolidLine;
    }
}

Qt::BrushStyle hatchStyle(int hatch) {
    switch (hatch) {
    case 0:
        return Qt::HorPattern;
    case 1:
        return Qt::VerPattern;
    case 2:
        return Qt::FDiagPattern;
    case 3:
        return Qt::BDiagPattern;
    case 4:
        return Qt::CrossPattern;
    default:
        return Qt::DiagCrossPattern;
    }
}

QFont::StyleHint styleHint(int pitchAndFamily) {
    switch (pitchAndFamily >> 4) {
    case 1:
        return QFont::Serif;
    case 3:
        return QFont::TypeWriter;
    case 4:
        return QFont::Cursive;
    case 5:
        return QFont::Decorative;
    default:
        return QFont::SansSerif;
    }
}

// A font ready to draw: laid out at kGlyphPixels, with its character height in logical units.
struct ReadyFont {
    QFont font;
    double em = 0;
    int escapement = 0;
};

ReadyFont readyFont(const FontDef* def, double deviceScaleY) {
    ReadyFont r;
    r.font.setFamily(def && !def->face.isEmpty() ? def->face : QStringLiteral("Arial"));
    r.font.setStyleHint(styleHint(def ? def->pitchAndFamily : 0x20));
    r.font.setPixelSize(static_cast<int>(kGlyphPixels));
    r.font.setHintingPreference(QFont::PreferNoHinting);
    if (def == nullptr) {
        r.em = 12.0 / std::max(deviceScaleY, 1e-6); // the default font: 12 device pixels
        return r;
    }
    if (def->weight > 0) {
        r.font.setWeight(static_cast<QFont::Weight>(std::clamp(def->weight, 1, 1000)));
    }
    r.font.setItalic(def->italic);
    r.font.setUnderline(def->underline);
    r.font.setStrikeOut(def->strikeOut);
    r.escapement = def->escapement;
    const QFontMetricsF fm(r.font);
    if (def->height < 0) {
        r.em = -def->height;
    } else if (def->height > 0) {
        r.em = def->height * kGlyphPixels / std::max(1.0, fm.ascent() + fm.descent());
    } else {
        r.em = 12.0 / std::max(deviceScaleY, 1e-6);
    }
    if (def->width > 0 && fm.averageCharWidth() > 0) {
        const double wanted = def->width * kGlyphPixels / r.em;
        r.font.setStretch(std::clamp(qRound(100.0 * wanted / fm.averageCharWidth()), 10, 1000));
    }
    return r;
}

class Player {
public:
    Player(const Program& program, QPainter& painter, const QRectF& viewport)
        : mP(program), mPainter(painter), mViewport(viewport), mBase(painter.worldTransform()),
          mSlots(static_cast<std::size_t>(program.objectSlots), -1) {
        mDc.windowOrg = program.frame.topLeft();
        mDc.windowExt =
            QPoint(std::max(1, program.frame.width()), std::max(1, program.frame.height()));
        mStack.reserve(kMaxSaveDepth);
    }

    void run() {
        for (const Op& op : mP.ops) {
            play(op);
        }
    }

private:
    QTransform mapping() const {
        QTransform t;
        t.translate(mViewport.left(), mViewport.top());
        t.scale(mViewport.width() / mDc.windowExt.x(), mViewport.height() / mDc.windowExt.y());
        t.translate(-mDc.windowOrg.x(), -mDc.windowOrg.y());
        return t;
    }
    double scaleX() const { return std::abs(mViewport.width() / mDc.windowExt.x()); }
    double scaleY() const { return std::abs(mViewport.height() / mDc.windowExt.y()); }

    const ObjectDef* object(int def) const {
        return def >= 0 && def < static_cast<int>(mP.objects.size())
                   ? &mP.objects[static_cast<std::size_t>(def)]
                   : nullptr;
    }

    QPen pen(double widthScale) const {
        const ObjectDef* o = object(mDc.pen);
        if (o == nullptr) {
            QPen p(Qt::black, 0);
            p.setCosmetic(true);
            return p;
        }
        const PenDef& d = o->pen;
        QPen p(QColor(d.colour));
        p.setStyle(penStyle(d.style));
        p.setCapStyle((d.style & 0x0F00) == 0x0100   ? Qt::SquareCap
                      : (d.style & 0x0F00) == 0x0200 ? Qt::FlatCap
                                                     : Qt::RoundCap);
        p.setJoinStyle((d.style & 0xF000) == 0x1000   ? Qt::BevelJoin
                       : (d.style & 0xF000) == 0x2000 ? Qt::MiterJoin
                                                      : Qt::RoundJoin);
        if (d.width == 0) {
            p.setWidth(0);
            p.setCosmetic(true);
        } else {
            p.setWidthF(d.width * widthScale);
        }
        return p;
    }

    QBrush brush() const {
        const ObjectDef* o = object(mDc.brush);
        if (o == nullptr) {
            return QBrush(Qt::white);
        }
        const BrushDef& d = o->brush;
        switch (d.style) {
        case 1:
            return Qt::NoBrush;
        case 2:
            return QBrush(QColor(d.colour), hatchStyle(d.hatch));
        default:
            return QBrush(QColor(d.colour));
        }
    }

    // Pen, brush and background for shapes drawn in logical coordinates.
    void logical() {
        mPainter.setWorldTransform(mapping() * mBase);
        mPainter.setPen(pen(1.0));
        mPainter.setBrush(brush());
        mPainter.setBackground(QColor(mDc.bkColour));
        mPainter.setBackgroundMode(mDc.bkMode == kOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    }

    QRectF logicalRect(const Op& op) const {
        return QRectF(QPointF(op.v[0], op.v[1]), QPointF(op.v[2], op.v[3])).normalized();
    }

    void play(const Op& op);
    void arc(const Op& op);
    void text(const TextDef& t);

    const Program& mP;
    QPainter& mPainter;
    QRectF mViewport;
    QTransform mBase;
    DcState mDc;
    std::vector<DcState> mStack;
    std::vector<int> mSlots;
};

void Player::play(const Op& op) {
    const auto count = static_cast<int>(op.count);
    switch (op.code) {
    case OpCode::WindowOrg:
        mDc.windowOrg = QPoint(op.v[0], op.v[1]);
        break;
    case OpCode::WindowExt:
        mDc.windowExt = QPoint(op.v[0], op.v[1]);
        break;
    case OpCode::BkColour:
        mDc.bkColour = static_cast<QRgb>(op.v[0]);
        break;
    case OpCode::BkMode:
        mDc.bkMode = op.v[0];
        break;
    case OpCode::TextColour:
        mDc.textColour = static_cast<QRgb>(op.v[0]);
        break;
    case OpCode::TextAlign:
        mDc.textAlign = op.v[0];
        break;
    case OpCode::PolyFillMode:
        mDc.polyFillMode = op.v[0];
        break;
    case OpCode::SaveDC:
        if (static_cast<int>(mStack.size()) < kMaxSaveDepth) {
            mStack.push_back(mDc);
        }
        break;
    case OpCode::RestoreDC:
        if (const int depth = restoredDepth(static_cast<int>(mStack.size()), op.v[0]); depth >= 0) {
            mDc = mStack[static_cast<std::size_t>(depth)];
            mStack.resize(static_cast<std::size_t>(depth));
        }
        break;
    case OpCode::Create:
        if (op.v[0] < static_cast<int>(mSlots.size())) {
            mSlots[static_cast<std::size_t>(op.v[0])] = static_cast<int>(op.first);
        }
        break;
    case OpCode::Select:
        if (op.v[0] < static_cast<int>(mSlots.size())) {
            const int def = mSlots[static_cast<std::size_t>(op.v[0])];
            if (const ObjectDef* o = object(def)) {
                if (o->kind == ObjectDef::Kind::Pen) {
                    mDc.pen = def;
                } else if (o->kind == ObjectDef::Kind::Brush) {
                    mDc.brush = def;
                } else if (o->kind == ObjectDef::Kind::Font) {
                    mDc.font = def;
                }
            }
        }
        break;
    case OpCode::Delete:
        // What is selected stays in use until something else is selected.
        if (op.v[0] < static_cast<int>(mSlots.size())) {
            mSlots[static_cast<std::size_t>(op.v[0])] = -1;
        }
        break;
    case OpCode::MoveTo:
        mDc.current = QPointF(op.v[0], op.v[1]);
        break;
    case OpCode::LineTo: {
        logical();
        const QPointF to(op.v[0], op.v[1]);
        mPainter.drawLine(mDc.current, to);
        mDc.current = to;
        break;
    }
    case OpCode::Polyline:
        logical();
        mPainter.drawPolyline(mP.points.data() + op.first, count);
        break;
    case OpCode::Polygon:
        logical();
        mPainter.drawPolygon(mP.points.data() + op.first, count,
                             mDc.polyFillMode == kWinding ? Qt::WindingFill : Qt::OddEvenFill);
        break;
    case OpCode::PolyPolygon: {
        QPainterPath path;
        path.setFillRule(mDc.polyFillMode == kWinding ? Qt::WindingFill : Qt::OddEvenFill);
        std::size_t at = static_cast<std::size_t>(op.v[0]);
        for (int i = 0; i < count; ++i) {
            const auto n = static_cast<std::size_t>(mP.polygonSizes[op.first + i]);
            if (n > 0) {
                path.moveTo(mP.points[at]);
                for (std::size_t k = 1; k < n; ++k) {
                    path.lineTo(mP.points[at + k]);
                }
                path.closeSubpath();
            }
            at += n;
        }
        logical();
        mPainter.drawPath(path);
        break;
    }
    case OpCode::Rectangle:
        logical();
        mPainter.drawRect(logicalRect(op));
        break;
    case OpCode::RoundRect:
        logical();
        mPainter.drawRoundedRect(logicalRect(op), std::abs(op.v[4]) / 2.0, std::abs(op.v[5]) / 2.0);
        break;
    case OpCode::Ellipse:
        logical();
        mPainter.drawEllipse(logicalRect(op));
        break;
    case OpCode::Arc:
    case OpCode::Chord:
    case OpCode::Pie:
        arc(op);
        break;
    case OpCode::Text:
        text(mP.texts[op.first]);
        break;
    }
}

void Player::arc(const Op& op) {
    // Worked out on the output, where the direction is counter-clockwise; the angles are those
    // of the rays through the start and end points.
    const QTransform m = mapping();
    const QRectF r = m.mapRect(logicalRect(op));
    const double rx = r.width() / 2, ry = r.height() / 2;
    if (rx <= 0 || ry <= 0) {
        return;
    }
    const QPointF c = r.center();
    auto angle = [&](QPointF p) {
        const QPointF d = m.map(p) - c;
        return qRadiansToDegrees(std::atan2(-d.y() / ry, d.x() / rx));
    };
    const double start = angle(QPointF(op.v[4], op.v[5]));
    double span = angle(QPointF(op.v[6], op.v[7])) - start;
    if (span <= 0) {
        span += 360;
    }
    QPainterPath path;
    if (op.code == OpCode::Pie) {
        path.moveTo(c);
    } else {
        path.arcMoveTo(r, start);
    }
    path.arcTo(r, start, span);
    if (op.code != OpCode::Arc) {
        path.closeSubpath();
    }
    mPainter.setWorldTransform(mBase);
    mPainter.setPen(pen(std::sqrt(scaleX() * scaleY())));
    mPainter.setBrush(op.code == OpCode::Arc ? QBrush(Qt::NoBrush) : brush());
    mPainter.setBackground(QColor(mDc.bkColour));
    mPainter.setBackgroundMode(mDc.bkMode == kOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
    mPainter.drawPath(path);
}

void Player::text(const TextDef& t) {
    if (t.text.isEmpty() && !(t.options & kEtoOpaque)) {
        return;
    }
    const QTransform m = mapping();
    mPainter.save();
    if (t.rect && (t.options & (kEtoOpaque | kEtoClipped))) {
        mPainter.setWorldTransform(m * mBase);
        if (t.options & kEtoOpaque) {
            mPainter.fillRect(QRectF(*t.rect), QColor(mDc.bkColour));
        }
        if (t.options & kEtoClipped) {
            mPainter.setClipRect(QRectF(*t.rect), Qt::IntersectClip);
        }
    }
    const ObjectDef* o = object(mDc.font);
    const ReadyFont f = readyFont(o ? &o->font : nullptr, scaleY());
    const QFontMetricsF fm(f.font);
    const double glyphsPerUnit = kGlyphPixels / f.em;

    double width = 0;
    if (t.advances.empty()) {
        width = fm.horizontalAdvance(t.text);
    } else {
        for (const int a : t.advances) {
            width += a * glyphsPerUnit;
        }
    }
    const int align = mDc.textAlign;
    const double x0 = (align & 6) == 6 ? -width / 2 : (align & 6) == 2 ? -width : 0.0;
    const double y0 = (align & 24) == 24 ? 0.0 : (align & 8) ? -fm.descent() : fm.ascent();

    const bool fromCurrent = align & kUpdateCurrentPosition;
    const QPointF anchor = m.map(fromCurrent ? mDc.current : QPointF(t.at));
    QTransform glyphs;
    glyphs.translate(anchor.x(), anchor.y());
    glyphs.rotate(-f.escapement / 10.0);
    glyphs.scale(scaleX() / glyphsPerUnit, scaleY() / glyphsPerUnit);
    mPainter.setWorldTransform(glyphs * mBase);
    if (mDc.bkMode == kOpaque && !(t.options & kEtoOpaque)) {
        mPainter.fillRect(QRectF(x0, y0 - fm.ascent(), width, fm.ascent() + fm.descent()),
                          QColor(mDc.bkColour));
    }
    mPainter.setFont(f.font);
    mPainter.setPen(QColor(mDc.textColour));
    if (t.advances.empty()) {
        mPainter.drawText(QPointF(x0, y0), t.text);
    } else {
        double x = x0;
        for (qsizetype i = 0; i < t.text.size(); ++i) {
            mPainter.drawText(QPointF(x, y0), QString(t.text[i]));
            x += t.advances[static_cast<std::size_t>(i)] * glyphsPerUnit;
        }
    }
    mPainter.restore();
    if (fromCurrent) {
        const double direction = mDc.windowExt.x() < 0 ? -1.0 : 1.0;
        mDc.current.rx() += direction * width / glyphsPerUnit;
    }
}

} // namespace

WmfPicture::WmfPicture() = default;

std::optional<WmfPicture> WmfPicture::fromBytes(QByteArrayView data, QString* error) {
    QString why;
    auto program = decodeMetafile(data, why);
    if (!program) {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    }
    WmfPicture picture;
    picture.mProgram = std::make_shared<const Program>(std::move(*program));
    return picture;
}

std::optional<WmfPicture> WmfPicture::fromFile(const QString& path, QString* error) {
    QFile file(path);
    auto failed = [error](const QString& why) {
        if (error != nullptr) {
            *error = why;
        }
        return std::nullopt;
    };
    // A folder, pipe or device is never a drawing; opening a pipe would wait for a writer.
    if (const QFileInfo info(path); info.exists() && !info.isFile()) {
        return failed(QStringLiteral("It is not a regular file."));
    }
    if (!file.open(QIODevice::ReadOnly)) {
        return failed(file.errorString());
    }
    if (file.size() > kMaxFileBytes) {
        return failed(QStringLiteral("The file is larger than 16 MiB."));
    }
    const QByteArray bytes = file.read(kMaxFileBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        return failed(file.errorString());
    }
    return fromBytes(bytes, error);
}

bool WmfPicture::isEmpty() const {
    return !mProgram || mProgram->ops.empty();
}

QRectF WmfPicture::frame() const {
    return mProgram ? QRectF(mProgram->frame) : QRectF();
}

QSizeF WmfPicture::sizeAt(double dpi) const {
    if (!mProgram) {
        return {};
    }
    const double unitsPerInch = mProgram->unitsPerInch > 0 ? mProgram->unitsPerInch : 96.0;
    return QSizeF(mProgram->frame.width(), mProgram->frame.height()) * (dpi / unitsPerInch);
}

void WmfPicture::paint(QPainter& painter, const QRectF& target, Qt::AspectRatioMode mode) const {
    if (isEmpty() || target.isEmpty()) {
        return;
    }
    const QSizeF size =
        QSizeF(mProgram->frame.width(), mProgram->frame.height()).scaled(target.size(), mode);
    const QRectF viewport(target.center() - QPointF(size.width() / 2, size.height() / 2), size);
    painter.save();
    painter.setClipRect(target, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    Player(*mProgram, painter, viewport).run();
    painter.restore();
}

void WmfPicture::paint(QPainter& painter, const QRect& target) const {
    paint(painter, QRectF(target), Qt::KeepAspectRatio);
}

QStringList WmfPicture::texts() const {
    QStringList out;
    if (mProgram) {
        for (const auto& t : mProgram->texts) {
            out << t.text;
        }
    }
    return out;
}

} // namespace loopcraft
