#include "gui/sim/SimulationPanel.h"

#include "gui/base/MessagePresenter.h"
#include "gui/base/WidgetNames.h"
#include "gui/config/ConfigDialog.h"
#include "gui/sim/SimulationPlotView.h"
#include "render/base/DrawingSurface.h"
#include "tests/gui/MainWindowFixture.h"

#include <QFile>
#include <QScrollBar>
#include <set>

namespace loopcraft::test {
namespace {

class SimulationPanelTest : public MainWindowFixture {
protected:
    SimulationPanel* panel() { return find<SimulationPanel>("Panel1"); }
    QRect plotFrameIn(const QImage& shot) const {
        return window->plotFrame().intersected(shot.rect());
    }
};

TEST_F(SimulationPanelTest, ChoosingNStepShowsTheNoteOnceAndSwitchesToTheScaler) {
    open();
    click("SpeedButton3");
    click("rbSimulNstep");
    click("rbSimulNstep"); // already selected: nothing more
    EXPECT_EQ(fakeDialogs().messages,
              (std::vector<RecordedMessage>{{"Note", QString::fromLatin1(kNStepNoteText)}}));
    EXPECT_EQ(window->params().rbConfigVCOScaler, 1);
    EXPECT_FALSE(widget("EditSimuldN")->isHidden());
    EXPECT_TRUE(widget("EditSimuldf")->isHidden());
    EXPECT_TRUE(widget("stSimuldphi")->isHidden());
    // The configuration dialog shows the scaler; choosing plain VCO there gives way to the
    // divider step again.
    whileConfigShown(
        [this] {
            ConfigDialog* d = window->configDialog();
            EXPECT_TRUE(d->radioStates().rbConfigVCOScaler);
            child<QRadioButton>(d, "rbConfigVCO")->click();
            child<QPushButton>(d, "ButtonConfigDone")->click();
        },
        [this] { trigger("SetupPLL1"); });
    EXPECT_EQ(window->params().rbConfigVCOScaler, 1);

    // The stored flags follow the buttons only when the panel is left with Exit.
    EXPECT_EQ(window->params().rbSimulNstep, 0);
    click("ButtonSimulExit");
    EXPECT_EQ(window->params().rbSimulNstep, 1);
    EXPECT_EQ(window->params().rbSimulfstep, 0);
}

TEST_F(SimulationPanelTest, NStepFromTheFileIsSelectedWithoutTheNoteAndGivesWayToAdpll) {
    writeParams([](ParameterSet& ps) { ps.selectFlag(FlagId::rbSimulNstep); });
    writeLogo();
    open();
    EXPECT_TRUE(find<QRadioButton>("rbSimulNstep")->isChecked());
    configure("rbConfigADPLL");
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_TRUE(find<QRadioButton>("rbSimulfstep")->isChecked());
    EXPECT_TRUE(widget("rbSimulNstep")->isHidden());
    EXPECT_TRUE(widget("EditSimuldN")->isHidden());
    EXPECT_FALSE(widget("EditSimuldf")->isHidden());
    click("rbSimulphistep");
    EXPECT_FALSE(widget("EditSimuldphi")->isHidden());
    EXPECT_TRUE(widget("EditSimuldf")->isHidden());
}

// The proposed run length and the centre frequency taken on opening are the session's.
TEST_F(SimulationPanelTest, NoiseFieldsShowWithTheNoiseBox) {
    open();
    click("SpeedButton3");
    EXPECT_EQ(find<QLineEdit>("EditSimulT")->text(),
              QString::fromStdString(window->params().text(TextId::SimulT)));
    EXPECT_FALSE(widget("cbSimulFilter")->isHidden());
    EXPECT_TRUE(widget("EditSimulSNR")->isHidden());
    EXPECT_FALSE(shown("ButtonSimulNewNoise") || shown("stSimulNoiseSeed"));
    click("cbSimulAddNoise");
    EXPECT_FALSE(widget("EditSimulSNR")->isHidden());
    EXPECT_FALSE(widget("stSimulNoiseBW")->isHidden());
    EXPECT_TRUE(shown("ButtonSimulNewNoise") && shown("stSimulNoiseSeed"));
}

// The seed line follows the run's lines and its noise settings; the lock figures come after it.
constexpr std::size_t kSeedLine = 9;

// "New noise" runs again with the next seed, which the panel shows and the protocol names; the
// runs before it repeat exactly.
TEST_F(SimulationPanelTest, NewNoiseRunsWithTheNextSeed) {
    open();
    click("SpeedButton3");
    click("cbSimulAddNoise");
    type("EditSimulT", "0.0002");
    EXPECT_EQ(find<QLabel>("stSimulNoiseSeed")->text(), "Seed 1");
    click("ButtonSimulRun");
    ASSERT_TRUE(simulation().resultsValid());
    const std::vector<ResultPair> first = simulation().state().Results;
    click("ButtonSimulRun");
    EXPECT_EQ(simulation().state().Results, first);
    click("ButtonSimulNewNoise");
    ASSERT_TRUE(simulation().resultsValid());
    EXPECT_EQ(find<QLabel>("stSimulNoiseSeed")->text(), "Seed 2");
    EXPECT_EQ(simulation().state().sidecar.NoiseSeed, 2u);
    EXPECT_EQ(window->params().sidecar.NoiseSeed, 2u); // kept in the settings file at exit
    EXPECT_NE(simulation().state().Results, first);
    EXPECT_EQ(simulation().ProtocolLines({}).at(kSeedLine), "Noise seed = 2");
}

// After "Set InitDefaults" the configuration dialog still shows what it showed last; the panel
// and the run both follow the restored (mixed-signal) configuration.
TEST_F(SimulationPanelTest, LayoutAndRunFollowTheSameConfiguration) {
    open();
    configure("rbConfigADPLL");
    trigger("SetInitDefaults1");
    ASSERT_TRUE(window->configDialog()->radioStates().rbConfigADPLL);
    runFor("0.0002");
    EXPECT_FALSE(widget("EditSimulnSamp")->isHidden());
    EXPECT_FALSE(widget("cbSimulFilter")->isHidden());
    ASSERT_TRUE(simulation().resultsValid());
    EXPECT_EQ(simulation().state().SimulnSamp, 4) << "a mixed-signal run";
}

TEST_F(SimulationPanelTest, AllDigitalPanelHidesTheSamplingAndExitHandsF0Back) {
    writeParams([](ParameterSet& ps) {
        ps.selectFlag(FlagId::rbConfigADPLL);
        ps.setEntry(TextId::ConfigADPLLf0, "50000");
    });
    open();
    click("SpeedButton3");
    EXPECT_EQ(find<QLineEdit>("EditSimulf0")->text(), "50000");
    EXPECT_TRUE(widget("EditSimulnSamp")->isHidden());
    EXPECT_TRUE(widget("stSimulnSamp")->isHidden());
    EXPECT_TRUE(widget("cbSimulFilter")->isHidden());
    type("EditSimulf0", "60000");
    type("EditSimulT", "0.0002");
    click("ButtonSimulRun");
    click("ButtonSimulExit");
    EXPECT_EQ(window->params().text(TextId::ConfigADPLLf0), "60000");
    EXPECT_FLOAT_EQ(window->params().ConfigADPLLf0, 60000.0f);
    whileConfigShown(
        [this] {
            ConfigDialog* d = window->configDialog();
            EXPECT_EQ(child<QLineEdit>(d, "EditConfigADPLLf0")->text(), "60000");
            child<QPushButton>(d, "ButtonConfigDone")->click();
        },
        [this] { trigger("SetupPLL1"); });
}

TEST_F(SimulationPanelTest, RunPlotsAndTheProgressNoteShowsWhileARunComputes) {
    open();
    runFor("0.0005");
    ASSERT_TRUE(fakeDialogs().messages.empty()) << fakeDialogs().messages[0].text.toStdString();
    ASSERT_TRUE(simulation().resultsValid());
    const QColor curve1 = colorFromBgr(window->params().ColorCurve1);
    auto curvePixels = [&](const QImage& shot) {
        int n = 0;
        const QRect frame = plotFrameIn(shot);
        for (int y = frame.top(); y <= frame.bottom(); y += 2)
            for (int x = frame.left(); x <= frame.right(); x += 2)
                n += shot.pixelColor(x, y) == curve1 ? 1 : 0;
        return n;
    };
    EXPECT_GT(curvePixels(window->canvas()->grab().toImage()), 20);

    // A second run: while it computes, the note covers the old plot.
    int checked = 0;
    QObject::connect(panel(), &SimulationPanel::runStarting, window.get(), [&] {
        const QImage shot = window->canvas()->grab().toImage();
        EXPECT_EQ(curvePixels(shot), 0);
        const QPoint inFrame = window->plotFrame().topLeft() + QPoint(1, 1);
        EXPECT_EQ(shot.pixelColor(inFrame), colorFromBgr(window->params().ColorFrameBackground));
        EXPECT_TRUE(find<SimulationPlotView>("SimulationPlot")->progressNoteShown());
        ++checked;
    });
    click("ButtonSimulRun");
    EXPECT_EQ(checked, 1);
    EXPECT_FALSE(find<SimulationPlotView>("SimulationPlot")->progressNoteShown());
    EXPECT_GT(curvePixels(window->canvas()->grab().toImage()), 20);

    trigger("ShowStartLogo1");
    EXPECT_FALSE(simulation().resultsValid()) << "the logo forgets the plot";
}

TEST_F(SimulationPanelTest, ZoomedRunShowsTheScrollBarAndExitHidesIt) {
    open();
    click("SpeedButton3");
    type("EditSimulZoomFact", "4");
    runFor("0.0005");
    EXPECT_FALSE(widget("ScrollBar1")->isHidden());
    find<QScrollBar>("ScrollBar1")->setValue(100);
    click("ButtonSimulExit");
    EXPECT_TRUE(widget("ScrollBar1")->isHidden());
    EXPECT_FALSE(simulation().resultsValid());
}

TEST_F(SimulationPanelTest, RunThatGoesNonFiniteShowsAMessageInsteadOfAPlot) {
    writeParams([](ParameterSet& ps) {
        ps.selectFlag(FlagId::rbConfigADPLL);
        ps.setEntry(TextId::FiltDesignTau2, "3.4e38");
    });
    writeLogo(); // no "Could not load bitmap" among the messages counted
    open();
    click("SpeedButton3");
    type("EditSimulZoomFact", "2");
    runFor("0.0002");
    ASSERT_TRUE(simulation().resultsValid()) << "the all-digital loop has no filter";
    ASSERT_TRUE(shown("ScrollBar1"));
    configure("rbConfigDPLL");
    click("ButtonSimulRun");
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0].title, "Non-finite result");
    EXPECT_TRUE(fakeDialogs().messages[0].text.startsWith("The filter output Uf at t = "));
    EXPECT_FALSE(simulation().resultsValid());
    EXPECT_FALSE(shown("ScrollBar1"));
    EXPECT_TRUE(simulation().state().Results.empty());
}

// One broken entry: its message, and the focus on the field, shown again if it was hidden. The
// rules' messages and focus fields are the session's (ValidateSimulation); here the fields a
// stimulus or the noise box hides, and the format errors.
struct BadEntry {
    const char* name;
    const char* edit;
    const char* text;
    const char* title;
    const char* message;
};

class SimulationPanelRefusal : public SimulationPanelTest,
                               public ::testing::WithParamInterface<BadEntry> {};

TEST_P(SimulationPanelRefusal, ShowsItsMessageAndFocusesTheField) {
    const BadEntry& e = GetParam();
    open();
    window->show();
    click("SpeedButton3");
    if (std::string(e.edit) == "EditSimuldN")
        click("rbSimulNstep");
    else if (std::string(e.edit) == "EditSimuldphi")
        click("rbSimulphistep");
    fakeDialogs().reset();
    type(e.edit, e.text);
    click("ButtonSimulRun");
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0], (RecordedMessage{e.title, e.message}));
    EXPECT_EQ(window->focusWidget(), widget(e.edit));
    EXPECT_FALSE(simulation().resultsValid());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, SimulationPanelRefusal,
    ::testing::Values(BadEntry{"PhaseStep", "EditSimuldphi", "181", "Illegal Entry",
                               "dphi must be in range -180..180"},
                      BadEntry{"DividerStep", "EditSimuldN", "-1", "Illegal Entry",
                               "Sum N + dN must be > 0"},
                      // Checked, and shown to be mended, even without noise.
                      BadEntry{"NoiseBandwidth", "EditSimulNoiseBW", "2", "Illegal Entry",
                               "NoiseBWRel must be in range 0.1..1"},
                      BadEntry{"ZoomNotAnInteger", "EditSimulZoomFact", "x", "Format error",
                               "Invalid integer format"},
                      BadEntry{"SnrNotANumber", "EditSimulSNR", "1..2", "Format error",
                               "Invalid floating format"}),
    [](const ::testing::TestParamInfo<BadEntry>& info) { return info.param.name; });

// Every field a check of the run can name must be on the panel; a typo in a rule would leave
// the user's focus nowhere. The walk breaks each entry in turn for every stimulus and category.
TEST_F(SimulationPanelTest, EveryFieldTheChecksNameIsOnThePanel) {
    open();
    std::set<TextId> named;
    for (TextId id : simulationValueOrder()) {
        for (const char* text : {"x", "0", "-1e30", "1e30"}) {
            for (Stimulus stimulus : {Stimulus::FStep, Stimulus::PhiStep, Stimulus::NStep}) {
                for (FlagId category : {FlagId::rbConfigDPLL, FlagId::rbConfigADPLL}) {
                    ParameterSet params;
                    params.selectFlag(category);
                    SimState state;
                    SimulationSession session(params, state);
                    session.ChooseStimulus(stimulus);
                    session.panel().entries.SimulT = "0.00002";
                    *entryText(session.panel().entries, id) = text;
                    if (auto message = session.Run().message; message && message->field)
                        named.insert(*message->field);
                }
            }
        }
    }
    EXPECT_EQ(named.size(), 9u) << "every entry can be named";
    for (TextId id : named) {
        QString label;
        EXPECT_NE(findField(panel(), id, &label), nullptr) << textName(id);
        EXPECT_NE(panel()->findChild<QWidget*>(label), nullptr) << textName(id);
    }
}

TEST_F(SimulationPanelTest, ProtocolIsPrintedOnlyAfterARunAndOnlyWhenConfirmed) {
    open();
    click("SpeedButton3");
    click("ButtonSimulPrintProt");
    EXPECT_EQ(fakeDialogs().messages,
              (std::vector<RecordedMessage>{
                  {"No printing", "There is nothing to print. Hit the RUN button first."}}));
    EXPECT_EQ(fakeDialogs().printerRequests, 0);

    runFor("0.0002");
    click("ButtonSimulPrintProt"); // cancelled: nothing, silently
    fakeDialogs().printerAnswers = {path("protocol.pdf")};
    click("ButtonSimulPrintProt");
    EXPECT_EQ(fakeDialogs().printerRequests, 2);
    EXPECT_EQ(fakeDialogs().messages.size(), 1u);
    QFile pdf(path("protocol.pdf"));
    ASSERT_TRUE(pdf.open(QIODevice::ReadOnly));
    EXPECT_TRUE(pdf.read(5) == "%PDF-");
    EXPECT_GT(pdf.size(), 2000);
}

TEST_F(SimulationPanelTest, PlotIsSavedAsAPictureAfterARun) {
    open();
    auto* save = find<QAction>("ActionSavePicture");
    EXPECT_FALSE(save->isEnabled()) << "nothing to save before a run";
    runFor("0.0002");
    ASSERT_TRUE(save->isEnabled());
    fakeDialogs().saveFileAnswers = {path("plot.svg")};
    save->trigger();
    EXPECT_TRUE(readAll(path("plot.svg")).find("<svg") != std::string::npos);
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

} // namespace
} // namespace loopcraft::test
