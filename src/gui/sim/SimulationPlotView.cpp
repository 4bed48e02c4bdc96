#include "gui/sim/SimulationPlotView.h"

#include "core/sim/SimulationSession.h"
#include "gui/app/PictureActions.h"
#include "render/app/DrawingSurface.h"

#include <QAction>
#include <QPainter>

namespace loopcraft {

SimulationPlotView::SimulationPlotView(const SimulationSession& session, const DisplayFonts& fonts,
                                       UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), mSession(session), mFonts(fonts),
      mPicture(session.state(), session.params(), fonts.AxisFont) {
    setObjectName(QStringLiteral("SimulationPlot"));
    mSaveAction = addSavePictureAction(
        this, dialogs, mPicture, [this] { return size(); }, QStringLiteral("simulation.png"));
    mSaveAction->setEnabled(false);
}

void SimulationPlotView::placeFrame(const QRect& frame) {
    mFrame = frame;
    setGeometry(mPicture.labelAreaAround(frame));
}

void SimulationPlotView::refresh() {
    placeFrame(mFrame);
    mSaveAction->setEnabled(mSession.resultsValid());
    update();
}

void SimulationPlotView::setScrollPosition(int position) {
    mPicture.setScrollPosition(position);
    update();
}

void SimulationPlotView::showProgressNote(bool shown) {
    mProgressNote = shown;
    // While a run computes no event is processed: the note must be on screen before it starts.
    repaint();
}

void SimulationPlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (mProgressNote) {
        const QRect box = mPicture.frameIn(rect());
        painter.fillRect(box, colorFromBgr(mSession.params().ColorFrameBackground));
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(12);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(box.topLeft() + QPoint(2, 2 + QFontMetrics(font).ascent()),
                         QStringLiteral("Hey boss, I'm working lide mad!"));
    } else if (mSession.resultsValid()) {
        mPicture.paint(painter, rect());
    }
}

} // namespace loopcraft
