// The "Filter Design" dialog (Form3), opened modally from the main window. For now it only
// tells the user that the design is not available in this build and returns with Done.
#pragma once

#include "core/app/ParameterSet.h"

#include <QDialog>

namespace loopcraft {

class HelpService;
class UserDialogs;

class DesignDialog : public QDialog {
    Q_OBJECT
public:
    DesignDialog(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                 QWidget* parent = nullptr);

    // Copies configuration and filter values in before the dialog is shown.
    void Prepare();

private:
    ParameterSet& mParams;
    HelpService& mHelp;
    UserDialogs& mDialogs;
};

} // namespace loopcraft
