// The small drawing vocabulary the windows and print-outs share: colours as the parameter set
// stores them (0x00BBGGRR), fonts built from the display options, and pictures stretched into a
// rectangle.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <string>

class QPainter;

namespace loopcraft {

class ParameterSet;

QColor colorFromBgr(std::uint32_t bgr);
std::uint32_t bgrFromColor(const QColor& color);

// A font from its persisted fields: face, size in points, and the four style flags
// (bold, italic, underline, strike-out; 1 sets the style).
QFont fontFromOptions(const std::string& name, int pointSize, const std::array<int, 4>& style);
// The persisted fields of a font; the name is cut to `maxNameChars`.
void fontToOptions(const QFont& font, std::string& name, int& pointSize, std::array<int, 4>& style,
                   std::size_t maxNameChars);

// The two live font objects of the display options. Drawing uses these; the parameter set holds
// their persisted copy, written from them when the program ends.
struct DisplayFonts {
    QFont AxisFont;
    QFont PrinterFont;
};
DisplayFonts fontsFromOptions(const ParameterSet& params);
void storeFontOptions(const DisplayFonts& fonts, ParameterSet& params);

// Loads a picture file; a null image when it cannot be read as one.
QImage loadBitmap(const QString& file);

// Loads a bitmap and draws it scaled into `target`. False (and nothing drawn) when the file
// cannot be loaded as a picture.
bool stretchDrawPicture(QPainter& painter, const QRect& target, const QString& file);

} // namespace loopcraft
