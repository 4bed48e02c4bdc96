// Controls sit at fixed fractions of their panel or window, every coordinate rounded down.
#pragma once

#include <QRect>
#include <QSize>

namespace loopcraft {

inline QRect fractionRect(const QSize& area, double left, double top, double width, double height) {
    return {static_cast<int>(left * area.width()), static_cast<int>(top * area.height()),
            static_cast<int>(width * area.width()), static_cast<int>(height * area.height())};
}

} // namespace loopcraft
