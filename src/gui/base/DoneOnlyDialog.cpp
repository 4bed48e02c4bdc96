#include "gui/base/DoneOnlyDialog.h"

#include <QKeyEvent>

namespace loopcraft {

void DoneOnlyDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

} // namespace loopcraft
