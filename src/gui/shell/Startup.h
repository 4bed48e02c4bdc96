// The desktop program from QApplication to exit: create the main window (which creates the
// others), run the event loop until it is closed, and report a start that failed.
#pragma once

class QApplication;

namespace loopcraft {

class UserDialogs;
class TerminationSignals;

// Puts the process into the state the program relies on ("." as decimal separator).
void prepareApplication(QApplication& app);

// Returns the process exit code: 0 after a normal end, 1 when the start failed (the message
// has been shown and PARAMS.TXT left untouched).
int runLoopcraft(QApplication& app, UserDialogs& dialogs, TerminationSignals* terminationSignals);

} // namespace loopcraft
