#include "gui/schematic/SchematicWindow.h"

namespace loopcraft {

SchematicWindow::SchematicWindow(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), mParams(params), mHelp(help), mDialogs(dialogs) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Schematic"));
}

} // namespace loopcraft
