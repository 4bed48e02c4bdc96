// The "Filter Design" dialog (Form3): the configuration described at the top, then either the
// mixed-signal panel (bandwidth, filter time constants, gain, charge-pump capacitor and section-2
// poles) or the ADPLL panel (hold range and counter moduli). Its logic is the DesignSession: each
// button copies the entries in, runs the session's operation and shows what came out. From here
// the Bode and schematic windows are opened. Done is the only way out; there is no close button.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/design/DesignSession.h"
#include "gui/base/DoneOnlyDialog.h"
#include "gui/base/SessionView.h"
#include "gui/base/WorkingArea.h"

#include <array>
#include <optional>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace loopcraft {

class BodeWindow;
class HelpService;
class PhaseNoiseWindow;
class SchematicWindow;
class UserDialogs;

class DesignDialog : public DoneOnlyDialog, public SessionView {
    Q_OBJECT
public:
    DesignDialog(ParameterSet& params, HelpService& help, UserDialogs& dialogs, BodeWindow& bode,
                 SchematicWindow& schematic, QWidget* parent = nullptr);

    // Over the main window's working area, at a fixed size.
    void place(const WorkingArea& area);

    // Opening: the entries show the stored texts, the loop state follows the configuration, the
    // figures of the category are computed and the configuration described. A stored value that
    // is refused is reported as soon as the window is on screen.
    void PrepareDesignWindow();

    // The mixed-signal figures from the entered filter, with the outcome shown; true when they
    // were computed.
    bool CalcFrequencyParams();

    const DesignSession& session() const { return mSession; }

    // The entries, the C1 unit and the pole choice into the session's window model.
    void copyIn() override;
    // The session's window model into the entries, figures and configuration memos.
    void copyOut() override;

    // The phase-noise window the "Phase Noise" button opens; while it is shown it follows every
    // design operation.
    void setPhaseNoiseWindow(PhaseNoiseWindow* window) { mNoise = window; }

    // The schematic window's Done: the capacitor the user chose there becomes C1 of the design,
    // and the figures follow it.
    void takeC1();

public slots:
    // Shows the controls that apply to the configuration and the section-2 choice shown.
    void ApplyDesignPanelRules();
    void rbFiltDesignRealPolesClick();
    void rbFiltDesignComplexPolesClick();

    void ButtonFiltDesignCalcFilterParamsClick();
    void ButtonFiltDesignCalcFrequencyParamsClick();
    void ButtonFiltDesignCalcADPLLParamsClick();
    void ButtonFiltDesignCalcADPLLFreqParamsClick();
    void ButtonFiltDesignPlotBodeClick();
    void ButtonFiltDesignBodeADPLLClick();
    void ButtonFiltDesignSchematicClick();
    void ButtonFiltDesignPhaseNoiseClick();
    void ButtonFiltDesignADPLLPhaseNoiseClick();
    void ButtonFiltDesignLDPLLHelpClick();
    void ButtonFiltDesignADPLLHelpClick();
    void ButtonFiltDesignLDPLLDoneClick();
    void ButtonFiltDesignADPLLDoneClick();

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void layoutControls();
    DesignOutcome run(DesignOutcome (DesignSession::*operation)());
    void present(const Message& message);
    void presentPending();
    void finish(); // Done on either panel

    QLineEdit* edit(DesignField field) const { return mEdits[static_cast<std::size_t>(field)]; }
    QLabel* label(DesignField field) const { return mLabels[static_cast<std::size_t>(field)]; }

    DesignSession mSession;
    HelpService& mHelp;
    UserDialogs& mDialogs;
    BodeWindow& mBode;
    SchematicWindow& mSchematic;
    PhaseNoiseWindow* mNoise = nullptr;
    std::optional<Message> mPendingMessage;

    std::array<QLineEdit*, kDesignFieldCount> mEdits{};
    std::array<QLabel*, kDesignFieldCount> mLabels{};
    QListWidget* mC1Unit = nullptr;
    QRadioButton* mRealPoles = nullptr;
    QRadioButton* mComplexPoles = nullptr;
    QLabel* mPhaseMargin = nullptr; // StaticText3
    QLabel* mZeta = nullptr;        // StaticText6
    QLabel* mAdpllF3db = nullptr;   // stFiltDesignADPLLf3dbValue
    QPlainTextEdit* mMemo1 = nullptr;
    QPlainTextEdit* mMemo2 = nullptr;
};

} // namespace loopcraft
