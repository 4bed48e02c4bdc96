// Turning the text of an edit field into a number.
//
// Every number the user types is kept twice: as the text exactly as typed (at most 11
// characters) and as its value. The reader cuts the text, checks it against a strict decimal
// grammar and converts it; the caller stores text and value only when it succeeds.
#pragma once

#include "core/base/Message.h"

#include <string>
#include <string_view>

namespace loopcraft {

inline constexpr std::size_t kMaxEntryChars = 11;
inline constexpr const char* kInvalidFloatMessage = "Invalid floating format";
inline constexpr const char* kInvalidIntegerMessage = "Invalid integer format";

// How a text slot's value follows from its text.
enum class EntryKind {
    Float,        // 32-bit float, converted with full precision then rounded
    Int,          // 32-bit signed decimal integer
    IntTruncated, // converted as a float, then truncated toward zero
};

struct EntryResult {
    bool ok = false;
    std::string text; // the text that was read: at most the first 11 characters
    float floatValue = 0;
    int intValue = 0;
    std::string message; // empty on success, else the "Format error" message
};

// The first 11 characters of an entry, as an edit field's buffer would keep them.
std::string cutEntryText(std::string_view text);

// Reads an entry for the given kind. Never throws.
EntryResult readEntry(std::string_view text, EntryKind kind);

// Convenience forms: store into `value` and `storedText` only on success.
bool readFloatEntry(std::string_view text, float& value, std::string& storedText,
                    std::string* message = nullptr);
bool readIntEntry(std::string_view text, int& value, std::string& storedText,
                  std::string* message = nullptr);

} // namespace loopcraft
