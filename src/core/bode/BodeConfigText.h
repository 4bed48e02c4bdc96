// The two read-only texts under the Bode plot that describe the loop being plotted.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"

#include <string>

namespace loopcraft {

struct BodeConfigText {
    std::string memo1; // loop, detector, filter and oscillator kind
    std::string memo2; // centre frequency, order, divider
};

// Lines end in CR LF, as the memos show them.
BodeConfigText MakeBodeConfigText(const ParameterSet& params, const Configuration& config);

} // namespace loopcraft
