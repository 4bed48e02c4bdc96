#include "core/sim/ColumnReducer.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <random>

namespace loopcraft {
namespace {

// Points of `line` by column: lowest and highest y, first and last point.
struct ColumnSummary {
    float low, high;
    CurvePoint first, last;
    int count = 0;
};

std::map<long long, ColumnSummary> summarise(const std::vector<CurvePoint>& line, double scale) {
    std::map<long long, ColumnSummary> columns;
    for (const CurvePoint& p : line) {
        const auto c = static_cast<long long>(std::floor(p.x * scale));
        auto [it, fresh] = columns.try_emplace(c, ColumnSummary{p.y, p.y, p, p, 0});
        ColumnSummary& s = it->second;
        s.low = std::min(s.low, p.y);
        s.high = std::max(s.high, p.y);
        s.last = p;
        ++s.count;
        (void)fresh;
    }
    return columns;
}

bool isSubsequence(const std::vector<CurvePoint>& part, const std::vector<CurvePoint>& whole) {
    auto it = whole.begin();
    for (const CurvePoint& p : part) {
        it = std::find(it, whole.end(), p);
        if (it == whole.end())
            return false;
        ++it;
    }
    return true;
}

TEST(ColumnReducer, SparseLineStaysAsItIs) {
    // One or two points a column, whatever they do.
    std::vector<CurvePoint> line;
    for (int i = 0; i < 300; ++i)
        line.push_back({0.7f * static_cast<float>(i), (i % 2 == 0) ? 10.0f : -3.0f + 0.1f * i});
    EXPECT_EQ(reduceToColumns(line), line);
    EXPECT_TRUE(reduceToColumns({}).empty());
    EXPECT_EQ(reduceToColumns({{5, 1}}), (std::vector<CurvePoint>{{5, 1}}));
}

TEST(ColumnReducer, DenseColumnKeepsFirstExtremesAndLastInOrder) {
    // In one column: first, rise to the highest, fall to the lowest, last.
    const std::vector<CurvePoint> line = {{3.0f, 5}, {3.1f, 6}, {3.2f, 9}, {3.3f, 4},
                                          {3.4f, 1}, {3.5f, 2}, {3.9f, 3}, {4.0f, 7}};
    EXPECT_EQ(reduceToColumns(line),
              (std::vector<CurvePoint>{{3.0f, 5}, {3.2f, 9}, {3.4f, 1}, {3.9f, 3}, {4.0f, 7}}));
    // Low before high keeps that order; extremes at a column's ends are not repeated.
    const std::vector<CurvePoint> rising = {{0.0f, 0}, {0.2f, -1}, {0.4f, 5}, {0.6f, 2}, {0.8f, 8}};
    EXPECT_EQ(reduceToColumns(rising), (std::vector<CurvePoint>{{0.0f, 0}, {0.2f, -1}, {0.8f, 8}}));
    // A flat column keeps its ends only.
    EXPECT_EQ(reduceToColumns({{1.0f, 2}, {1.3f, 2}, {1.6f, 2}}),
              (std::vector<CurvePoint>{{1.0f, 2}, {1.6f, 2}}));
}

TEST(ColumnReducer, NoisyLineKeepsEveryColumnsSpanAndEnds) {
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0, 1);
    for (const double scale : {1.0, 2.5, 0.3}) {
        std::vector<CurvePoint> line;
        float y = 0;
        for (int i = 0; i < 20000; ++i) {
            y += noise(random);
            line.push_back({0.013f * static_cast<float>(i), y});
        }
        std::vector<CurvePoint> reduced;
        ColumnReducer reducer(reduced, scale);
        for (const CurvePoint& p : line)
            reducer.add(p);
        reducer.finish();

        const auto whole = summarise(line, scale);
        const auto thin = summarise(reduced, scale);
        ASSERT_EQ(thin.size(), whole.size()) << scale;
        for (const auto& [column, s] : whole) {
            const ColumnSummary& t = thin.at(column);
            EXPECT_EQ(t.low, s.low);
            EXPECT_EQ(t.high, s.high);
            EXPECT_EQ(t.first, s.first);
            EXPECT_EQ(t.last, s.last);
            EXPECT_LE(t.count, 4);
        }
        EXPECT_TRUE(isSubsequence(reduced, line)) << scale;
        EXPECT_LE(reduced.size(), 4 * whole.size());
    }
}

TEST(ColumnReducer, OffsetMovesTheColumnBoundaries) {
    // With offset 0.5 the points at 0.4 and 0.6 fall into different columns.
    const std::vector<CurvePoint> line = {{0.1f, 0}, {0.4f, 3}, {0.45f, 1}, {0.6f, 2}};
    std::vector<CurvePoint> shifted;
    ColumnReducer reducer(shifted, 1.0, 0.5);
    for (const CurvePoint& p : line)
        reducer.add(p);
    reducer.finish();
    EXPECT_EQ(shifted, line);
    EXPECT_EQ(reduceToColumns(line), (std::vector<CurvePoint>{{0.1f, 0}, {0.4f, 3}, {0.6f, 2}}));
}

TEST(ColumnStroke, FoldsWithinAndBetweenNeighbouringColumnsBecomeBarsLongerReachesSegments) {
    // Column 0: up and down; column 1 continues; then a jump over three columns to column 5.
    const std::vector<CurvePoint> line = {{0.1f, 5}, {0.5f, 1}, {0.9f, 9}, {1.2f, 12},
                                          {1.8f, 4}, {5.5f, 7}, {5.6f, 6}};
    const ColumnStroke stroke = splitIntoColumns(line);
    EXPECT_EQ(stroke.bars, (std::vector<ColumnBar>{{0, 1, 9}, {1, 4, 12}, {5, 6, 7}}));
    EXPECT_EQ(stroke.segments, (std::vector<LineSegment>{{{1.8f, 4}, {5.5f, 7}}}));
    // Finer device columns (a print at three times the resolution) split differently.
    const ColumnStroke fine = splitIntoColumns({{0.1f, 5}, {0.9f, 9}}, 3.0);
    EXPECT_TRUE(fine.bars.empty());
    EXPECT_EQ(fine.segments.size(), 1u);
    EXPECT_TRUE(splitIntoColumns({{2, 3}}).bars.empty());
}

TEST(ColumnStroke, LengthOnTheDevice) {
    EXPECT_DOUBLE_EQ(strokeLength({{0, 0}, {3, 4}, {3, 0}}, 1, 1), 9.0);
    EXPECT_DOUBLE_EQ(strokeLength({{0, 0}, {3, 4}}, 2, 0.5), std::hypot(6.0, 2.0));
    EXPECT_EQ(strokeLength({}, 1, 1), 0.0);
}

} // namespace
} // namespace loopcraft
