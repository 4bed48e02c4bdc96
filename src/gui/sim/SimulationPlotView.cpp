#include "gui/sim/SimulationPlotView.h"

#include "core/sim/SimulationSession.h"
#include "gui/base/PictureActions.h"
#include "render/base/DrawingSurface.h"

#include <QAction>
#include <QPainter>
#include <algorithm>

namespace loopcraft {

SimulationPlotView::SimulationPlotView(const SimulationSession& session, const DisplayFonts& fonts,
                                       UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent), mSession(session), mFonts(fonts),
      mPicture(session.state(), session.params(), fonts.AxisFont) {
    setObjectName(QStringLiteral("SimulationPlot"));
    mPicture.setBlocks(&session.blocks());
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
    mPercentDone = -1;
    // A short run holds the window until it ends: the note must be on screen before it starts.
    repaint();
}

void SimulationPlotView::setProgress(float done) {
    const int percent = static_cast<int>(std::clamp(done, 0.0f, 1.0f) * 100.0f);
    if (mProgressNote && percent != mPercentDone) {
        mPercentDone = percent;
        update();
    }
}

void SimulationPlotView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!mProgressNote && !mSession.runCancelled()) {
        if (mSession.resultsValid()) {
            const bool model = mSession.params().sidecar.SimShowModel && mSession.model();
            mPicture.setModelCurve(model ? &mSession.model()->curve : nullptr);
            mPicture.paint(painter, rect());
        }
        return;
    }
    const QRect box = mPicture.frameIn(rect());
    painter.fillRect(box, colorFromBgr(mSession.params().ColorFrameBackground));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font);
    const QPoint firstLine = box.topLeft() + QPoint(2, 2 + metrics.ascent());
    if (!mProgressNote) {
        painter.drawText(firstLine,
                         QStringLiteral("The run was cancelled: there is nothing to show."));
        return;
    }
    painter.drawText(firstLine, QStringLiteral("Hey boss, I'm working lide mad!"));
    if (mPercentDone >= 0) {
        painter.drawText(firstLine + QPoint(0, metrics.height()),
                         QStringLiteral("%1 % done").arg(mPercentDone));
    }
}

} // namespace loopcraft
