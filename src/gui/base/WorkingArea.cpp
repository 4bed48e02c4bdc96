#include "gui/base/WorkingArea.h"

#include "gui/base/Placement.h"

#include <QWidget>
#include <algorithm>

namespace loopcraft {

QRect geometryOver(const WorkingArea& area) {
    const int width = area.screen.width();
    return QRect(area.screen.left() + fractionOf(0.005, width), area.top, fractionOf(0.99, width),
                 std::max(1, area.mainClientHeight - area.toolBarHeight - 2));
}

void placeOver(QWidget* window, const WorkingArea& area, Resizing resizing) {
    const QRect geometry = geometryOver(area);
    if (resizing == Resizing::Fixed) {
        window->setFixedSize(geometry.size());
    }
    window->setGeometry(geometry);
}

} // namespace loopcraft
