#include "gui/shell/Startup.h"

#include "gui/base/UserDialogs.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/TerminationSignals.h"

#include <QApplication>
#include <QLocale>
#include <clocale>
#include <iostream>
#include <memory>
#include <string>

namespace loopcraft {

void prepareApplication(QApplication& app) {
    app.setApplicationName(QStringLiteral("Loopcraft"));
    // QApplication adopted the user's locale; numbers in files and entries use ".".
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
}

int runLoopcraft(QApplication& app, UserDialogs& dialogs, TerminationSignals* terminationSignals) {
    const QString title = QStringLiteral("Loopcraft");
    std::unique_ptr<MainWindow> window;
    // Ends the signal connection with this function, before `window` goes away.
    QObject connectionScope;
    if (terminationSignals) {
        // Before the window exists (a failed start's message box) a signal ends every event
        // loop at once; quit() would let the box veto it.
        QObject::connect(terminationSignals, &TerminationSignals::requested, &connectionScope,
                         [&window](int) {
                             if (window && window->isVisible()) {
                                 window->close();
                             } else {
                                 QCoreApplication::exit(1);
                             }
                         });
    }
    try {
        window = std::make_unique<MainWindow>(dialogs);
    } catch (const std::exception& e) {
        // Also on stderr: a start from a terminal or a script should not depend on a message
        // box that nobody may see.
        std::cerr << "Loopcraft: " << e.what() << '\n';
        dialogs.message(nullptr, title, QString::fromUtf8(e.what()));
        return 1;
    }
    // exit() rather than quit(): a modal dialog still open (one that has no close button)
    // must not keep the program alive once the main window is closed.
    QObject::connect(
        window.get(), &MainWindow::closed, &app, [] { QCoreApplication::exit(0); },
        Qt::QueuedConnection);
    window->show();
    int code = 0;
    try {
        code = app.exec();
    } catch (const std::exception& e) {
        dialogs.message(nullptr, title, QString::fromUtf8(e.what()));
    }
    // PARAMS.TXT is written while a message box can still be answered; the old file stays
    // intact when the save fails.
    std::string error;
    if (!window->SaveParamsAtExit(&error)) {
        std::cerr << "Loopcraft: " << kParamsFileName << " not written: " << error << '\n';
        dialogs.message(
            nullptr, title,
            QStringLiteral("%1 could not be saved: %2")
                .arg(QString::fromLatin1(kParamsFileName), QString::fromStdString(error)));
    }
    window.reset();
    return code;
}

} // namespace loopcraft
