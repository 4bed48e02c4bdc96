// What every window does with its picture besides showing it: print it through the print
// dialog, and save it as PNG, SVG or PDF from a right-click "Save Picture As...".
#pragma once

#include "render/base/PagePainter.h"

#include <QPageLayout>
#include <QRectF>
#include <QSize>
#include <functional>

class QAction;
class QWidget;

namespace loopcraft {

class UserDialogs;

// Asks for a printer (the dialog opened on a page turned as `orientation`, the user may turn it)
// and prints `picture` into `fractionOfPage` of one page, laid out at the size `layoutFor` gives
// for the printed area. That area comes in layout pixels, so a picture laid out at exactly that
// size has its fonts at their point sizes on paper; a picture may also lay itself out for a
// portrait or a landscape page by the area's proportions. Cancelling prints nothing; a printer
// that cannot be opened is reported.
void printWithDialog(QWidget* parent, UserDialogs& dialogs, const PagePainter& picture,
                     const std::function<QSize(const QSizeF&)>& layoutFor,
                     const QRectF& fractionOfPage, Qt::Alignment align = Qt::AlignCenter,
                     QPageLayout::Orientation orientation = QPageLayout::Portrait);

// Asks for a printer and prints `page`, a picture of a whole page, laid out at the page's size.
void printPageWithDialog(QWidget* parent, UserDialogs& dialogs, const PagePainter& page);

// Gives `widget` a context menu with "Save Picture As..." (object name "ActionSavePicture"). The
// picture is written at the size `layoutSize()` returns when the action runs, in the format the
// chosen file name's extension names; failures are reported.
QAction* addSavePictureAction(QWidget* widget, UserDialogs& dialogs, const PagePainter& picture,
                              std::function<QSize()> layoutSize, const QString& suggestedName);

} // namespace loopcraft
