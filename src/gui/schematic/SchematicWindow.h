// The "Schematic" window (Form5): not modal, opened from the filter design dialog. It holds no
// content yet; the main window owns it from start-up to exit like every other window.
#pragma once

#include "core/app/ParameterSet.h"

#include <QWidget>

namespace loopcraft {

class HelpService;
class UserDialogs;

class SchematicWindow : public QWidget {
    Q_OBJECT
public:
    SchematicWindow(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                    QWidget* parent = nullptr);

    // Makes the window visible and brings it forward (the design window's "Schematic").
    void showSchematic();

private:
    ParameterSet& mParams;
    HelpService& mHelp;
    UserDialogs& mDialogs;
};

} // namespace loopcraft
