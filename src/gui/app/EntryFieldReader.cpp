#include "gui/app/EntryFieldReader.h"

#include "gui/app/MessagePresenter.h"
#include "gui/app/UserDialogs.h"

#include <QLineEdit>

namespace loopcraft {

void reportEntryError(QLineEdit* edit, const std::string& message, UserDialogs& dialogs) {
    dialogs.message(edit ? edit->window() : nullptr, QString::fromLatin1(kFormatErrorTitle),
                    QString::fromStdString(message));
    if (edit) {
        revealField(edit->window(), edit, labelNameOf(edit->objectName()));
        edit->selectAll();
        edit->setFocus(Qt::OtherFocusReason);
    }
}

bool readEntryField(QLineEdit* edit, ParameterSet& params, TextId id, UserDialogs& dialogs) {
    std::string message;
    if (params.setEntry(id, edit->text().toStdString(), &message)) {
        return true;
    }
    reportEntryError(edit, message, dialogs);
    return false;
}

bool readFloatField(QLineEdit* edit, float& value, std::string& storedText, UserDialogs& dialogs) {
    std::string message;
    if (readFloatEntry(edit->text().toStdString(), value, storedText, &message)) {
        return true;
    }
    reportEntryError(edit, message, dialogs);
    return false;
}

bool readIntField(QLineEdit* edit, int& value, std::string& storedText, UserDialogs& dialogs) {
    std::string message;
    if (readIntEntry(edit->text().toStdString(), value, storedText, &message)) {
        return true;
    }
    reportEntryError(edit, message, dialogs);
    return false;
}

} // namespace loopcraft
