// Loopcraft, the desktop program.
#include "gui/app/QtUserDialogs.h"
#include "gui/app/Startup.h"
#include "gui/app/TerminationSignals.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    loopcraft::prepareApplication(app);
    loopcraft::TerminationSignals terminationSignals;
    loopcraft::QtUserDialogs dialogs;
    return loopcraft::runLoopcraft(app, dialogs, &terminationSignals);
}
