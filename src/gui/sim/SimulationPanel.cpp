#include "gui/sim/SimulationPanel.h"

#include "core/sim/SimulationSession.h"
#include "gui/base/BusyCursor.h"
#include "gui/base/HelpService.h"
#include "gui/base/MessagePresenter.h"
#include "gui/base/PictureActions.h"
#include "gui/base/Placement.h"
#include "gui/base/UserDialogs.h"
#include "gui/base/Visibility.h"
#include "gui/base/WidgetNames.h"
#include "gui/sim/SimulationPlotView.h"
#include "render/base/DrawingSurface.h"
#include "render/sim/ProtocolPagePainter.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QThread>
#include <QTimer>
#include <memory>
#include <optional>
#include <utility>

namespace loopcraft {

namespace {

struct FieldRow {
    TextId id;
    const char* caption;
    double top;
};

// The nine edits in slot order, each with its label and its row on the panel.
constexpr FieldRow kFieldRows[] = {
    {TextId::Simulf0, "f0 (Hz)", 0.22},
    {TextId::Simuldf, "df (Hz)", 0.27},
    {TextId::Simuldphi, "dphi (deg)", 0.32},
    {TextId::SimuldN, "dN", 0.37},
    {TextId::SimulnSamp, "nSamp", 0.42},
    {TextId::SimulT, "T (s)", 0.47},
    {TextId::SimulZoomFact, "ZoomFact", 0.52},
    {TextId::SimulSNR, "SNR (db)", 0.64},
    {TextId::SimulNoiseBW, "NoiseBW (rel)", 0.69},
};

struct PanelButton {
    const char* name;
    const char* caption;
    double left;
    void (SimulationPanel::*slot)();
};

constexpr PanelButton kButtons[] = {
    {"ButtonSimulHelp", "Help", 0.05, &SimulationPanel::ButtonSimulHelpClick},
    {"ButtonSimulRun", "Run", 0.28, &SimulationPanel::ButtonSimulRunClick},
    {"ButtonSimulPrintProt", "Print Prot", 0.51, &SimulationPanel::ButtonSimulPrintProtClick},
    {"ButtonSimulExit", "Exit", 0.74, &SimulationPanel::ButtonSimulExitClick},
};

} // namespace

SimulationPanel::SimulationPanel(SimulationSession& session, const SimulationPlotView& plot,
                                 const DisplayFonts& fonts, HelpService& help, UserDialogs& dialogs,
                                 QWidget* parent)
    : QFrame(parent), SessionView(this), mSession(session), mPlot(plot), mFonts(fonts), mHelp(help),
      mDialogs(dialogs) {
    setObjectName(QStringLiteral("Panel1"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    // The main window's right-click menu belongs to the plot, not to the panels over it.
    setContextMenuPolicy(Qt::PreventContextMenu);
    buildControls();
    copyOut();
    mProgressTimer = new QTimer(this);
    mProgressTimer->setInterval(100);
    connect(mProgressTimer, &QTimer::timeout, this,
            [this] { emit runProgress(mRunDone.load(std::memory_order_relaxed)); });
}

SimulationPanel::~SimulationPanel() {
    cancelAndWait();
}

void SimulationPanel::buildControls() {
    auto* group = new QGroupBox(QStringLiteral("Simulation mode"), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    mRadioGroup = group;
    auto radio = [&](const char* name, const char* caption, void (SimulationPanel::*slot)()) {
        auto* rb = new QRadioButton(QString::fromLatin1(caption), group);
        rb->setObjectName(QString::fromLatin1(name));
        // The handler runs when the user checks the button, not when the model is shown.
        connect(rb, &QRadioButton::toggled, this, [this, slot](bool on) {
            if (on && !mShowingModel) {
                (this->*slot)();
            }
        });
        return rb;
    };
    mRbfstep = radio("rbSimulfstep", "f-step", &SimulationPanel::rbSimulfstepClick);
    mRbphistep = radio("rbSimulphistep", "phi-step", &SimulationPanel::rbSimulphistepClick);
    mRbNstep = radio("rbSimulNstep", "N-step", &SimulationPanel::rbSimulNstepClick);

    for (const FieldRow& row : kFieldRows) {
        Field f{row.id};
        f.edit = new QLineEdit(this);
        const FieldNames names = fieldNames(row.id);
        f.edit->setObjectName(names.edit);
        f.label = new QLabel(QString::fromLatin1(row.caption), this);
        f.label->setObjectName(names.label);
        mFields.push_back(f);
    }
    mCbAddNoise = new QCheckBox(QStringLiteral("Add noise"), this);
    mCbAddNoise->setObjectName(QStringLiteral("cbSimulAddNoise"));
    connect(mCbAddNoise, &QCheckBox::clicked, this, &SimulationPanel::cbSimulAddNoiseClick);
    mCbFilter = new QCheckBox(QStringLiteral("Filter"), this);
    mCbFilter->setObjectName(QStringLiteral("cbSimulFilter"));
    mCbModel = new QCheckBox(QStringLiteral("Model"), this);
    mCbModel->setObjectName(QStringLiteral("cbSimulModel"));
    mCbModel->setToolTip(QStringLiteral("The designed loop's response over the run (dashed)"));
    connect(mCbModel, &QCheckBox::clicked, this, &SimulationPanel::cbSimulModelClick);
    mSeedLabel = new QLabel(this);
    mSeedLabel->setObjectName(QString::fromLatin1(kNoiseSeedLabel));
    mNewNoiseButton = new QPushButton(QStringLiteral("New noise"), this);
    mNewNoiseButton->setObjectName(QString::fromLatin1(kNewNoiseButton));
    connect(mNewNoiseButton, &QPushButton::clicked, this,
            &SimulationPanel::ButtonSimulNewNoiseClick);

    for (const PanelButton& button : kButtons) {
        auto* b = new QPushButton(QString::fromLatin1(button.caption), this);
        b->setObjectName(QString::fromLatin1(button.name));
        connect(b, &QPushButton::clicked, this, button.slot);
        mButtons.push_back(b);
    }
    mCancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    mCancelButton->setObjectName(QStringLiteral("ButtonSimulCancel"));
    mCancelButton->hide();
    connect(mCancelButton, &QPushButton::clicked, this, &SimulationPanel::ButtonSimulCancelClick);
}

void SimulationPanel::place(const QRect& geometry) {
    setGeometry(geometry);
    const QSize size = geometry.size();
    const QRect groupRect = fractionRect(size, 0.1, 0.02, 0.4, 0.18);
    mRadioGroup->setGeometry(groupRect);
    const double radioTops[] = {0.04, 0.08, 0.12};
    QRadioButton* radios[] = {mRbfstep, mRbphistep, mRbNstep};
    for (int i = 0; i < 3; ++i) {
        // The radio rows are given in panel coordinates; the group box is their parent.
        radios[i]->setGeometry(
            fractionRect(size, 0.14, radioTops[i], 0.3, 0.06).translated(-groupRect.topLeft()));
    }
    for (std::size_t i = 0; i < mFields.size(); ++i) {
        mFields[i].edit->setGeometry(fractionRect(size, 0.1, kFieldRows[i].top, 0.3, 0.05));
        mFields[i].label->setGeometry(fractionRect(size, 0.5, kFieldRows[i].top, 0.3, 0.05));
    }
    mCbAddNoise->setGeometry(fractionRect(size, 0.1, 0.57, 0.4, 0.07));
    mCbFilter->setGeometry(fractionRect(size, 0.1, 0.74, 0.4, 0.05));
    mCbModel->setGeometry(fractionRect(size, 0.5, 0.74, 0.4, 0.05));
    // Beside "Add noise", shown with the noise fields; the labels of SNR and NoiseBW stay free.
    mSeedLabel->setGeometry(fractionRect(size, 0.5, 0.58, 0.14, 0.05));
    mNewNoiseButton->setGeometry(fractionRect(size, 0.65, 0.565, 0.25, 0.06));
    for (std::size_t i = 0; i < mButtons.size(); ++i) {
        mButtons[i]->setGeometry(fractionRect(size, kButtons[i].left, 0.85, 0.18, 0.05));
    }
    mCancelButton->setGeometry(fractionRect(size, 0.28, 0.85, 0.18, 0.05));
}

void SimulationPanel::copyOut() {
    mShowingModel = true;
    SimulationPanelModel& model = mSession.panel();
    for (const Field& f : mFields) {
        f.edit->setText(QString::fromStdString(*entryText(model.entries, f.id)));
    }
    switch (model.stimulus) {
    case Stimulus::FStep:
        mRbfstep->setChecked(true);
        break;
    case Stimulus::PhiStep:
        mRbphistep->setChecked(true);
        break;
    case Stimulus::NStep:
        mRbNstep->setChecked(true);
        break;
    }
    mCbAddNoise->setChecked(model.addNoise);
    mCbFilter->setChecked(model.filter);
    mCbModel->setChecked(mSession.params().sidecar.SimShowModel);
    mSeedLabel->setText(QString::fromStdString(NoiseSeedText(mSession.params().sidecar.NoiseSeed)));
    applyVisibility(this, objectVisibility(mSession.visibility()));
    mShowingModel = false;
}

void SimulationPanel::copyIn() {
    SimulationPanelModel& model = mSession.panel();
    for (const Field& f : mFields) {
        *entryText(model.entries, f.id) = f.edit->text().toStdString();
    }
    model.addNoise = mCbAddNoise->isChecked();
    model.filter = mCbFilter->isChecked();
}

void SimulationPanel::showPanelMessage(const Message& message) {
    if (!showMessage(mDialogs, this, message)) {
        qCritical("Loopcraft: the simulation panel has no field for %s", textName(*message.field));
    }
}

void SimulationPanel::apply(const SimulationOutcome& outcome) {
    copyOut();
    if (outcome.message) {
        showPanelMessage(*outcome.message);
    }
    if (outcome.resultsChanged) {
        emit resultsChanged();
    }
}

void SimulationPanel::showView() {
    copyIn();
    const SimulationOutcome outcome = mSession.Open();
    show();
    raise();
    apply(outcome);
}

void SimulationPanel::RBChanged() {
    copyIn();
    apply(mSession.ApplyStimulusRules());
}

void SimulationPanel::rbSimulfstepClick() {
    copyIn();
    apply(mSession.ChooseStimulus(Stimulus::FStep));
}

void SimulationPanel::rbSimulphistepClick() {
    copyIn();
    apply(mSession.ChooseStimulus(Stimulus::PhiStep));
}

void SimulationPanel::rbSimulNstepClick() {
    copyIn();
    apply(mSession.ChooseStimulus(Stimulus::NStep));
}

void SimulationPanel::SaveRadioButtonStatus() {
    mSession.SaveRadioButtonStatus();
}

void SimulationPanel::cbSimulAddNoiseClick() {
    copyIn();
    copyOut();
}

void SimulationPanel::cbSimulModelClick() {
    mSession.ShowModel(mCbModel->isChecked());
    emit modelChanged();
}

void SimulationPanel::ButtonSimulHelpClick() {
    mHelp.jumpToTopic(QStringLiteral("ParametersOfPLLSimulation"));
}

void SimulationPanel::ButtonSimulRunClick() {
    if (mRunThread) {
        return;
    }
    copyIn();
    SimulationOutcome refused;
    if (!mSession.BeginRun(refused)) {
        apply(refused);
        return;
    }
    emit runStarting();
    mBusy.emplace();
    mRunDone.store(0);
    const int run = ++mRunNumber;
    mRunThread = QThread::create([this] {
        mRunResult = mSession.ComputeRun(
            [this](float done) { mRunDone.store(done, std::memory_order_relaxed); });
    });
    connect(mRunThread, &QThread::finished, this, [this, run] {
        if (run == mRunNumber && mRunThread) {
            finishRun();
        }
    });
    mRunThread->start();
    if (mRunThread->wait(QDeadlineTimer(mForegroundMs))) {
        finishRun();
        return;
    }
    // A long run: the window answers again while it computes, and it can be stopped.
    enableControls(false);
    mProgressTimer->start();
}

void SimulationPanel::finishRun() {
    // Ended for certain once wait() returns; a deferred delete could outlive the event loop
    // when the program is quitting.
    std::unique_ptr<QThread> thread(std::exchange(mRunThread, nullptr));
    thread->wait();
    mProgressTimer->stop();
    enableControls(true);
    mBusy.reset();
    apply(mSession.FinishRun(mRunResult));
}

void SimulationPanel::ButtonSimulCancelClick() {
    mSession.CancelRun();
}

void SimulationPanel::cancelAndWait() {
    if (mRunThread) {
        mSession.CancelRun();
        finishRun();
    }
}

void SimulationPanel::enableControls(bool enabled) {
    for (QWidget* w : findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        w->setEnabled(enabled);
    }
    // Help stays: reading about the run while it computes disturbs nothing.
    mButtons[0]->setEnabled(true);
    mCancelButton->setEnabled(true);
    mCancelButton->setVisible(!enabled);
    mButtons[1]->setVisible(enabled);
}

void SimulationPanel::ButtonSimulPrintProtClick() {
    if (!mSession.resultsValid()) {
        mDialogs.message(this, QStringLiteral("No printing"),
                         QStringLiteral("There is nothing to print. Hit the RUN button first."));
        return;
    }
    const ProtocolPagePainter page(mPlot.picture(), mPlot.width(), mFonts.PrinterFont,
                                   colorFromBgr(mSession.params().ColorPrinterFont),
                                   mSession.ProtocolLines(currentProtocolTimestamp()));
    printPageWithDialog(this, mDialogs, page);
}

void SimulationPanel::ButtonSimulNewNoiseClick() {
    if (mRunThread) {
        return;
    }
    copyIn();
    apply(mSession.NewNoise());
    ButtonSimulRunClick();
}

void SimulationPanel::ButtonSimulExitClick() {
    copyIn();
    const SimulationOutcome outcome = mSession.Exit();
    hide();
    if (outcome.resultsChanged) {
        emit resultsChanged();
    }
}

} // namespace loopcraft
