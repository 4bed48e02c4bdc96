// Grid lines and tick labels of the Bode plot, in pixels of the plot frame, so that the window
// and the print-out only draw what this computes.
#pragma once

#include "core/bode/FrequencyResponse.h"

#include <string>
#include <vector>

namespace loopcraft {

struct BodeGridLine {
    int pos = 0;        // y of a gain or phase line, x of a frequency line
    int penWidth = 1;   // 2 for major lines
    std::string label;  // empty: no label
    bool small = false; // frequency labels: the "5" of mid-decade lines uses the smaller font
};

struct BodeAxes {
    std::vector<BodeGridLine> gain;  // from dbTop down, every 10 dB
    std::vector<BodeGridLine> phase; // from phaseTop down, every 90 degrees
    std::vector<BodeGridLine> freq;  // 1..9 times each decade base
    std::string stopLabel;           // "1e6": written under the right frame edge
};

// From the response's ranges and mapping factors; nothing before it was first computed.
BodeAxes MakeBodeAxes(const FrequencyResponse& response);

} // namespace loopcraft
