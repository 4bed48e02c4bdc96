#include "core/sim/CurveBlocks.h"

#include <gtest/gtest.h>
#include <random>

namespace loopcraft {
namespace {

TEST(CurveBlocks, FirstExtremesOfEveryWholeBlock) {
    std::mt19937 random(3);
    std::uniform_int_distribution<int> level(-5, 5); // few levels: many equal extremes
    std::vector<ResultPair> points(3 * CurveBlocks::kBlockPoints + 17);
    for (ResultPair& p : points)
        p = {static_cast<float>(level(random)), static_cast<float>(level(random)) * 0.5f};
    const CurveBlocks blocks(points);
    ASSERT_EQ(blocks.blockCount(), 3u) << "the part block at the end is read point by point";
    EXPECT_TRUE(blocks.describe(points));
    for (std::size_t b = 0; b < 3; ++b) {
        const ResultPair* p = points.data() + b * CurveBlocks::kBlockPoints;
        std::size_t low1 = 0, high1 = 0, low2 = 0, high2 = 0;
        for (std::size_t i = 0; i < CurveBlocks::kBlockPoints; ++i) {
            low1 = p[i].Curve1 < p[low1].Curve1 ? i : low1;
            high1 = p[i].Curve1 > p[high1].Curve1 ? i : high1;
            low2 = p[i].Curve2 < p[low2].Curve2 ? i : low2;
            high2 = p[i].Curve2 > p[high2].Curve2 ? i : high2;
        }
        EXPECT_EQ(blocks[b].low1, low1);
        EXPECT_EQ(blocks[b].high1, high1);
        EXPECT_EQ(blocks[b].low2, low2);
        EXPECT_EQ(blocks[b].high2, high2);
        EXPECT_EQ(p[blocks[b].low1].Curve1, -5.0f) << "the lowest level is in every block";
    }

    // Blocks of other points, or of these points changed in size, describe nothing.
    std::vector<ResultPair> copy = points;
    EXPECT_FALSE(blocks.describe(copy));
    points.push_back({});
    EXPECT_FALSE(blocks.describe(points));
    EXPECT_FALSE(CurveBlocks().describe({}));
}

} // namespace
} // namespace loopcraft
