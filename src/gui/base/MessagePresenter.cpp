#include "gui/base/MessagePresenter.h"

#include "gui/base/UserDialogs.h"
#include "gui/base/WidgetNames.h"

#include <QLineEdit>
#include <QWidget>

namespace loopcraft {

QString labelNameOf(const QString& editName) {
    if (editName.startsWith(QLatin1String("Edit"))) {
        return QStringLiteral("st") + editName.mid(4);
    }
    return {};
}

void revealField(QWidget* window, QWidget* field, const QString& labelName) {
    if (field == nullptr) {
        return;
    }
    if (!labelName.isEmpty()) {
        if (QWidget* label = window->findChild<QWidget*>(labelName)) {
            label->setVisible(true);
        }
    }
    // A field inside a group the rules hid would take an invisible focus; the group is shown
    // with it so that the value can be corrected.
    for (QWidget* w = field; w != nullptr && w != window; w = w->parentWidget()) {
        if (w->isHidden()) {
            w->setVisible(true);
        }
    }
}

bool showMessage(UserDialogs& dialogs, QWidget* window, const Message& message) {
    if (!message.silent) {
        dialogs.message(window, QString::fromStdString(message.title),
                        QString::fromStdString(message.text));
    }
    if (!message.field) {
        return true;
    }
    QString label;
    QWidget* field = findField(window, *message.field, &label);
    if (field == nullptr) {
        return false;
    }
    revealField(window, field, label);
    if (auto* edit = qobject_cast<QLineEdit*>(field); edit && message.selectAll) {
        edit->selectAll();
    }
    field->setFocus(Qt::OtherFocusReason);
    return true;
}

} // namespace loopcraft
