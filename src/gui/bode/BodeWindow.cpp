#include "gui/bode/BodeWindow.h"

namespace loopcraft {

BodeWindow::BodeWindow(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), mParams(params), mHelp(help), mDialogs(dialogs) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Bode Plot"));
}

} // namespace loopcraft
