#include "gui/base/PictureActions.h"

#include "gui/base/UserDialogs.h"
#include "render/base/PictureOutput.h"

#include <QAction>
#include <QPrinter>
#include <QWidget>

namespace loopcraft {

void printWithDialog(QWidget* parent, UserDialogs& dialogs, const PagePainter& picture,
                     const std::function<QSize(const QSizeF&)>& layoutFor,
                     const QRectF& fractionOfPage, Qt::Alignment align,
                     QPageLayout::Orientation orientation) {
    const std::unique_ptr<QPrinter> printer = dialogs.choosePrinter(parent, orientation);
    if (!printer) {
        return;
    }
    const QSize layoutSize = layoutFor(
        layoutSizeOf(*printer, pageArea(*printer, fractionOfPage.left(), fractionOfPage.top(),
                                        fractionOfPage.width(), fractionOfPage.height())
                                   .size()));
    QString error;
    if (!printPicture(*printer, picture, layoutSize, fractionOfPage, error, align)) {
        dialogs.message(parent, QStringLiteral("Printing failed"), error);
    }
}

void printPageWithDialog(QWidget* parent, UserDialogs& dialogs, const PagePainter& page) {
    const std::unique_ptr<QPrinter> printer = dialogs.choosePrinter(parent, QPageLayout::Portrait);
    if (!printer) {
        return;
    }
    QString error;
    if (!printPage(*printer, page, error)) {
        dialogs.message(parent, QStringLiteral("Printing failed"), error);
    }
}

QAction* addSavePictureAction(QWidget* widget, UserDialogs& dialogs, const PagePainter& picture,
                              std::function<QSize()> layoutSize, const QString& suggestedName) {
    auto* action = new QAction(QStringLiteral("Save Picture As..."), widget);
    action->setObjectName(QStringLiteral("ActionSavePicture"));
    widget->addAction(action);
    widget->setContextMenuPolicy(Qt::ActionsContextMenu);
    QObject::connect(
        action, &QAction::triggered, widget,
        [widget, &dialogs, &picture, layoutSize = std::move(layoutSize), suggestedName] {
            const std::optional<QString> file =
                dialogs.saveFileName(widget, QStringLiteral("Save Picture As"), suggestedName,
                                     QStringLiteral("PNG image (*.png);;SVG drawing (*.svg);;"
                                                    "PDF document (*.pdf)"));
            if (!file) {
                return;
            }
            QString error;
            if (!exportPicture(picture, layoutSize(), *file, error)) {
                dialogs.message(widget, QStringLiteral("Save Picture As"), error);
            }
        });
    return action;
}

} // namespace loopcraft
