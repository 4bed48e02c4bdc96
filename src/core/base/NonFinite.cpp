#include "core/base/NonFinite.h"

#include <cctype>
#include <cmath>

namespace loopcraft {

std::string nonFiniteText(double value) {
    if (std::isnan(value))
        return "nan";
    return value < 0 ? "-inf" : "inf";
}

Message NonFiniteMessage(const std::string& what, double value) {
    std::string text = what;
    if (!text.empty())
        text[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    text += " is not a finite number (" + nonFiniteText(value) +
            "): the values entered lie beyond what the calculation can represent.";
    return {kNonFiniteTitle, text, std::nullopt, false, false};
}

} // namespace loopcraft
