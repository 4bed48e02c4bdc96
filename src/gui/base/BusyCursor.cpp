#include "gui/base/BusyCursor.h"

#include <QCursor>
#include <QGuiApplication>

namespace loopcraft {

BusyCursor::BusyCursor() {
    QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
}

BusyCursor::~BusyCursor() {
    QGuiApplication::restoreOverrideCursor();
}

} // namespace loopcraft
