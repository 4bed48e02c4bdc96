// A dialog that the user leaves only through its Done button, so that Done's checks always run.
#pragma once

#include <QDialog>

class QKeyEvent;

namespace loopcraft {

class DoneOnlyDialog : public QDialog {
public:
    using QDialog::QDialog;

protected:
    // Escape would reject the dialog past Done's checks: it is swallowed.
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace loopcraft
