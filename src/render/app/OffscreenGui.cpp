#include "render/app/OffscreenGui.h"

#include <QGuiApplication>
#include <clocale>

namespace loopcraft {

void ensureOffscreenGui() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    // The platform is chosen on the command line, so a display (or a QT_QPA_PLATFORM of the
    // user's) never decides whether a picture can be written.
    static int argc = 3;
    static char program[] = "loopcraft";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {program, option, platform, nullptr};
    static QGuiApplication* app = new QGuiApplication(argc, argv);
    (void)app;
    // The application adopted the user's locale; numbers keep their "." everywhere.
    std::setlocale(LC_NUMERIC, "C");
}

} // namespace loopcraft
