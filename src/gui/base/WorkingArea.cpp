#include "gui/base/WorkingArea.h"

#include <algorithm>
#include <cmath>

namespace loopcraft {

QRect geometryOver(const WorkingArea& area) {
    const int width = area.screen.width();
    return QRect(area.screen.left() + static_cast<int>(std::floor(0.005 * width)), area.top,
                 static_cast<int>(std::floor(0.99 * width)),
                 std::max(1, area.mainClientHeight - area.toolBarHeight - 2));
}

} // namespace loopcraft
