#include "gui/schematic/SchematicWindow.h"

namespace loopcraft {

SchematicWindow::SchematicWindow(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), mParams(params), mHelp(help), mDialogs(dialogs) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Schematic"));
    setAttribute(Qt::WA_QuitOnClose, false);
}

void SchematicWindow::showSchematic() {
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
}

} // namespace loopcraft
