#include "core/sim/CurveBlocks.h"

namespace loopcraft {

CurveBlocks::CurveBlocks(const std::vector<ResultPair>& points)
    : mData(points.data()), mSize(points.size()) {
    const std::size_t whole = points.size() / kBlockPoints;
    mBlocks.resize(whole);
    for (std::size_t b = 0; b < whole; ++b) {
        const ResultPair* p = points.data() + b * kBlockPoints;
        Extremes e;
        for (std::size_t i = 1; i < kBlockPoints; ++i) {
            const auto at = static_cast<std::uint8_t>(i);
            // Strict comparisons keep the first of equal extremes, as the column thinning does.
            if (p[i].Curve1 < p[e.low1].Curve1)
                e.low1 = at;
            if (p[i].Curve1 > p[e.high1].Curve1)
                e.high1 = at;
            if (p[i].Curve2 < p[e.low2].Curve2)
                e.low2 = at;
            if (p[i].Curve2 > p[e.high2].Curve2)
                e.high2 = at;
        }
        mBlocks[b] = e;
    }
}

} // namespace loopcraft
