// The text block of the printed simulation protocol: what was simulated and when. The lines
// keep the line-end characters they carry; the page places each line by the line step alone.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"

#include <cstdint>
#include <string>
#include <vector>

namespace loopcraft {

enum class Stimulus { FStep, PhiStep, NStep };

// Local date and time of the print, passed in so the text is reproducible.
struct ProtocolTimestamp {
    int day = 1;
    int month = 1;
    int year = 2000;
    int hour = 0;
    int minute = 0;
};

// The protocol lines in print order. `config` holds the configuration dialog's current choices;
// the category line follows the parameter-set flags; entries are printed exactly as typed. A run
// with noise names its seed, which is all it takes to make the same run again.
std::vector<std::string> ProtocolLines(const ParameterSet& params, const Configuration& config,
                                       Stimulus stimulus, bool addNoise, std::uint32_t noiseSeed,
                                       const ProtocolTimestamp& when);

} // namespace loopcraft
