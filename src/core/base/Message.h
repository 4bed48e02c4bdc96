// What an operation of the engine tells the user. Every window shows it the same way: a modal
// box with the title and the text, then the edit of the parameter it names (with its label, when
// it was hidden) shown and focused. The command-line tool prints "title: text" and fails.
#pragma once

#include <optional>
#include <string>

namespace loopcraft {

enum class TextId : int; // core/base/ParameterSet.h

inline constexpr const char* kFormatErrorTitle = "Format error";
inline constexpr const char* kIllegalEntryTitle = "Illegal entry";

struct Message {
    std::string title;
    std::string text;
    std::optional<TextId> field; // the parameter whose edit gets the focus; none for none
    bool selectAll = false;      // a format error selects the whole text of the edit
    bool silent = false;         // the operation stops, but nothing is shown
    bool operator==(const Message&) const = default;
};

} // namespace loopcraft
