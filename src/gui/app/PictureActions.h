// What every window does with its picture besides showing it: print it through the print
// dialog, and save it as PNG, SVG or PDF from a right-click "Save Picture As...".
#pragma once

#include "render/app/PagePainter.h"

#include <QRectF>
#include <QSize>
#include <functional>

class QAction;
class QWidget;

namespace loopcraft {

class UserDialogs;

// Asks for a printer and prints `picture`, laid out at `layoutSize`, into `fractionOfPage` of one
// page. Cancelling prints nothing; a printer that cannot be opened is reported.
void printWithDialog(QWidget* parent, UserDialogs& dialogs, const PagePainter& picture,
                     const QSize& layoutSize, const QRectF& fractionOfPage,
                     Qt::Alignment align = Qt::AlignCenter);
// The same with the layout chosen once the page is known: `layoutFor` gets the size of the
// printed area in device pixels, so a picture can lay itself out for a portrait or a landscape
// page.
void printWithDialog(QWidget* parent, UserDialogs& dialogs, const PagePainter& picture,
                     const std::function<QSize(const QSizeF&)>& layoutFor,
                     const QRectF& fractionOfPage, Qt::Alignment align = Qt::AlignCenter);

// Gives `widget` a context menu with "Save Picture As..." (object name "ActionSavePicture"). The
// picture is written at the size `layoutSize()` returns when the action runs, in the format the
// chosen file name's extension names; failures are reported.
QAction* addSavePictureAction(QWidget* widget, UserDialogs& dialogs, const PagePainter& picture,
                              std::function<QSize()> layoutSize, const QString& suggestedName);

} // namespace loopcraft
