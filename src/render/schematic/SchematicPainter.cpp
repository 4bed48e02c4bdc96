// The schematic picture and its print-out.
#include "render/schematic/SchematicPainter.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace loopcraft {

namespace {

constexpr int kRowHeight = 24;
constexpr int kGroupTitleHeight = 24;
constexpr int kGroupGap = 14;

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

// A frame with its title set into the top edge, as the window's group boxes look.
void paintGroupFrame(QPainter& painter, const QRect& frame, const QString& title) {
    painter.save();
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::NoBrush);
    const QFont font = SchematicPainter::captionFont();
    const QFontMetrics metrics(font);
    const int mid = frame.top() + metrics.height() / 2;
    painter.drawRect(QRect(frame.left(), mid, frame.width(), frame.bottom() - mid));
    const QRect titleBox(frame.left() + 10, frame.top(), metrics.horizontalAdvance(title) + 8,
                         metrics.height());
    painter.fillRect(titleBox, Qt::white);
    painter.setFont(font);
    painter.drawText(titleBox, Qt::AlignCenter, title);
    painter.restore();
}

// The rows of one section inside its frame: caption, then the value in a sunken field.
int paintSection(QPainter& painter, const QString& title, const std::vector<SchematicRow>& rows,
                 int section, const QRect& column) {
    std::vector<const SchematicRow*> mine;
    for (const SchematicRow& r : rows) {
        if (r.section == section) {
            mine.push_back(&r);
        }
    }
    if (mine.empty()) {
        return column.top();
    }
    const int height = kGroupTitleHeight + static_cast<int>(mine.size()) * kRowHeight + 8;
    paintGroupFrame(painter, QRect(column.left(), column.top(), column.width(), height), title);
    painter.save();
    int y = column.top() + kGroupTitleHeight;
    const int captionX = column.left() + column.width() / 20;
    const int valueX = column.left() + column.width() * 7 / 20;
    const int valueW = column.right() - 8 - valueX;
    for (const SchematicRow* r : mine) {
        painter.setFont(SchematicPainter::captionFont());
        painter.setPen(Qt::black);
        painter.drawText(QRect(captionX, y, valueX - captionX, kRowHeight - 4),
                         Qt::AlignLeft | Qt::AlignVCenter, qs(r->caption));
        const QRect field(valueX, y, valueW, kRowHeight - 4);
        painter.setPen(QPen(QColor(128, 128, 128), 1));
        painter.drawRect(field);
        painter.setPen(Qt::black);
        painter.setFont(SchematicPainter::valueFont());
        painter.drawText(field.adjusted(4, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         qs(r->value).trimmed());
        y += kRowHeight;
    }
    painter.restore();
    return column.top() + height + kGroupGap;
}

} // namespace

QFont SchematicPainter::titleFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial Black"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setWeight(QFont::Black);
    font.setPointSize(12);
    return layoutFont(font);
}

QFont SchematicPainter::captionFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Arial"), QStringLiteral("Liberation Sans"),
                      QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setBold(true);
    font.setPixelSize(13);
    return font;
}

QFont SchematicPainter::valueFont() {
    QFont font = captionFont();
    font.setBold(false);
    return font;
}

void SchematicPainter::setContent(const SchematicSession& session) {
    mShown = session.shown();
    mTitle = qs(session.layout().title);
    mRows = session.rows();
    mFigures.clear();
    if (session.check().designed || session.check().rounded) {
        mFigures = partsFigureRows(session.check());
    }
}

void SchematicPainter::paintDrawing(QPainter& painter, const QRect& pictureRect) const {
    if (!mShown) {
        return;
    }
    if (!mDrawing.isEmpty() && !pictureRect.isEmpty()) {
        // Bottom-aligned, so the title always sits right under the circuit.
        const QSizeF size =
            mDrawing.frame().size().scaled(QSizeF(pictureRect.size()), Qt::KeepAspectRatio);
        const QRectF placed(pictureRect.left() + (pictureRect.width() - size.width()) / 2.0,
                            pictureRect.top() + pictureRect.height() - size.height(), size.width(),
                            size.height());
        mDrawing.paint(painter, placed, Qt::IgnoreAspectRatio);
    }
    painter.save();
    painter.setFont(titleFont());
    painter.setPen(Qt::black);
    const QFontMetrics metrics(painter.font());
    const int top = pictureRect.top() + pictureRect.height() + 2;
    painter.drawText(
        QRect(pictureRect.left(), top, metrics.horizontalAdvance(mTitle) + 4, metrics.height()),
        Qt::AlignLeft | Qt::AlignTop, mTitle);
    painter.restore();
}

void SchematicPainter::paintFigures(QPainter& painter, const QRect& rect,
                                    const QString& heading) const {
    if (mFigures.empty() || rect.isEmpty()) {
        return;
    }
    const int lines = static_cast<int>(mFigures.size()) + 1;
    const int lineHeight = rect.height() / lines;
    QFont caption = captionFont();
    QFont value = valueFont();
    // Each column as wide as its widest text; the font a little smaller where the three do not
    // fit side by side (an unstable loop's margins are long), never below 7 pixels.
    const QString designed = QString::fromLatin1(kDesignedColumn);
    const QString rounded = QString::fromLatin1(kRoundedColumn);
    int pixels = std::clamp(lineHeight * 4 / 5, 1, 13);
    int nameW = 0;
    int designedW = 0;
    int roundedW = 0;
    int gap = 0;
    for (;; --pixels) {
        caption.setPixelSize(pixels);
        value.setPixelSize(pixels);
        const QFontMetrics c(caption);
        const QFontMetrics v(value);
        nameW = c.horizontalAdvance(heading);
        designedW = c.horizontalAdvance(designed);
        roundedW = c.horizontalAdvance(rounded);
        for (const PartsFigureRow& row : mFigures) {
            nameW = std::max(nameW, c.horizontalAdvance(qs(row.name)));
            designedW = std::max(designedW, v.horizontalAdvance(qs(row.designed)));
            roundedW = std::max(roundedW, v.horizontalAdvance(qs(row.rounded)));
        }
        gap = pixels;
        if (nameW + designedW + roundedW + 2 * gap <= rect.width() || pixels <= 7) {
            break;
        }
    }
    // What is left over widens the two gaps alike, up to a few letters, so that a wide window
    // keeps the three columns together.
    const int spare =
        std::clamp((rect.width() - (nameW + designedW + roundedW + 2 * gap)) / 2, 0, 3 * pixels);
    const int x[] = {rect.left(), rect.left() + nameW + gap + spare,
                     rect.left() + nameW + designedW + 2 * (gap + spare)};
    const int w[] = {nameW + gap, designedW + gap, rect.right() + 1 - x[2]};
    auto cell = [&](int line, int column) {
        return QRect(x[column], rect.top() + line * lineHeight, w[column], lineHeight);
    };
    painter.save();
    painter.setPen(Qt::black);
    painter.setFont(caption);
    painter.drawText(cell(0, 0), Qt::AlignLeft | Qt::AlignVCenter, heading);
    painter.drawText(cell(0, 1), Qt::AlignLeft | Qt::AlignVCenter, designed);
    painter.drawText(cell(0, 2), Qt::AlignLeft | Qt::AlignVCenter, rounded);
    for (std::size_t i = 0; i < mFigures.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        painter.setFont(caption);
        painter.drawText(cell(line, 0), Qt::AlignLeft | Qt::AlignVCenter, qs(mFigures[i].name));
        painter.setFont(value);
        painter.drawText(cell(line, 1), Qt::AlignLeft | Qt::AlignVCenter, qs(mFigures[i].designed));
        painter.drawText(cell(line, 2), Qt::AlignLeft | Qt::AlignVCenter, qs(mFigures[i].rounded));
    }
    painter.restore();
}

QSize SchematicPainter::sheetSizeFor(const QSizeF& area) {
    if (area.isEmpty()) {
        return kSchematicSheetSize;
    }
    const bool portrait = area.height() > area.width();
    const int width = portrait ? kPortraitSheetSize.width() : kSchematicSheetSize.width();
    return QSize(width, std::max(1, static_cast<int>(width * area.height() / area.width())));
}

int SchematicPainter::paintParts(QPainter& painter, const QRect& column) const {
    int y = paintSection(painter, QStringLiteral("Section 1"), mRows, 1, column);
    y = paintSection(painter, QStringLiteral("Section 2"), mRows, 2,
                     column.adjusted(0, y - column.top(), 0, 0));
    if (!mFigures.empty()) {
        const int lines = static_cast<int>(mFigures.size()) + 1;
        const QRect frame(column.left(), y, column.width(),
                          kGroupTitleHeight + lines * kRowHeight + 8);
        paintGroupFrame(painter, frame, QStringLiteral("Loop with these parts"));
        paintFigures(painter,
                     QRect(frame.left() + column.width() / 20, y + kGroupTitleHeight,
                           frame.width() - column.width() / 10, lines * kRowHeight),
                     QString());
        y = frame.bottom() + kGroupGap;
    }
    return y;
}

void SchematicPainter::paint(QPainter& painter, const QRect& target) const {
    if (target.isEmpty()) {
        return;
    }
    painter.save();
    painter.fillRect(target, Qt::white);
    if (!mShown) {
        painter.restore();
        return;
    }
    // Laid out at a nominal size, scaled as a whole so text and lines keep proportion. A wide
    // target has the parts beside the drawing, as the window does; a tall one (a portrait page)
    // has them under it, so the page is used rather than a strip at its top.
    const bool portrait = target.height() > target.width();
    const QSize nominal = portrait ? kPortraitSheetSize : kSchematicSheetSize;
    const double scale = std::min(target.width() / double(nominal.width()),
                                  target.height() / double(nominal.height()));
    painter.translate(target.topLeft());
    painter.scale(scale, scale);
    const int w = static_cast<int>(target.width() / scale);
    const int h = static_cast<int>(target.height() / scale);

    // The drawing at the top left, no taller than its proportions ask, with the title under it.
    const int titleHeight = QFontMetrics(titleFont()).height() + 2;
    const int margin = std::min(w, h) / 25;
    const int pictureWidth = portrait ? w - 2 * margin : w * 23 / 40;
    int pictureHeight = portrait ? h * 9 / 20 : h - 2 * margin - titleHeight;
    if (const QSizeF frame = mDrawing.frame().size(); !frame.isEmpty()) {
        pictureHeight = std::min(pictureHeight,
                                 static_cast<int>(pictureWidth * frame.height() / frame.width()));
    }
    const QRect picture(margin, margin, pictureWidth, pictureHeight);
    paintDrawing(painter, picture);

    if (portrait) {
        const int top = picture.bottom() + titleHeight + 2 * margin;
        paintParts(painter, QRect(margin, top, (w - 2 * margin) * 3 / 5, h - top));
    } else {
        paintParts(painter, QRect(w * 25 / 40, margin, w * 14 / 40, h - margin));
    }
    painter.restore();
}

std::optional<WmfPicture> loadSchematicDrawing(const QString& name, const QString& path,
                                               Message* error) {
    QString why;
    auto picture = WmfPicture::fromFile(path, &why);
    if (!picture && error != nullptr) {
        *error =
            Message{"Schematic",
                    QStringLiteral("Cannot load the drawing %1: %2").arg(name, why).toStdString(),
                    std::nullopt, false, false};
    }
    return picture;
}

} // namespace loopcraft
