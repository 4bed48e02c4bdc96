#include "gui/design/DesignDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace loopcraft {

DesignDialog::DesignDialog(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                           QWidget* parent)
    : QDialog(parent), mParams(params), mHelp(help), mDialogs(dialogs) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Filter Design"));
    auto* layout = new QVBoxLayout(this);
    auto* note = new QLabel(QStringLiteral("The filter design is not available in this build."));
    note->setObjectName(QStringLiteral("stFiltDesignNote"));
    layout->addWidget(note);
    auto* done = new QPushButton(QStringLiteral("Done"));
    done->setObjectName(QStringLiteral("ButtonFiltDesignDone"));
    layout->addWidget(done);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
}

void DesignDialog::Prepare() {}

} // namespace loopcraft
