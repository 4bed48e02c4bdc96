// Controls sit at fixed fractions of their panel or window, every coordinate rounded down, so a
// window looks the same at every size it is given. Every window and panel places its controls
// through these.
#pragma once

#include <QRect>
#include <QSize>
#include <cmath>

class QWidget;

namespace loopcraft {

// `fraction` of `size`, rounded down.
inline int fractionOf(double fraction, int size) {
    return static_cast<int>(std::floor(fraction * size));
}

inline QRect fractionRect(const QSize& area, double left, double top, double width, double height) {
    return {fractionOf(left, area.width()), fractionOf(top, area.height()),
            fractionOf(width, area.width()), fractionOf(height, area.height())};
}

// The same inside a part of a widget (a group box's contents below its title).
inline QRect fractionRect(const QRect& area, double left, double top, double width, double height) {
    return fractionRect(area.size(), left, top, width, height).translated(area.topLeft());
}

// Puts `widget` at fractions of its parent's current size.
void placeAt(QWidget* widget, double left, double top, double width, double height);

} // namespace loopcraft
