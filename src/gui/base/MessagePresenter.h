// The one way a window shows what an operation of the engine told it: the modal box (unless the
// message is silent), then the field it names brought into view and focused, with its label and
// any group the visibility rules had hidden, and its text selected after a format error.
#pragma once

#include "core/base/Message.h"

#include <QString>

class QWidget;

namespace loopcraft {

class UserDialogs;

// Shows `message` over `window`. False when the message names a field `window` does not have:
// that is a fault of the program, which the tests of every window look for.
bool showMessage(UserDialogs& dialogs, QWidget* window, const Message& message);

// Makes `field` visible with its label (`labelName`, found in `window`; empty for none) and
// every hidden widget between it and `window`.
void revealField(QWidget* window, QWidget* field, const QString& labelName);

// The label of an edit by the naming rule of the windows: "EditConfigKd" -> "stConfigKd".
QString labelNameOf(const QString& editName);

} // namespace loopcraft
