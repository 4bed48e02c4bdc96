#include "gui/base/WorkingArea.h"

#include "gui/base/Placement.h"

#include <algorithm>

namespace loopcraft {

QRect geometryOver(const WorkingArea& area) {
    const int width = area.screen.width();
    return QRect(area.screen.left() + fractionOf(0.005, width), area.top, fractionOf(0.99, width),
                 std::max(1, area.mainClientHeight - area.toolBarHeight - 2));
}

} // namespace loopcraft
