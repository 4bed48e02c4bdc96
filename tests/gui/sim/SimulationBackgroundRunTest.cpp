// Runs that take long compute on their own thread: the window keeps answering, shows how far
// the run is, can stop it, and ends cleanly (parameter file written) when asked to quit.
#include "core/base/ParamsFile.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/Startup.h"
#include "gui/shell/TerminationSignals.h"
#include "gui/sim/SimulationPanel.h"
#include "gui/sim/SimulationPlotView.h"
#include "tests/gui/MainWindowFixture.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPointer>
#include <algorithm>
#include <csignal>
#include <unistd.h>

namespace loopcraft::test {
namespace {

// An all-digital loop with very fast counter clocks: about ten thousand events a reference
// period, so that a run of a fraction of a second of loop time computes for many seconds, with
// few points to keep.
void slowLoop(ParameterSet& ps) {
    ps.selectFlag(FlagId::rbConfigADPLL);
    ps.setEntry(TextId::FiltDesignM, "3000");
    ps.setEntry(TextId::FiltDesignN, "3000");
}
constexpr const char* kSlowRunSeconds = "0.5";

// Processes events until `done` holds or `ms` have passed; whether it holds.
bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

class SimulationBackgroundRunTest : public MainWindowFixture {
protected:
    SimulationPanel* panel() { return find<SimulationPanel>("Panel1"); }
    SimulationPlotView* plot() { return find<SimulationPlotView>("SimulationPlot"); }
    // Starts a run of `seconds` that goes to the background at once.
    void startInBackground(const char* seconds) {
        click("SpeedButton3");
        type("EditSimulT", seconds);
        panel()->setForegroundLimit(0);
        click("ButtonSimulRun");
    }
};

TEST_F(SimulationBackgroundRunTest, LongRunShowsProgressAndCancelKeepsTheStateConsistent) {
    writeParams(slowLoop);
    writeLogo();
    open();
    startInBackground(kSlowRunSeconds);
    ASSERT_TRUE(panel()->runInProgress()) << "the run ended within no time";
    // The window answers: the controls that would change the run are off, "Cancel" is offered
    // where "Run" was, the progress note is up and nothing of the run is shown as results.
    EXPECT_FALSE(widget("EditSimulT")->isEnabled());
    EXPECT_FALSE(widget("rbSimulphistep")->isEnabled());
    EXPECT_FALSE(widget("ButtonSimulExit")->isEnabled());
    EXPECT_FALSE(widget("ButtonSimulPrintProt")->isEnabled());
    EXPECT_TRUE(widget("ButtonSimulHelp")->isEnabled());
    EXPECT_TRUE(widget("ButtonSimulRun")->isHidden());
    ASSERT_TRUE(shown("ButtonSimulCancel"));
    EXPECT_TRUE(plot()->progressNoteShown());
    EXPECT_FALSE(simulation().resultsValid());
    EXPECT_TRUE(simulation().running());
    // A second Run meanwhile is ignored.
    panel()->ButtonSimulRunClick();
    paint();

    QElapsedTimer sinceCancel;
    sinceCancel.start();
    click("ButtonSimulCancel");
    ASSERT_TRUE(waitFor([this] { return !panel()->runInProgress(); }, 5000));
    EXPECT_LT(sinceCancel.elapsed(), 1000);
    EXPECT_FALSE(simulation().running());
    EXPECT_FALSE(simulation().resultsValid());
    EXPECT_TRUE(simulation().runCancelled());
    EXPECT_TRUE(simulation().state().Results.empty()) << "no half-filled results";
    EXPECT_FALSE(plot()->progressNoteShown());
    EXPECT_TRUE(widget("EditSimulT")->isEnabled());
    EXPECT_FALSE(widget("ButtonSimulRun")->isHidden());
    EXPECT_TRUE(widget("ButtonSimulCancel")->isHidden());
    EXPECT_TRUE(fakeDialogs().messages.empty());
    click("ButtonSimulPrintProt");
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0].title, "No printing");

    // The next run starts afresh and finishes.
    type("EditSimulT", "0.0002");
    panel()->setForegroundLimit(60000);
    click("ButtonSimulRun");
    EXPECT_TRUE(simulation().resultsValid());
    EXPECT_FALSE(simulation().runCancelled());
}

TEST_F(SimulationBackgroundRunTest, BackgroundRunGivesTheResultsOfARunWithoutThreads) {
    open();
    startInBackground("2");
    ASSERT_TRUE(panel()->runInProgress());
    ASSERT_TRUE(waitFor([this] { return !panel()->runInProgress(); }, 60000));
    ASSERT_TRUE(simulation().resultsValid());
    EXPECT_FALSE(plot()->progressNoteShown());

    // The same run on a copy of the parameters and the panel, on this thread.
    ParameterSet params = window->params();
    SimState state;
    SimulationSession session(params, state);
    session.panel() = simulation().panel();
    ASSERT_TRUE(session.Run().ok);
    const SimState& shown = simulation().state();
    ASSERT_EQ(shown.Results.size(), state.Results.size());
    EXPECT_TRUE(shown.Results == state.Results);
    EXPECT_EQ(shown.Curve1Min, state.Curve1Min);
    EXPECT_EQ(shown.Curve2Max, state.Curve2Max);
}

TEST_F(SimulationBackgroundRunTest, LeavingThePlotForTheOptionsCancelsTheRunQuietly) {
    writeParams(slowLoop);
    open();
    startInBackground(kSlowRunSeconds);
    ASSERT_TRUE(panel()->runInProgress());
    trigger("Preferences1");
    ASSERT_TRUE(waitFor([this] { return !panel()->runInProgress(); }, 5000));
    EXPECT_FALSE(simulation().resultsValid());
    EXPECT_FALSE(simulation().runCancelled()) << "nobody asked to see the cancelled run";
    EXPECT_TRUE(widget("Panel1")->isHidden());
}

// The program as main() runs it, with its signal handling: SIGTERM while a long run computes
// stops the run and still writes PARAMS.TXT, at once.
TEST(SimulationBackgroundRun, TerminationSignalDuringALongRunWritesTheParameterFile) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    ParameterSet ps;
    slowLoop(ps);
    ASSERT_TRUE(SaveParamsFileAtomic(ps, "PARAMS.TXT"));

    TerminationSignals termination;
    QElapsedTimer sinceSignal;
    bool running = false;
    QTimer::singleShot(0, [&] {
        MainWindow* window = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == QLatin1String("Form1"))
                window = qobject_cast<MainWindow*>(w);
        ASSERT_NE(window, nullptr);
        window->RunSimulation1Click();
        child<QLineEdit>(window, "EditSimulT")->setText(QString::fromLatin1(kSlowRunSeconds));
        auto* panel = child<SimulationPanel>(window, "Panel1");
        panel->setForegroundLimit(0);
        child<QPushButton>(window, "ButtonSimulRun")->click();
        running = panel->runInProgress();
        QTimer::singleShot(200, [&] {
            sinceSignal.start();
            ::kill(::getpid(), SIGTERM);
        });
    });
    const int code = runLoopcraft(*qApp, fakeDialogs(), &termination);
    const qint64 ms = sinceSignal.isValid() ? sinceSignal.elapsed() : -1;
    const std::string written = readAll(QStringLiteral("PARAMS.TXT"));
    QDir::setCurrent(previous);
    ASSERT_TRUE(running) << "the run ended before the signal came";
    EXPECT_EQ(code, 0);
    EXPECT_GE(ms, 0);
    EXPECT_LT(ms, 1000);
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), kParamsFileLines);
    // The file holds what the run was started with.
    EXPECT_NE(written.find(std::string(kSlowRunSeconds) + "\r\n"), std::string::npos);
}

} // namespace
} // namespace loopcraft::test
