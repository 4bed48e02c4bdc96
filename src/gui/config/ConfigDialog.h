// The "PLL Configuration" dialog: the category, order, detector, loop filter and oscillator
// choices with their gains, saturation limits and supply voltages. It is filled from the
// parameter set, shows only the fields the current choices use, and writes everything back
// when it is left with Done. Done is the only way out: the window has no close button.
// ConfigSession decides what is shown and what Done accepts; the dialog shows its outcome.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/ConfigSession.h"
#include "core/config/Configuration.h"
#include "gui/base/DoneOnlyDialog.h"
#include "gui/base/WorkingArea.h"

#include <array>

class QGroupBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace loopcraft {

class HelpService;
class UserDialogs;

class ConfigDialog : public DoneOnlyDialog {
    Q_OBJECT
public:
    ConfigDialog(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                 QWidget* parent = nullptr);

    // Over the main window's working area.
    void place(const WorkingArea& area);

    // The stored flags and texts into the session, then into the radio buttons and the 14 edits.
    void reload();
    // The checked state of the 19 radio buttons.
    ConfigRadioStates radioStates() const;

public slots:
    // Shows and hides the parts of the window for the current choices.
    void ApplyConfigRules();
    void ButtonConfigDoneClick();
    void ButtonConfigHelpClick();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    struct Field {
        TextId id;
        QLineEdit* edit = nullptr;
        QLabel* label = nullptr;
    };

    void buildControls();
    void layoutControls();
    QRadioButton* radio(QWidget* parent, const char* name, const char* caption);
    Field field(QWidget* parent, TextId id, const char* caption);
    void setRadioStates(const ConfigRadioStates& states);
    // The controls into the session's model; the model (as the rules left it) into the controls.
    void copyIn();
    void copyOut();
    // The fourteen entries in the dialog's order.
    std::array<const Field*, 14> fields() const;
    // The button of a configuration flag, which carries the flag's name.
    QRadioButton* radioFor(FlagId flag) const;

    HelpService& mHelp;
    UserDialogs& mDialogs;
    ConfigSession mSession;

    QGroupBox* mPanel1 = nullptr;
    QFrame* mPanel2 = nullptr;
    QFrame* mPanel3 = nullptr;
    std::array<QGroupBox*, 8> mGroups{}; // GroupBox1 .. GroupBox8

    QRadioButton *mDPLL = nullptr, *mADPLL = nullptr;
    std::array<QRadioButton*, 5> mOrder{};
    QRadioButton *mMul = nullptr, *mExor = nullptr, *mJK = nullptr, *mPFD = nullptr,
                 *mPFDCP = nullptr;
    QRadioButton *mPassiveLL = nullptr, *mActiveLL = nullptr, *mActivePI = nullptr;
    QRadioButton *mVCO = nullptr, *mVCOScaler = nullptr;
    QRadioButton *mADPLLExor = nullptr, *mADPLLJK = nullptr;

    Field mLDPLLf0, mKd, mKp, mPDSatP, mPDSatN, mLFSatP, mLFSatN, mK0, mN, mVCOSatP, mVCOSatN,
        mADPLLf0, mUSupP, mUSupN;

    QPushButton* mHelpButton = nullptr;
    QPushButton* mDoneButton = nullptr;
};

} // namespace loopcraft
