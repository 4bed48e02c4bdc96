// All-digital PLL design.
#include "core/design/AdpllDesign.h"

#include <cmath>
#include <limits>

namespace loopcraft {

namespace {

constexpr long double kPi = 3.141592653589793238L;

} // namespace

float AdpllHoldRange(std::uint32_t m, std::uint32_t k, std::uint32_t n, float f0) {
    const std::uint32_t twoKN = 2U * k * n; // 32-bit, as the counters are
    const float a = static_cast<float>(static_cast<float>(m) * static_cast<long double>(f0) /
                                       static_cast<float>(twoKN));
    const float b = static_cast<float>(f0 * (1.0L / 3.0L));
    return a < b ? a : b;
}

float AdpllF3db(std::uint32_t m, std::uint32_t k, std::uint32_t n, float f0,
                AdpllDetector detector) {
    const long double piFactor = detector == AdpllDetector::Exor ? kPi : 2.0L * kPi;
    return static_cast<float>(static_cast<long double>(m) * f0 /
                              (static_cast<long double>(k) * piFactor * n));
}

std::optional<int> AdpllCounterM(float fH, float f0) {
    const long double q =
        std::ceil(static_cast<long double>(2U * kAdpllDesignK * kAdpllDesignN) * fH / f0);
    if (!(q >= 1.0L && q <= static_cast<long double>(std::numeric_limits<int>::max()))) {
        return std::nullopt;
    }
    return static_cast<int>(q);
}

} // namespace loopcraft
