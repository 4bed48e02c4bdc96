#include "gui/about/AboutPanel.h"

#include "core/app/Version.h"
#include "gui/app/Placement.h"

#include <QLabel>
#include <QPushButton>
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
    title->setAlignment(Qt::AlignCenter);
    auto* text = new QLabel(
        QStringLiteral("Phase-locked loop design and simulation workbench\n\n"
                       "Configure, design, plot and simulate\nmixed-signal and all-digital PLLs"),
        this);
    text->setObjectName(QStringLiteral("AboutText"));
    text->setAlignment(Qt::AlignCenter);
    // The same version line as `--version`, so a bug report can name the build.
    auto* version =
        new QLabel(QStringLiteral("Version %1").arg(QLatin1String(kLoopcraftVersion)), this);
    version->setObjectName(QStringLiteral("AboutVersion"));
    version->setAlignment(Qt::AlignCenter);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("OkButton"));
    connect(ok, &QPushButton::clicked, this, &AboutPanel::OkButtonClick);
}

void AboutPanel::place(const QSize& area) {
    const QSize size(std::max(320, area.width() / 3), std::max(220, area.height() / 3));
    setGeometry((area.width() - size.width()) / 2, (area.height() - size.height()) / 2,
                size.width(), size.height());
    findChild<QWidget*>(QStringLiteral("AboutTitle"))
        ->setGeometry(fractionRect(size, 0.05, 0.08, 0.9, 0.25));
    findChild<QWidget*>(QStringLiteral("AboutText"))
        ->setGeometry(fractionRect(size, 0.05, 0.33, 0.9, 0.26));
    findChild<QWidget*>(QStringLiteral("AboutVersion"))
        ->setGeometry(fractionRect(size, 0.05, 0.59, 0.9, 0.1));
    findChild<QWidget*>(QStringLiteral("OkButton"))
        ->setGeometry(fractionRect(size, 0.35, 0.72, 0.3, 0.16));
}

void AboutPanel::OkButtonClick() {
    hide();
}

} // namespace loopcraft
