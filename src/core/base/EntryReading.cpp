// Strict decimal reading of edit-field texts.
#include "core/base/EntryReading.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <type_traits>

namespace loopcraft {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// optional sign, digits with at most one decimal point (at least one digit), optional exponent
bool isDecimalNumber(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    std::size_t digits = 0;
    while (i < s.size() && isDigit(s[i])) {
        ++i;
        ++digits;
    }
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-'))
            ++i;
        std::size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == s.size();
}

bool isDecimalInteger(std::string_view s) {
    std::size_t i = 0;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        ++i;
    if (i == s.size())
        return false;
    for (; i < s.size(); ++i)
        if (!isDigit(s[i]))
            return false;
    return true;
}

// from_chars accepts neither a leading '+' nor locale-specific separators, which is what we want
// for everything else; the plus sign is ours to strip.
std::string_view withoutPlus(std::string_view s) {
    return (!s.empty() && s[0] == '+') ? s.substr(1) : s;
}

bool toFloat(std::string_view s, float& out) {
    if (!isDecimalNumber(s))
        return false;
    s = withoutPlus(s);
    double d = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), d);
    if (ec != std::errc() || ptr != s.data() + s.size())
        return false;
    if (!std::isfinite(d) || std::fabs(d) > std::numeric_limits<float>::max())
        return false;
    out = static_cast<float>(d);
    return true;
}

bool toInt(std::string_view s, int& out) {
    if (!isDecimalInteger(s))
        return false;
    s = withoutPlus(s);
    long long v = 0;
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || ptr != s.data() + s.size())
        return false;
    if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
        return false;
    out = static_cast<int>(v);
    return true;
}

bool toTruncatedInt(std::string_view s, int& out) {
    float f = 0;
    if (!toFloat(s, f))
        return false;
    const float t = std::trunc(f);
    // 2^31 is exactly representable; anything at or beyond it does not fit an int.
    if (t >= 2147483648.0f || t < -2147483648.0f)
        return false;
    out = static_cast<int>(t);
    return true;
}

} // namespace

std::string cutEntryText(std::string_view text) {
    return std::string(text.substr(0, std::min(text.size(), kMaxEntryChars)));
}

EntryResult readEntry(std::string_view text, EntryKind kind) {
    EntryResult r;
    r.text = cutEntryText(text);
    switch (kind) {
    case EntryKind::Float:
        r.ok = toFloat(r.text, r.floatValue);
        break;
    case EntryKind::Int:
        r.ok = toInt(r.text, r.intValue);
        break;
    case EntryKind::IntTruncated:
        r.ok = toTruncatedInt(r.text, r.intValue);
        if (r.ok)
            r.floatValue = static_cast<float>(r.intValue);
        break;
    }
    if (!r.ok) {
        // Truncated slots are converted like floats, so their complaint is the float one.
        r.message = kind == EntryKind::Int ? kInvalidIntegerMessage : kInvalidFloatMessage;
        r.floatValue = 0;
        r.intValue = 0;
    }
    return r;
}

namespace {

template <typename T>
bool readInto(std::string_view text, EntryKind kind, T& value, std::string& storedText,
              std::string* message) {
    EntryResult r = readEntry(text, kind);
    if (!r.ok) {
        if (message)
            *message = r.message;
        return false;
    }
    if constexpr (std::is_same_v<T, float>)
        value = r.floatValue;
    else
        value = r.intValue;
    storedText = r.text;
    return true;
}

} // namespace

bool readFloatEntry(std::string_view text, float& value, std::string& storedText,
                    std::string* message) {
    return readInto(text, EntryKind::Float, value, storedText, message);
}

bool readIntEntry(std::string_view text, int& value, std::string& storedText,
                  std::string* message) {
    return readInto(text, EntryKind::Int, value, storedText, message);
}

} // namespace loopcraft
