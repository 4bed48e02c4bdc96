#include "render/base/OffscreenGui.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <clocale>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace loopcraft {

namespace {

// Without a session (a build machine, a cron job) there is no runtime folder, and Qt warns on
// every picture command before it makes one of its own. The same private folder is made here,
// owned by the user and closed to others, as Qt wants it; a folder that is not ours is left
// alone and Qt's own warning then tells the story.
void provideRuntimeFolder() {
#ifdef Q_OS_UNIX
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        return;
    }
    const QByteArray folder =
        QFile::encodeName(QDir::tempPath()) + "/loopcraft-runtime-" + QByteArray::number(getuid());
    ::mkdir(folder.constData(), 0700);
    struct stat info {};
    if (::lstat(folder.constData(), &info) == 0 && S_ISDIR(info.st_mode) &&
        info.st_uid == getuid() && (info.st_mode & 0777) == 0700) {
        qputenv("XDG_RUNTIME_DIR", folder);
    }
#endif
}

} // namespace

void ensureOffscreenGui() {
    if (QCoreApplication::instance() != nullptr) {
        return;
    }
    provideRuntimeFolder();
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
