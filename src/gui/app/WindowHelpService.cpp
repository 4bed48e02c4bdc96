#include "gui/app/WindowHelpService.h"

#include "gui/app/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>

namespace loopcraft {

WindowHelpService::WindowHelpService(QWidget* owner, QStringList candidates)
    : mOwner(owner), mCandidates(std::move(candidates)) {}

WindowHelpService::~WindowHelpService() {
    if (mWindow)
        delete mWindow.data();
}

QStringList WindowHelpService::defaultCandidates() {
    const QString name = QString::fromLatin1(kHelpFileName);
    QStringList paths{QDir::current().filePath(name)};
    if (QCoreApplication::instance() != nullptr) {
        const QDir appDir(QCoreApplication::applicationDirPath());
        paths << appDir.filePath("data/" + name) << appDir.filePath("../share/loopcraft/" + name);
    }
#ifdef LOOPCRAFT_DATA_DIR
    paths << QDir(QStringLiteral(LOOPCRAFT_DATA_DIR)).filePath(name);
#endif
    return paths;
}

HelpWindow* WindowHelpService::prepareWindow() {
    if (!mWindow) {
        // A window of its own, like a separate help program: a child of the main window would
        // be blocked while a modal dialog is open, just when its help is wanted.
        mWindow = new HelpWindow(nullptr);
        mWindow->setAttribute(Qt::WA_QuitOnClose, false);
        if (mOwner != nullptr)
            mWindow->setWindowIcon(mOwner->windowIcon());
    }
    mWindow->loadFile(mCandidates);
    return mWindow;
}

void WindowHelpService::openContents() {
    HelpWindow* w = prepareWindow();
    w->showContents();
    bringForward(w);
}

void WindowHelpService::jumpToTopic(const QString& topic) {
    HelpWindow* w = prepareWindow();
    w->showTopic(topic);
    bringForward(w);
}

void WindowHelpService::bringForward(HelpWindow* w) {
    // A help window the user minimised earlier would otherwise change its page unseen.
    if (w->isMinimized())
        w->showNormal();
    else
        w->show();
    w->raise();
    w->activateWindow();
}

} // namespace loopcraft
