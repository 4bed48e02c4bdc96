#include "render/base/DrawingSurface.h"

#include "core/base/ParameterSet.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <algorithm>

namespace loopcraft {

QColor colorFromBgr(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

std::uint32_t bgrFromColor(const QColor& color) {
    const QColor rgb = color.toRgb();
    return static_cast<std::uint32_t>(rgb.red()) | (static_cast<std::uint32_t>(rgb.green()) << 8) |
           (static_cast<std::uint32_t>(rgb.blue()) << 16);
}

QFont fontFromOptions(const std::string& name, int pointSize, const std::array<int, 4>& style) {
    QFont font(QString::fromStdString(name));
    // A hand-edited file may hold 0 or a negative size; Qt would ignore it with a warning.
    if (pointSize > 0) {
        font.setPointSize(pointSize);
    }
    font.setBold(style[0] != 0);
    font.setItalic(style[1] != 0);
    font.setUnderline(style[2] != 0);
    font.setStrikeOut(style[3] != 0);
    return font;
}

void fontToOptions(const QFont& font, std::string& name, int& pointSize, std::array<int, 4>& style,
                   std::size_t maxNameChars) {
    name = font.family().toStdString().substr(0, maxNameChars);
    pointSize = font.pointSize() > 0 ? font.pointSize() : pointSize;
    style = {font.bold() ? 1 : 0, font.italic() ? 1 : 0, font.underline() ? 1 : 0,
             font.strikeOut() ? 1 : 0};
}

DisplayFonts fontsFromOptions(const ParameterSet& p) {
    return {fontFromOptions(p.AxisFontName, p.AxisFontSize, p.AxisFontStyle),
            fontFromOptions(p.PrinterFontName, p.PrinterFontSize, p.PrinterFontStyle)};
}

void storeFontOptions(const DisplayFonts& fonts, ParameterSet& p) {
    fontToOptions(fonts.AxisFont, p.AxisFontName, p.AxisFontSize, p.AxisFontStyle,
                  kMaxFontNameChars);
    fontToOptions(fonts.PrinterFont, p.PrinterFontName, p.PrinterFontSize, p.PrinterFontStyle,
                  kMaxFontNameChars);
}

QImage loadBitmap(const QString& file) {
    // Only a regular file: reading a FIFO would wait for a writer forever.
    if (!QFileInfo(file).isFile()) {
        return {};
    }
    QImageReader reader(file);
    // A corrupt or hostile file must not make us allocate gigabytes for one logo.
    const QSize size = reader.size();
    if (size.isValid() && static_cast<qint64>(size.width()) * size.height() > 64LL * 1024 * 1024) {
        return {};
    }
    return reader.read();
}

bool stretchDrawPicture(QPainter& painter, const QRect& target, const QString& file) {
    const QImage image = loadBitmap(file);
    if (image.isNull()) {
        return false;
    }
    painter.drawImage(target, image);
    return true;
}

} // namespace loopcraft
