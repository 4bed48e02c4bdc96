// Loopcraft, the desktop program.
#include "core/base/Version.h"
#include "gui/base/QtUserDialogs.h"
#include "gui/shell/Startup.h"
#include "gui/shell/TerminationSignals.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    // Answered before Qt starts, so that it works without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("loopcraft %s\n", loopcraft::kLoopcraftVersion);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationVersion(QString::fromLatin1(loopcraft::kLoopcraftVersion));
    loopcraft::prepareApplication(app);
    loopcraft::TerminationSignals terminationSignals;
    loopcraft::QtUserDialogs dialogs;
    return loopcraft::runLoopcraft(app, dialogs, &terminationSignals);
}
