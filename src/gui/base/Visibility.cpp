#include "gui/base/Visibility.h"

#include <QWidget>

namespace loopcraft {

void applyVisibility(QWidget* window, const VisibilityList& visibility,
                     const CompanionNames& companionsOf) {
    for (const auto& [name, visible] : visibility) {
        const QString objectName = QString::fromStdString(name);
        if (QWidget* w = window->findChild<QWidget*>(objectName)) {
            w->setVisible(visible);
        }
        if (companionsOf) {
            for (const QString& companion : companionsOf(objectName)) {
                if (QWidget* w = window->findChild<QWidget*>(companion)) {
                    w->setVisible(visible);
                }
            }
        }
    }
}

} // namespace loopcraft
