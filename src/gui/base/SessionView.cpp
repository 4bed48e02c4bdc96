#include "gui/base/SessionView.h"

#include <QWidget>

namespace loopcraft {

void SessionView::showView() {
    bringToFront();
    copyOut();
}

void bringToFront(QWidget* window) {
    if (window->isMinimized()) {
        window->showNormal();
    } else {
        window->show();
    }
    window->raise();
    window->activateWindow();
}

} // namespace loopcraft
