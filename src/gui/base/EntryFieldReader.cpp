#include "gui/base/EntryFieldReader.h"

#include "gui/base/MessagePresenter.h"
#include "gui/base/UserDialogs.h"

#include <QLineEdit>
#include <string>

namespace loopcraft {

namespace {

// The message under "Format error"; the field is shown, its text selected and focused.
void reportEntryError(QLineEdit* edit, const std::string& message, UserDialogs& dialogs) {
    dialogs.message(edit ? edit->window() : nullptr, QString::fromLatin1(kFormatErrorTitle),
                    QString::fromStdString(message));
    if (edit) {
        revealField(edit->window(), edit, labelNameOf(edit->objectName()));
        edit->selectAll();
        edit->setFocus(Qt::OtherFocusReason);
    }
}

} // namespace

bool readEntryField(QLineEdit* edit, ParameterSet& params, TextId id, UserDialogs& dialogs) {
    std::string message;
    if (params.setEntry(id, edit->text().toStdString(), &message)) {
        return true;
    }
    reportEntryError(edit, message, dialogs);
    return false;
}

} // namespace loopcraft
