// One picture of Loopcraft (simulation plot, protocol page, Bode plot, schematic): drawn by one
// painter into a rectangle, so the window, the printer and every export show the same thing.
#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QPainter;

namespace loopcraft {

class PagePainter {
public:
    virtual ~PagePainter() = default;

    // Draws the whole picture into `target`, given in the painter's logical coordinates. A painter
    // may be called before it has anything to show: it then draws its empty frame and never fails.
    virtual void paint(QPainter& painter, const QRect& target) const = 0;
};

// The display resolution the pictures are laid out for. Fonts chosen in points are turned into
// pixels at this resolution before drawing, so a picture scaled onto a 1200 dpi page keeps its
// text in proportion to its lines instead of growing by the device's resolution.
inline constexpr double kLayoutDpi = 96.0;

// `font` with its size in layout pixels, ready for a painter whose coordinates may be scaled.
QFont layoutFont(const QFont& font);

} // namespace loopcraft
