// Numbers as the windows write them: fixed notation with a given number of significant digits
// and of decimals ("51.0", "820.0", "100000.0"). Independent of the process locale.
#pragma once

#include <string>

namespace loopcraft {

// `value` rounded to `precision` significant digits, then written with `decimals` digits after
// the decimal point. A value whose integer part needs more digits than `precision` is written in
// exponent form with `precision` significant digits ("1.00E+03"). Non-finite values read "NAN",
// "INF" or "-INF". `precision` is taken within 1..17, `decimals` within 0..20.
std::string formatFixed(double value, int precision, int decimals);

} // namespace loopcraft
