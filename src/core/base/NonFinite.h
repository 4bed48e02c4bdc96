// What an operation says when its result overflowed to infinity or became not-a-number: such a
// value is never shown, printed or stored as if the operation had succeeded.
#pragma once

#include "core/base/Message.h"

#include <string>

namespace loopcraft {

inline constexpr const char* kNonFiniteTitle = "Non-finite result";

// "inf", "-inf" or "nan".
std::string nonFiniteText(double value);

// "<what> is not a finite number (inf): ..." under kNonFiniteTitle; `what` names the quantity
// and where it arose ("the closed-loop gain at 1000 Hz").
Message NonFiniteMessage(const std::string& what, double value);

} // namespace loopcraft
