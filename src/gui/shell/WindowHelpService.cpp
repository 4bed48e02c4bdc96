#include "gui/shell/WindowHelpService.h"

#include "gui/base/DataFiles.h"
#include "gui/shell/HelpWindow.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace loopcraft {

WindowHelpService::WindowHelpService(QWidget* owner, QStringList candidates)
    : mOwner(owner), mCandidates(std::move(candidates)) {}

WindowHelpService::~WindowHelpService() {
    if (mWindow)
        delete mWindow.data();
}

QStringList WindowHelpService::defaultCandidates() {
    return dataFileCandidates(QString::fromLatin1(kHelpFileName));
}

HelpWindow* WindowHelpService::prepareWindow() {
    if (!mWindow) {
        // A window of its own, like a separate help program: a child of the main window would
        // be blocked while a modal dialog is open, just when its help is wanted.
        mWindow = new HelpWindow(nullptr);
        mWindow->setAttribute(Qt::WA_QuitOnClose, false);
        if (mOwner != nullptr)
            mWindow->setWindowIcon(mOwner->windowIcon());
        // First shown at the right of the screen, leaving the asking window's left part free.
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const QRect area = screen->availableGeometry();
            mWindow->move(std::max(area.left(), area.right() - mWindow->width() - 8),
                          area.top() + area.height() / 12);
        }
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
