#include "core/sim/ColumnReducer.h"

#include <algorithm>
#include <cmath>

namespace loopcraft {

std::vector<CurvePoint> reduceToColumns(const std::vector<CurvePoint>& line) {
    std::vector<CurvePoint> out;
    ColumnReducer reducer(out);
    for (const CurvePoint& p : line)
        reducer.add(p);
    reducer.finish();
    return out;
}

double strokeLength(const std::vector<CurvePoint>& line, double xScale, double yScale) {
    double length = 0;
    for (std::size_t i = 1; i < line.size(); ++i) {
        const double dx = (static_cast<double>(line[i].x) - line[i - 1].x) * xScale;
        const double dy = (static_cast<double>(line[i].y) - line[i - 1].y) * yScale;
        length += std::hypot(dx, dy);
    }
    return length;
}

ColumnStroke splitIntoColumns(const std::vector<CurvePoint>& line, double columnScale,
                              double columnOffset) {
    ColumnStroke stroke;
    auto columnOf = [&](const CurvePoint& p) {
        return std::floor(static_cast<double>(p.x) * columnScale + columnOffset);
    };
    // Widens the bar of `column` (the last one, or a new one) to take y.
    auto cover = [&stroke](double column, float y) {
        if (stroke.bars.empty() || stroke.bars.back().column != column) {
            stroke.bars.push_back({column, y, y});
            return;
        }
        ColumnBar& bar = stroke.bars.back();
        bar.low = std::min(bar.low, y);
        bar.high = std::max(bar.high, y);
    };
    for (std::size_t i = 1; i < line.size(); ++i) {
        const CurvePoint& a = line[i - 1];
        const CurvePoint& b = line[i];
        const double ca = columnOf(a);
        const double cb = columnOf(b);
        if (std::fabs(cb - ca) <= 1.0) {
            // Both ends go into the bar of b's column: it reaches over to a's neighbouring
            // column by less than a pen's width.
            cover(cb, a.y);
            cover(cb, b.y);
        } else {
            stroke.segments.push_back({a, b});
        }
    }
    return stroke;
}

} // namespace loopcraft
