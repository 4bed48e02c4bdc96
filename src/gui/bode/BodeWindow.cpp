#include "gui/bode/BodeWindow.h"

#include "core/base/HelpDocument.h"
#include "gui/base/HelpService.h"
#include "gui/base/MessagePresenter.h"
#include "gui/base/PictureActions.h"
#include "gui/base/Placement.h"
#include "gui/base/SessionView.h"
#include "gui/base/UserDialogs.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

namespace loopcraft {

BodeWindow::BodeWindow(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), mParams(params), mHelp(help), mDialogs(dialogs),
      mSession(params) {
    setObjectName(QStringLiteral("Form4"));
    setWindowTitle(QStringLiteral("Bode Plot"));
    setAttribute(Qt::WA_QuitOnClose, false);
    mPicture.setResponse(&mSession.response());

    QFont controlFont(QStringLiteral("Arial"));
    controlFont.setBold(true);
    controlFont.setPixelSize(13);
    const auto label = [&](const char* name, const char* caption) {
        auto* l = new QLabel(QString::fromLatin1(caption), this);
        l->setObjectName(QString::fromLatin1(name));
        l->setFont(controlFont);
        l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return l;
    };
    const auto edit = [&](const char* name, TextId id) {
        auto* e = new QLineEdit(QString::fromStdString(mParams.text(id)), this);
        e->setObjectName(QString::fromLatin1(name));
        return e;
    };
    const auto button = [&](const char* name, const char* caption, void (BodeWindow::*slot)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(controlFont);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    mFMinLabel = label("stBodefMin", "fmin (Hz)");
    mFMin = edit("EditBodefMin", TextId::BodefMin);
    mFMaxLabel = label("stBodefMax", "fmax (Hz)");
    mFMax = edit("EditBodefMax", TextId::BodefMax);
    mPointsLabel = label("stBodeNumPoints", "Pts/Dec");
    mPoints = edit("EditBodeNumPoints", TextId::BodeNumPoints);
    mFMinLabel->setBuddy(mFMin);
    mFMaxLabel->setBuddy(mFMax);
    mPointsLabel->setBuddy(mPoints);
    mHelpButton = button("ButtonBodeHelp", "Help", &BodeWindow::ButtonBodeHelpClick);
    mRedrawButton = button("ButtonBodeRedraw", "Redraw", &BodeWindow::ButtonBodeRedrawClick);
    mPrintButton = button("ButtonBodePrint", "Print", &BodeWindow::ButtonBodePrintClick);
    mDoneButton = button("ButtonBodeDone", "Done", &BodeWindow::ButtonBodeDoneClick);

    // The memos sit exactly where the picture draws its configuration boxes, in the same font.
    QFont memoFont(QStringLiteral("Arial"));
    memoFont.setPointSize(9);
    for (auto [memo, name] : {std::pair{&mMemo1, "Memo1"}, std::pair{&mMemo2, "Memo2"}}) {
        *memo = new QPlainTextEdit(this);
        (*memo)->setObjectName(QString::fromLatin1(name));
        (*memo)->setReadOnly(true);
        (*memo)->setFont(layoutFont(memoFont));
        (*memo)->setFocusPolicy(Qt::NoFocus);
    }

    addSavePictureAction(
        this, mDialogs, mPicture, [this] { return mPicture.pictureSize(); },
        QStringLiteral("bode.png"));
    resize(1000, 700);
    applySize();
}

void BodeWindow::place(const WorkingArea& area) {
    placeOver(this, area, Resizing::Fixed);
    applySize();
}

void BodeWindow::layoutControls() {
    const int w = width();
    const int h = height();
    // The edits keep their natural height inside their band; the labels take the room between
    // the two columns, which their bold captions need.
    const auto row = [&](QLabel* label, QLineEdit* edit, double top) {
        const int y = fractionOf(top, h);
        const int band = fractionOf(0.08, h);
        const int editH = std::min(band, edit->sizeHint().height());
        const int editY = y + (band - editH) / 2;
        label->setGeometry(fractionOf(0.8, w), editY, fractionOf(0.87, w) - fractionOf(0.8, w) - 4,
                           editH);
        edit->setGeometry(fractionOf(0.87, w), editY, fractionOf(0.08, w), editH);
    };
    row(mFMinLabel, mFMin, 0.05);
    row(mFMaxLabel, mFMax, 0.15);
    row(mPointsLabel, mPoints, 0.25);
    const std::pair<QPushButton*, double> buttons[] = {
        {mHelpButton, 0.4}, {mRedrawButton, 0.5}, {mPrintButton, 0.6}, {mDoneButton, 0.8}};
    for (const auto& [b, top] : buttons) {
        b->setGeometry(fractionRect(size(), 0.8, top, 0.1, 0.04));
    }
    mMemo1->setGeometry(BodePlotPainter::memoRect(size(), 0));
    mMemo2->setGeometry(BodePlotPainter::memoRect(size(), 1));
}

void BodeWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    applySize();
}

// A hidden window gets its resize event only when shown; the layout follows every size at once.
void BodeWindow::applySize() {
    layoutControls();
    mPicture.setWindowSize(size());
    if (mSession.response().hasCurves()) {
        mSession.response().mapOnto(BodePlotPainter::frameFor(size()));
    }
}

void BodeWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    mPicture.setBackground(palette().window().color());
    mPicture.paint(painter, QRect(QPoint(0, 0), mPicture.pictureSize()));
}

BodeEntries BodeWindow::entries() const {
    return {mFMin->text().toStdString(), mFMax->text().toStdString(),
            mPoints->text().toStdString()};
}

void BodeWindow::showView() {
    bringToFront(this);
    ComputeBodeResponse();
}

void BodeWindow::ComputeBodeResponse() {
    const BodeRun run = mSession.Compute(entries(), BodePlotPainter::frameFor(size()));
    const BodeConfigText& text = mSession.configText();
    mPicture.setConfigText(text);
    for (auto [memo, lines] : {std::pair{mMemo1, text.memo1}, std::pair{mMemo2, text.memo2}}) {
        memo->setPlainText(QString::fromStdString(lines).remove(QLatin1Char('\r')));
    }
    update();
    if (run.error) {
        showMessage(mDialogs, this, *run.error);
    }
}

void BodeWindow::ButtonBodeRedrawClick() {
    ComputeBodeResponse();
}

void BodeWindow::ButtonBodeDoneClick() {
    if (const std::optional<Message> refused = mSession.Done(entries())) {
        showMessage(mDialogs, this, *refused);
        return;
    }
    hide();
}

void BodeWindow::ButtonBodePrintClick() {
    // Laid out afresh for 80 % of the page from its top-left tenth, so the captions keep their
    // point sizes; offered on a landscape page, which gives the decades the room the window does.
    const BodeSheetPainter sheet(mPicture);
    printWithDialog(
        this, mDialogs, sheet, [](const QSizeF& area) { return area.toSize(); },
        QRectF(0.1, 0.1, 0.8, 0.8), Qt::AlignLeft | Qt::AlignTop, QPageLayout::Landscape);
}

void BodeWindow::ButtonBodeHelpClick() {
    mHelp.jumpToTopic(QString::fromLatin1(kHelpTopicBode));
}

} // namespace loopcraft
