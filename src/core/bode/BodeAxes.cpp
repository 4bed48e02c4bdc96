// Grid lines and tick labels of the Bode plot.
#include "core/bode/BodeAxes.h"

#include "core/base/FixedNotation.h"

#include <cmath>

namespace loopcraft {

namespace {

// Far more lines than any plot frame can show; keeps an absurd range from allocating.
constexpr int kMaxLines = 1000;

int lineCount(double count) {
    if (!std::isfinite(count) || count < 0) {
        return 0;
    }
    return count > kMaxLines ? kMaxLines : static_cast<int>(count);
}

// A level is labelled with 0.1 added, so that -20 reads "-20" and 0 reads "0" with no decimals.
std::string levelLabel(float level) {
    return formatFixed(level + 0.1, 15, 0);
}

bool onTwentyDb(float level) {
    const double rest = std::fmod(static_cast<double>(level), 20.0);
    return std::fabs(rest) < 0.1 || std::fabs(rest) > 19.9;
}

} // namespace

BodeAxes MakeBodeAxes(const FrequencyResponse& r) {
    BodeAxes axes;
    if (!r.hasCurves()) {
        return axes;
    }

    const int gainLines = lineCount(std::floor(0.1 * (r.dbTop - r.dbBottom + 0.1) + 1));
    for (int i = 0; i < gainLines; ++i) {
        const float level = r.dbTop - 10.0F * static_cast<float>(i);
        BodeGridLine line;
        line.pos = static_cast<int>(std::floor(level * r.magScale + r.magOffset));
        if (onTwentyDb(level)) {
            line.penWidth = 2;
            if (i + 1 < gainLines) { // the lowest line stays unlabelled
                line.label = levelLabel(level);
            }
        }
        axes.gain.push_back(std::move(line));
    }

    const int phaseLines = lineCount(std::floor((r.phaseTop - r.phaseBottom + 0.1) / 90.0 + 1));
    for (int i = 0; i < phaseLines; ++i) {
        const float level = r.phaseTop - 90.0F * static_cast<float>(i);
        BodeGridLine line;
        line.pos = static_cast<int>(std::floor(level * r.phaseScale + r.phaseOffset));
        line.label = levelLabel(level);
        axes.phase.push_back(std::move(line));
    }

    const int firstExponent = static_cast<int>(std::lround(std::log10(r.fStart)));
    float base = r.fStart;
    const int decades = r.decadeCount > kMaxLines ? kMaxLines : r.decadeCount;
    for (int d = 0; d < decades; ++d) {
        for (int j = 1; j <= 9; ++j) {
            BodeGridLine line;
            const float f = static_cast<float>(j) * base;
            line.pos = static_cast<int>(std::log10(f) * r.freqScale + r.freqOffset);
            if (j == 1) {
                line.penWidth = 2;
                line.label = "1e" + std::to_string(firstExponent + d);
            } else if (j == 5) {
                line.penWidth = 2;
                line.label = "5";
                line.small = true;
            }
            axes.freq.push_back(std::move(line));
        }
        base = base * 10.0F;
    }
    axes.stopLabel = "1e" + std::to_string(static_cast<int>(std::lround(std::log10(r.fStop))));
    return axes;
}

} // namespace loopcraft
