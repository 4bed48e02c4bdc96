// The "Bode Plot" window (Form4): gain and phase of the designed loop over frequency, the three
// entries of the frequency grid, Help / Redraw / Print / Done, and the configuration texts under
// the plots. Not modal: the design dialog shows it and asks for a computation; Done hides it.
// The plot is the BodePlotPainter's picture, which printing and "Save Picture As..." share.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/bode/BodeSession.h"
#include "gui/base/WorkingArea.h"
#include "render/bode/BodePlotPainter.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace loopcraft {

class DesignSession;
class HelpService;
class UserDialogs;

class BodeWindow : public QWidget {
    Q_OBJECT
public:
    BodeWindow(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
               QWidget* parent = nullptr);

    // Over the main window's working area, at a fixed size.
    void place(const WorkingArea& area);
    // The loop the plot shows: the design window's loop state and configuration.
    void setDesign(const DesignSession* design) { mSession.setDesign(design); }

    // Shows the window and computes the response from its entries (the design window's Bode
    // buttons).
    void showView();

    const FrequencyResponse& response() const { return mSession.response(); }
    const BodePlotPainter& picture() const { return mPicture; }

public slots:
    void ButtonBodeRedrawClick();
    void ButtonBodeDoneClick();
    void ButtonBodePrintClick();
    void ButtonBodeHelpClick();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ComputeBodeResponse();
    void applySize();
    void layoutControls();
    BodeEntries entries() const;

    ParameterSet& mParams;
    HelpService& mHelp;
    UserDialogs& mDialogs;

    BodeSession mSession;
    BodePlotPainter mPicture;

    QLabel* mFMinLabel = nullptr;
    QLabel* mFMaxLabel = nullptr;
    QLabel* mPointsLabel = nullptr;
    QLineEdit* mFMin = nullptr;
    QLineEdit* mFMax = nullptr;
    QLineEdit* mPoints = nullptr;
    QPushButton* mHelpButton = nullptr;
    QPushButton* mRedrawButton = nullptr;
    QPushButton* mPrintButton = nullptr;
    QPushButton* mDoneButton = nullptr;
    QPlainTextEdit* mMemo1 = nullptr;
    QPlainTextEdit* mMemo2 = nullptr;
};

} // namespace loopcraft
