// Reading a number from an edit field in a window: the engine's entry reader does the
// conversion; on failure the user sees the "Format error" message, and the field gets the
// focus with its whole text selected so it can be retyped. Callers read their fields one
// after another and stop at the first `false`.
#pragma once

#include "core/app/EntryReading.h"
#include "core/app/ParameterSet.h"

#include <string>

class QLineEdit;

namespace loopcraft {

class UserDialogs;

// Stores text and value of parameter `id` only when the field's text converts.
bool readEntryField(QLineEdit* edit, ParameterSet& params, TextId id, UserDialogs& dialogs);

// The same for a value kept outside the parameter set.
bool readFloatField(QLineEdit* edit, float& value, std::string& storedText, UserDialogs& dialogs);
bool readIntField(QLineEdit* edit, int& value, std::string& storedText, UserDialogs& dialogs);

// The failure half on its own: message under "Format error", select all, focus.
void reportEntryError(QLineEdit* edit, const std::string& message, UserDialogs& dialogs);

} // namespace loopcraft
