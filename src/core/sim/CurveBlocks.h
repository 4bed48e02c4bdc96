// Where each curve of a run is lowest and highest within every block of 256 recorded points,
// gathered once after the run. A plot that shows many points a pixel column then reads four
// points of a block that falls inside one column instead of all of them, so its cost stays with
// the picture's width even for a run of 10^8 points.
#pragma once

#include "core/sim/SimState.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace loopcraft {

class CurveBlocks {
public:
    static constexpr std::size_t kBlockPoints = 256;

    // Places within a block of its curves' first lowest and first highest point.
    struct Extremes {
        std::uint8_t low1 = 0, high1 = 0, low2 = 0, high2 = 0;
    };

    CurveBlocks() = default;
    explicit CurveBlocks(const std::vector<ResultPair>& points);

    // Whether these blocks were gathered from `points` as they are now.
    bool describe(const std::vector<ResultPair>& points) const {
        return mSize == points.size() && mData == points.data() && !points.empty();
    }
    // Only whole blocks are described.
    const Extremes& operator[](std::size_t block) const { return mBlocks[block]; }
    std::size_t blockCount() const { return mBlocks.size(); }

private:
    std::vector<Extremes> mBlocks;
    const ResultPair* mData = nullptr;
    std::size_t mSize = 0;
};

} // namespace loopcraft
