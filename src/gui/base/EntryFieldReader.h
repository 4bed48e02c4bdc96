// Reading a number from an edit field in a window: the engine's entry reader does the
// conversion; on failure the user sees the "Format error" message, and the field gets the
// focus with its whole text selected so it can be retyped. Callers read their fields one
// after another and stop at the first `false`.
#pragma once

#include "core/base/ParameterSet.h"

class QLineEdit;

namespace loopcraft {

class UserDialogs;

// Stores text and value of parameter `id` only when the field's text converts.
bool readEntryField(QLineEdit* edit, ParameterSet& params, TextId id, UserDialogs& dialogs);

} // namespace loopcraft
