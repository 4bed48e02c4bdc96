// All-digital PLL design: the hold range and 3-dB frequency of given counters, and the counters
// for a wanted hold range.
#pragma once

#include "core/config/Configuration.h"

#include <cstdint>
#include <optional>

namespace loopcraft {

// The K counter and divider chosen by "Calc ADPLL params".
inline constexpr std::uint32_t kAdpllDesignK = 8;
inline constexpr std::uint32_t kAdpllDesignN = 16;

// Hold range, Hz: M·f0 / (2·K·N), but never more than f0/3.
float AdpllHoldRange(std::uint32_t m, std::uint32_t k, std::uint32_t n, float f0);

// 3-dB frequency, Hz: M·f0 / (K·π·N) with the Exor detector, half that with the JK flip-flop.
float AdpllF3db(std::uint32_t m, std::uint32_t k, std::uint32_t n, float f0,
                AdpllDetector detector);

// The smallest M whose hold range with K = 8, N = 16 is not below fH: ceil(256·fH / f0).
// Nothing when that M does not fit a counter (fH far above f0, or f0 not positive).
std::optional<int> AdpllCounterM(float fH, float f0);

} // namespace loopcraft
