// What an operation of the engine tells the user. Every window shows it the same way: a modal
// box with the title and the text, then the named edit (with its label, when it was hidden)
// shown and focused. The command-line tool prints "title: text" and fails.
#pragma once

#include <string>

namespace loopcraft {

inline constexpr const char* kFormatErrorTitle = "Format error";
inline constexpr const char* kIllegalEntryTitle = "Illegal entry";

struct Message {
    std::string title;
    std::string text;
    std::string focusField; // object name of the edit that gets the focus; empty for none
    std::string labelField; // its label, shown with it when it was hidden
    bool selectAll = false; // a format error selects the whole text of the edit
    bool silent = false;    // the operation stops, but nothing is shown
    bool operator==(const Message&) const = default;
};

} // namespace loopcraft
