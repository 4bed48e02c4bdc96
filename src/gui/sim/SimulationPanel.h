// The simulation panel (Panel1) of the main window: stimulus choice, the run's entries, Run,
// Print Prot and Exit. Its rules and operations are the simulation session's; the panel copies
// its controls in before an operation and shows the outcome afterwards.
#pragma once

#include "core/app/ParameterSet.h"

#include <QFrame>
#include <vector>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace loopcraft {

class HelpService;
class SimulationPlotView;
class SimulationSession;
class UserDialogs;
struct DisplayFonts;
struct Message;
struct SimulationOutcome;

class SimulationPanel final : public QFrame {
    Q_OBJECT
public:
    SimulationPanel(SimulationSession& session, const SimulationPlotView& plot,
                    const DisplayFonts& fonts, HelpService& help, UserDialogs& dialogs,
                    QWidget* parent);

    // Places the panel and its controls at their fractions of the panel's size.
    void place(const QRect& geometry);
    // Puts the session's model (texts, stimulus, check boxes) into the controls.
    void showModel();

signals:
    // A run passed its checks and starts computing; nothing is processed until it ends.
    void runStarting();
    // Results became valid or were dropped (a run, Exit).
    void resultsChanged();

public slots:
    // Opening the panel ("Run Simulation").
    void open();
    // The stimulus rules, wherever the configuration or the choice may have changed.
    void RBChanged();
    void rbSimulfstepClick();
    void rbSimulphistepClick();
    void rbSimulNstepClick();
    void SaveRadioButtonStatus();
    void cbSimulAddNoiseClick();
    void ButtonSimulHelpClick();
    void ButtonSimulRunClick();
    void ButtonSimulPrintProtClick();
    void ButtonSimulExitClick();

private:
    struct Field {
        TextId id;
        QLineEdit* edit = nullptr;
        QWidget* label = nullptr;
    };

    void buildControls();
    // The texts and check boxes into the model; the stimulus is the model's already, as every
    // choice of the user goes through the session.
    void readEntries();
    // Controls from the model, then the message and the signal the outcome asks for.
    void apply(const SimulationOutcome& outcome);
    void showPanelMessage(const Message& message);

    SimulationSession& mSession;
    const SimulationPlotView& mPlot;
    const DisplayFonts& mFonts;
    HelpService& mHelp;
    UserDialogs& mDialogs;

    std::vector<Field> mFields; // the nine edits in slot order
    QWidget* mRadioGroup = nullptr;
    QRadioButton* mRbfstep = nullptr;
    QRadioButton* mRbphistep = nullptr;
    QRadioButton* mRbNstep = nullptr;
    QCheckBox* mCbAddNoise = nullptr;
    QCheckBox* mCbFilter = nullptr;
    std::vector<QWidget*> mButtons;
    bool mShowingModel = false; // controls being set from the model, not by the user
};

} // namespace loopcraft
