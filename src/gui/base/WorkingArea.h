// Where the program's large windows go: over the main window's working area, below its tool bar.
// The configuration and design dialogs and the Bode window share this placement.
#pragma once

#include <QRect>

class QWidget;

namespace loopcraft {

// What a window needs of the main window to place itself.
struct WorkingArea {
    QRect screen;             // available geometry of the screen
    int top = 0;              // global y just below the main window's tool bar
    int mainClientHeight = 0; // height of the main window's client area
    int toolBarHeight = 0;
};

// Left at 0.5 % and 99 % wide of the screen; from just below the tool bar down to 2 pixels
// above the main window's client bottom.
QRect geometryOver(const WorkingArea& area);

enum class Resizing { Free, Fixed };
// Puts a large window there; a fixed one keeps that size. A hidden window gets no resize event
// until it is shown, so a window that lays out its controls by its size does so itself.
void placeOver(QWidget* window, const WorkingArea& area, Resizing resizing = Resizing::Free);

} // namespace loopcraft
