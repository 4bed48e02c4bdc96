#include "gui/base/Placement.h"

#include <QWidget>

namespace loopcraft {

void placeAt(QWidget* widget, double left, double top, double width, double height) {
    widget->setGeometry(fractionRect(widget->parentWidget()->size(), left, top, width, height));
}

} // namespace loopcraft
