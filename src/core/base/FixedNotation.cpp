// Fixed-notation number texts.
#include "core/base/FixedNotation.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace loopcraft {

namespace {

std::string toChars(double value, std::chars_format format, int digits) {
    std::array<char, 400> buffer{};
    const auto result =
        std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, format, digits);
    return std::string(buffer.data(), result.ptr);
}

// "1.00e+03" -> "1.00E+03"
std::string exponentForm(double value, int precision) {
    std::string text = toChars(value, std::chars_format::scientific, precision - 1);
    for (char& c : text) {
        if (c == 'e') {
            c = 'E';
        }
    }
    return text;
}

} // namespace

std::string formatFixed(double value, int precision, int decimals) {
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value > 0 ? "INF" : "-INF";
    }
    precision = std::clamp(precision, 1, 17);
    decimals = std::clamp(decimals, 0, 20);

    const std::string roundedText = toChars(value, std::chars_format::scientific, precision - 1);
    double rounded = value;
    std::from_chars(roundedText.data(), roundedText.data() + roundedText.size(), rounded);
    if (rounded != 0.0) {
        const int integerDigits = static_cast<int>(std::floor(std::log10(std::fabs(rounded)))) + 1;
        if (integerDigits > precision) {
            return exponentForm(value, precision);
        }
    }
    return toChars(rounded, std::chars_format::fixed, decimals);
}

} // namespace loopcraft
