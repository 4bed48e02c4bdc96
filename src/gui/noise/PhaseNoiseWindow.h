// The "Phase Noise" window: the closed-loop phase noise of the designed loop per source, with
// the sources' settings beside the plot. Every edit recomputes the picture; an entry that does
// not read leaves the plot empty with the reason in it, so typing is never interrupted by a
// message box. Print and "Save Picture As..." draw the same PhaseNoisePlotPainter picture.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/noise/PhaseNoiseSession.h"
#include "gui/base/SessionView.h"
#include "gui/base/WorkingArea.h"
#include "render/noise/PhaseNoisePlotPainter.h"

#include <QWidget>
#include <array>
#include <optional>
#include <string>

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace loopcraft {

class UserDialogs;

class PhaseNoiseWindow : public QWidget, public SessionView {
    Q_OBJECT
public:
    PhaseNoiseWindow(ParameterSet& params, UserDialogs& dialogs, QWidget* parent = nullptr);

    void place(const WorkingArea& area);
    // Shows the window and computes the noise of the loop as the parameter set holds it now.
    void showView() override;
    // Every entry, check box and table into the session.
    void copyIn() override;
    // The last computation's curves, or the reason there are none, into the plot.
    void copyOut() override;

    const PhaseNoiseSession& session() const { return mSession; }
    const std::optional<PhaseNoiseResult>& result() const { return mResult; }
    const PhaseNoisePlotPainter& picture() const { return mPicture; }

public slots:
    // Reads every control into the session and recomputes.
    void recompute();
    void ButtonNoisePrintClick();
    void ButtonNoiseDoneClick();
    void ButtonNoiseImportReferenceClick();
    void ButtonNoiseImportOscillatorClick();

private:
    void importTable(NoiseTableKind kind);

    ParameterSet& mParams;
    UserDialogs& mDialogs;
    PhaseNoiseSession mSession;
    std::optional<PhaseNoiseResult> mResult;
    std::string mError; // why the last computation has no result
    PhaseNoisePlotPainter mPicture;

    QWidget* mPlot = nullptr;
    std::array<QLineEdit*, kNoiseFieldCount> mEdits{};
    QCheckBox* mFom = nullptr;
    QCheckBox* mE24 = nullptr;
    QPlainTextEdit* mReference = nullptr;
    QPlainTextEdit* mOscillator = nullptr;
};

} // namespace loopcraft
