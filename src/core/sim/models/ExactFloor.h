// floor and ceil for the simulation's step chain, exact for every argument and without a call.
//
// The baseline x86-64 target the program is built for has no rounding instruction, so std::floor
// is a call into the maths library, and a call in the middle of a step makes the compiler spill
// every live float to the stack. Truncation to a 64-bit integer is one instruction on every
// x86-64; one correction step towards minus (plus) infinity turns it into floor (ceil), and
// copysign gives a zero result the sign the library gives it (floor(-0.0) = -0.0,
// ceil(-0.5) = -0.0). Magnitudes of 2^52 and beyond are whole numbers already (as are the
// infinities) and come back unchanged, as does NaN.
#pragma once

#include <cmath>
#include <cstdint>

namespace loopcraft::detail {

inline constexpr double kWholeFrom = 4503599627370496.0; // 2^52
inline constexpr float kWholeFromF = 8388608.0f;         // 2^23

inline double floorExact(double x) {
    if (!(std::fabs(x) < kWholeFrom))
        return x;
    const double t = static_cast<double>(static_cast<std::int64_t>(x));
    return std::copysign(t - (t > x ? 1.0 : 0.0), x);
}

inline double ceilExact(double x) {
    if (!(std::fabs(x) < kWholeFrom))
        return x;
    const double t = static_cast<double>(static_cast<std::int64_t>(x));
    return std::copysign(t + (t < x ? 1.0 : 0.0), x);
}

inline float floorExact(float x) {
    if (!(std::fabs(x) < kWholeFromF))
        return x;
    const float t = static_cast<float>(static_cast<std::int32_t>(x));
    return std::copysign(t - (t > x ? 1.0f : 0.0f), x);
}

} // namespace loopcraft::detail
