// The simulation panel (Panel1) of the main window: stimulus choice, the run's entries, Run,
// Print Prot and Exit. Its rules and operations are the simulation session's; the panel copies
// its controls in before an operation and shows the outcome afterwards.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/sim/SimulationRun.h"
#include "gui/base/BusyCursor.h"
#include "gui/base/SessionView.h"

#include <QFrame>
#include <atomic>
#include <optional>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QThread;
class QTimer;

namespace loopcraft {

class HelpService;
class SimulationPlotView;
class SimulationSession;
class UserDialogs;
struct DisplayFonts;
struct Message;
struct SimulationOutcome;

class SimulationPanel final : public QFrame, public SessionView {
    Q_OBJECT
public:
    SimulationPanel(SimulationSession& session, const SimulationPlotView& plot,
                    const DisplayFonts& fonts, HelpService& help, UserDialogs& dialogs,
                    QWidget* parent);
    // A run still computing is cancelled and waited for.
    ~SimulationPanel() override;

    // Places the panel and its controls at their fractions of the panel's size.
    void place(const QRect& geometry);
    // Puts the session's model (texts, stimulus, check boxes) into the controls.
    void copyOut() override;
    // The texts and check boxes into the model; the stimulus is the model's already, as every
    // choice of the user goes through the session.
    void copyIn() override;

    // A run computes on its own thread; the window holds still for it at most this long, then
    // goes on answering while it computes, with the progress note and "Cancel".
    void setForegroundLimit(int milliseconds) { mForegroundMs = milliseconds; }
    bool runInProgress() const { return mRunThread != nullptr; }
    // Stops a run in progress and waits until it has stopped (quitting, closing).
    void cancelAndWait();

signals:
    // A run passed its checks and starts computing.
    void runStarting();
    // The fraction done of a run computing in the background, now and then.
    void runProgress(float done);
    // Results became valid or were dropped (a run, Exit).
    void resultsChanged();
    // "Model" was turned on or off: the plot and the figures redraw.
    void modelChanged();

public slots:
    // Opening the panel ("Run Simulation").
    void showView() override;
    // The stimulus rules, wherever the configuration or the choice may have changed.
    void RBChanged();
    void rbSimulfstepClick();
    void rbSimulphistepClick();
    void rbSimulNstepClick();
    void SaveRadioButtonStatus();
    void cbSimulAddNoiseClick();
    void cbSimulModelClick();
    void ButtonSimulHelpClick();
    void ButtonSimulRunClick();
    void ButtonSimulPrintProtClick();
    void ButtonSimulExitClick();
    // "New noise": the next seed, and a run with it.
    void ButtonSimulNewNoiseClick();
    // "Cancel", in place of "Run" while a run computes in the background.
    void ButtonSimulCancelClick();

private:
    struct Field {
        TextId id;
        QLineEdit* edit = nullptr;
        QWidget* label = nullptr;
    };

    void buildControls();
    // Controls from the model, then the message and the signal the outcome asks for.
    void apply(const SimulationOutcome& outcome);
    void showPanelMessage(const Message& message);
    // The run's result into the session, and the controls back.
    void finishRun();
    // While a run computes, the controls that would change it are disabled.
    void enableControls(bool enabled);

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
    QCheckBox* mCbModel = nullptr;
    QLabel* mSeedLabel = nullptr;
    QPushButton* mNewNoiseButton = nullptr;
    std::vector<QWidget*> mButtons;
    QPushButton* mCancelButton = nullptr;
    bool mShowingModel = false; // controls being set from the model, not by the user

    QThread* mRunThread = nullptr; // the run computing, until its result is taken
    int mRunNumber = 0;
    SimulationRunResult mRunResult; // written by the run's thread, read once it has ended
    std::atomic<float> mRunDone{0};
    QTimer* mProgressTimer = nullptr;
    std::optional<BusyCursor> mBusy;
    int mForegroundMs = 100;
};

} // namespace loopcraft
