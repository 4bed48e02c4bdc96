// The small drawing vocabulary the windows and print-outs share: colours as the parameter set
// stores them (0x00BBGGRR), fonts built from the display options, pictures stretched into a
// rectangle, and a window's drawing scaled onto a printer page.
#pragma once

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QPainter;
class QPagedPaintDevice;

namespace loopcraft {

QColor colorFromBgr(std::uint32_t bgr);
std::uint32_t bgrFromColor(const QColor& color);

// A font from its persisted fields: face, size in points, and the four style flags
// (bold, italic, underline, strike-out; 1 sets the style).
QFont fontFromOptions(const std::string& name, int pointSize, const std::array<int, 4>& style);
// The persisted fields of a font; the name is cut to `maxNameChars`.
void fontToOptions(const QFont& font, std::string& name, int& pointSize, std::array<int, 4>& style,
                   std::size_t maxNameChars);

// Loads a bitmap and draws it scaled into `target`. False (and nothing drawn) when the file
// cannot be loaded as a picture.
bool stretchDrawPicture(QPainter& painter, const QRect& target, const QString& file);

// Paints content laid out for a canvas of `sourceSize` pixels onto one printer page, scaled
// to fit the page and keeping the aspect ratio. False when the device cannot be painted on.
bool paintScaledOnPage(QPagedPaintDevice& page, const QSize& sourceSize,
                       const std::function<void(QPainter&)>& paint);

} // namespace loopcraft
