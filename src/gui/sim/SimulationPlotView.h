// The simulation plot on the main window: the plot frame with its title lines, drawn by the
// plot painter while the session holds valid results, the progress note while a run computes, or
// a note that the last run was cancelled.
// Its right-click menu saves the picture as PNG, SVG or PDF.
#pragma once

#include "render/sim/SimulationPlotPainter.h"

#include <QWidget>

class QAction;

namespace loopcraft {

class SimulationSession;
class UserDialogs;
struct DisplayFonts;

class SimulationPlotView final : public QWidget {
    Q_OBJECT
public:
    SimulationPlotView(const SimulationSession& session, const DisplayFonts& fonts,
                       UserDialogs& dialogs, QWidget* parent);

    // Places the view so that the plot frame lies at `frame` (parent coordinates); the title
    // lines follow the axis font, so the main window calls this again when the font changes.
    void placeFrame(const QRect& frame);
    QRect frame() const { return mFrame; }

    const SimulationPlotPainter& picture() const { return mPicture; }
    bool progressNoteShown() const { return mProgressNote; }

public slots:
    // The results or the display options changed: draw anew.
    void refresh();
    void setScrollPosition(int position);
    void showProgressNote(bool shown);
    // The fraction done of the run behind the progress note.
    void setProgress(float done);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const SimulationSession& mSession;
    const DisplayFonts& mFonts;
    SimulationPlotPainter mPicture;
    QAction* mSaveAction = nullptr;
    QRect mFrame;
    bool mProgressNote = false;
    int mPercentDone = -1; // none shown before the first report
};

} // namespace loopcraft
