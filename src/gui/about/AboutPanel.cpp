#include "gui/about/AboutPanel.h"

#include "core/base/Version.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace loopcraft {

AboutPanel::AboutPanel(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("Panel3"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    setContextMenuPolicy(Qt::PreventContextMenu);

    auto* title = new QLabel(QStringLiteral("Loopcraft"), this);
    title->setObjectName(QStringLiteral("AboutTitle"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    auto* text = new QLabel(
        QStringLiteral("Phase-locked loop design and simulation workbench\n\n"
                       "Configure, design, plot and simulate\nmixed-signal and all-digital PLLs"),
        this);
    text->setObjectName(QStringLiteral("AboutText"));
    // The same version line as `--version`, so a bug report can name the build.
    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QLatin1String(kLoopcraftVersion)), this);
    version->setObjectName(QStringLiteral("AboutVersion"));
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setMinimumWidth(ok->sizeHint().width() * 3 / 2);
    connect(ok, &QPushButton::clicked, this, &AboutPanel::OkButtonClick);

    // A layout, so that the texts are never cut whatever the font and the window's size.
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    for (QLabel* label : {title, text, version}) {
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addSpacing(8);
    layout->addWidget(ok, 0, Qt::AlignHCenter);
}

void AboutPanel::place(const QSize& area) {
    const QSize wanted = sizeHint();
    const QSize size(std::max(wanted.width(), area.width() / 3),
                     std::max(wanted.height(), area.height() / 3));
    setGeometry((area.width() - size.width()) / 2, (area.height() - size.height()) / 2,
                size.width(), size.height());
}

void AboutPanel::OkButtonClick() {
    hide();
}

} // namespace loopcraft
