#include "gui/app/MainWindow.h"

#include "core/app/ParamsFile.h"
#include "core/sim/SimState.h"
#include "gui/config/ConfigDialog.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RecordingHelpService.h"

#include <QAction>
#include <QCoreApplication>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <sstream>

namespace loopcraft::test {
namespace {

class MainWindowTest : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // A parameter file as the program writes it, after `change` edited the defaults.
    void writeParams(const std::function<void(ParameterSet&)>& change) {
        ParameterSet ps;
        change(ps);
        ASSERT_TRUE(SaveParamsFileAtomic(ps, path("PARAMS.TXT").toStdString()));
    }

    void writeLogo() {
        QImage logo(8, 6, QImage::Format_RGB32);
        logo.fill(Qt::darkBlue);
        ASSERT_TRUE(logo.save(path("start.bmp"), "BMP"));
    }

    MainWindow& open() {
        MainWindowSetup setup;
        setup.paramsFile = path("PARAMS.TXT").toStdString();
        setup.findDataFile = [this](const QString& name) { return dir.filePath(name); };
        setup.help = &help;
        window = std::make_unique<MainWindow>(fakeDialogs(), setup);
        return *window;
    }

    template <typename T> T* find(const char* name) { return child<T>(window.get(), name); }
    QWidget* widget(const char* name) { return find<QWidget>(name); }
    void trigger(const char* action) { find<QAction>(action)->trigger(); }
    void click(const char* button) { find<QAbstractButton>(button)->click(); }
    void paint() {
        window->canvas()->grab();
        QCoreApplication::processEvents();
    }

    // Runs `start` with `onShown` called whenever the configuration dialog is up; how often it was.
    int whileConfigShown(const std::function<void()>& onShown, const std::function<void()>& start) {
        window->show();
        int shown = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (window->configDialog()->isVisible()) {
                ++shown;
                onShown();
            }
        });
        poll.start(5);
        start();
        return shown;
    }

    QTemporaryDir dir;
    RecordingHelpService help;
    std::unique_ptr<MainWindow> window;
};

// ---- menu and tool bar ---------------------------------------------------------------------

struct MenuItem {
    const char* menu;
    const char* name;
    const char* caption;
};

class MainMenuTest : public MainWindowTest, public ::testing::WithParamInterface<MenuItem> {};

TEST_P(MainMenuTest, ItemSitsInItsMenuWithItsCaption) {
    open();
    const MenuItem& item = GetParam();
    auto* action = find<QAction>(item.name);
    ASSERT_NE(action, nullptr);
    EXPECT_EQ(action->text(), QString::fromLatin1(item.caption));
    bool found = false;
    for (QAction* top : find<QMenuBar>("MainMenu1")->actions()) {
        if (top->text() == QString::fromLatin1(item.menu)) {
            found = top->menu()->actions().contains(action);
        }
    }
    EXPECT_TRUE(found) << item.name << " not in menu " << item.menu;
}

INSTANTIATE_TEST_SUITE_P(
    Captions, MainMenuTest,
    ::testing::Values(MenuItem{"Config", "SetupPLL1", "Setup PLL"},
                      MenuItem{"Config", "ShowStartLogo1", "Show StartLogo"},
                      MenuItem{"Config", "SetInitDefaults1", "Set InitDefaults"},
                      MenuItem{"Design", "PLLDesign1", "PLL Design"},
                      MenuItem{"Simul", "RunSimulation1", "Run Simulation"},
                      MenuItem{"Help", "GetHelp1", "Get Help"}, MenuItem{"Help", "About1", "About"},
                      MenuItem{"Options", "Preferences1", "Preferences"},
                      MenuItem{"Options", "SetDefaultColors1", "Set Default Colors"},
                      MenuItem{"Exit", "Quit1", "Quit"}));

TEST_F(MainWindowTest, ToolBarButtonsCarryTheirHintsInOrder) {
    open();
    EXPECT_EQ(window->objectName(), "Form1");
    EXPECT_EQ(window->windowTitle(), "Loopcraft");
    const char* hints[] = {"performs PLL configuration", "designs the filter parameters",
                           "runs PLL simulation",        "select colors, pen widths, fonts...",
                           "Get help on Loopcraft",      "quit the program"};
    auto* bar = find<QWidget>("ToolBar1");
    ASSERT_NE(bar, nullptr);
    const QList<QAction*> actions = static_cast<QToolBar*>(bar)->actions();
    ASSERT_EQ(actions.size(), 6);
    for (int i = 0; i < 6; ++i) {
        const std::string name = "SpeedButton" + std::to_string(i + 1);
        QWidget* button = static_cast<QToolBar*>(bar)->widgetForAction(actions[i]);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->objectName(), QString::fromStdString(name));
        EXPECT_EQ(button->toolTip(), QString::fromLatin1(hints[i]));
    }
}

TEST_F(MainWindowTest, HelpMenuAndButtonsAskTheHelpService) {
    open();
    trigger("GetHelp1");
    click("SpeedButton5");
    click("ButtonSimulHelp");
    EXPECT_EQ(help.requests,
              (QStringList{"<contents>", "<contents>", "ParametersOfPLLSimulation"}));
}

// ---- panels --------------------------------------------------------------------------------

TEST_F(MainWindowTest, PanelVisibilityFollowsTheCommands) {
    open();
    auto shown = [this](const char* name) { return !widget(name)->isHidden(); };
    EXPECT_FALSE(shown("Panel1") || shown("Panel2") || shown("Panel3") || shown("ScrollBar1"));

    trigger("RunSimulation1");
    EXPECT_TRUE(shown("Panel1"));
    trigger("Preferences1");
    EXPECT_FALSE(shown("Panel1"));
    EXPECT_TRUE(shown("Panel2"));
    trigger("About1");
    EXPECT_TRUE(shown("Panel3")) << "the About box is independent of the other panels";
    EXPECT_TRUE(shown("Panel2"));
    click("OkButton");
    EXPECT_FALSE(shown("Panel3"));
    click("ButtonOptionsCancel");
    EXPECT_FALSE(shown("Panel2"));
    click("SpeedButton4");
    click("ButtonOptionsOk");
    EXPECT_FALSE(shown("Panel2"));

    click("SpeedButton3");
    trigger("ShowStartLogo1");
    EXPECT_FALSE(shown("Panel1"));
    EXPECT_TRUE(window->StartLogoPending);
    EXPECT_FALSE(window->ResultsValid);
    click("SpeedButton3");
    click("ButtonSimulExit");
    EXPECT_FALSE(shown("Panel1"));
}

TEST_F(MainWindowTest, OptionsButtonsFollowTheSelectedEntry) {
    open();
    click("SpeedButton4");
    auto* list = find<QListWidget>("ListBox1");
    ASSERT_EQ(list->count(), 6);
    const bool expected[6][2] = {{false, true},  {true, false},  {true, false},
                                 {false, false}, {false, false}, {false, true}};
    for (int row = 0; row < 6; ++row) {
        list->setCurrentRow(row);
        EXPECT_FALSE(widget("ButtonOptionsSelectColor")->isHidden());
        EXPECT_EQ(!widget("ButtonOptionsSelectPenWidth")->isHidden(), expected[row][0]) << row;
        EXPECT_EQ(!widget("ButtonOptionsSelectFont")->isHidden(), expected[row][1]) << row;
    }
}

TEST_F(MainWindowTest, PenWidthBelowOneBecomesOneAndGarbageIsRefused) {
    open();
    click("SpeedButton4");
    find<QListWidget>("ListBox1")->setCurrentRow(2);
    fakeDialogs().inputAnswers = {QStringLiteral("-3"), QStringLiteral("x1")};
    click("ButtonOptionsSelectPenWidth");
    EXPECT_EQ(window->params().PenWidthCurve2, 1);
    click("ButtonOptionsSelectPenWidth");
    EXPECT_EQ(window->params().PenWidthCurve2, 1);
    EXPECT_EQ(fakeDialogs().messages,
              (std::vector<RecordedMessage>{{"Error", "Invalid integer format, try again"}}));
    ASSERT_EQ(fakeDialogs().inputRequests.size(), 2u);
    EXPECT_EQ(fakeDialogs().inputRequests[0].caption, "Enter PenWidth");
    EXPECT_EQ(fakeDialogs().inputRequests[0].prompt, "PenWidth = ");
    EXPECT_EQ(fakeDialogs().inputRequests[0].defaultText, "2");
}

TEST_F(MainWindowTest, ColourIsKeptEvenWhenThePanelIsCancelled) {
    open();
    click("SpeedButton4");
    find<QListWidget>("ListBox1")->setCurrentRow(3);
    fakeDialogs().colorAnswers = {QColor(1, 2, 3)};
    click("ButtonOptionsSelectColor");
    click("ButtonOptionsCancel");
    EXPECT_EQ(window->params().ColorFrameBackground, 0x030201u);
    EXPECT_EQ(fakeDialogs().colorRequests.at(0), QColor(255, 255, 0));
}

// ---- configuration dialog ----------------------------------------------------------------

TEST_F(MainWindowTest, ConfigDialogLeftWithoutOkIsShownOnceMore) {
    open();
    EXPECT_EQ(whileConfigShown([this] { window->configDialog()->reject(); },
                               [this] { trigger("SetupPLL1"); }),
              2);
    const int shown = whileConfigShown(
        [this] {
            window->configDialog()->findChild<QRadioButton*>("rbConfigDPLLPFD_CP")->click();
            window->configDialog()->findChild<QPushButton*>("ButtonConfigDone")->click();
        },
        [this] { click("SpeedButton1"); });
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(window->params().rbConfigDPLLPFD_CP, 1);
}

TEST_F(MainWindowTest, ConfigDialogIsNotShownAgainWhenTheProgramIsEnding) {
    open();
    const auto endWhileShown = [this] {
        window->close(); // as SIGTERM does
        window->configDialog()->reject();
    };
    EXPECT_EQ(whileConfigShown(endWhileShown, [this] { trigger("SetupPLL1"); }), 1);
}

// ---- stimulus choice -----------------------------------------------------------------------

const QString kNStepNote = QStringLiteral(
    "When simulation mode N-step is chosen,the oscillator type in the CONFIG dialog is\r\n"
    "automatically switched to VCO + scaler.\r\n"
    "Make shure that you specified appropriate values\r\n"
    "for N and K0 in the CONFIG dialog box.\r\n"
    "\r\n"
    "You should also check the filter design\r\n"
    "in the DESIGN dialog box.");

TEST_F(MainWindowTest, ChoosingNStepShowsTheNoteOnceAndSwitchesToTheScaler) {
    writeLogo();
    open();
    paint();
    click("SpeedButton3");
    ASSERT_FALSE(window->StartLogoPending);
    click("rbSimulNstep");
    click("rbSimulNstep"); // already selected: nothing more
    EXPECT_EQ(fakeDialogs().messages, (std::vector<RecordedMessage>{{"Note", kNStepNote}}));
    EXPECT_EQ(window->params().rbConfigVCO, 0);
    EXPECT_EQ(window->params().rbConfigVCOScaler, 1);
    EXPECT_TRUE(window->configDialog()->radioStates().rbConfigVCOScaler);
    EXPECT_FALSE(widget("EditSimuldN")->isHidden());
    EXPECT_TRUE(widget("EditSimuldf")->isHidden());
    EXPECT_TRUE(widget("stSimuldphi")->isHidden());

    // The stored flags follow the buttons only when the panel is left with Exit.
    EXPECT_EQ(window->params().rbSimulNstep, 0);
    click("ButtonSimulExit");
    EXPECT_EQ(window->params().rbSimulNstep, 1);
    EXPECT_EQ(window->params().rbSimulfstep, 0);
}

TEST_F(MainWindowTest, NStepFromTheFileIsSelectedWithoutTheNote) {
    writeParams([](ParameterSet& ps) { ps.selectFlag(FlagId::rbSimulNstep); });
    open();
    EXPECT_TRUE(find<QRadioButton>("rbSimulNstep")->isChecked());
    EXPECT_TRUE(fakeDialogs().messages.empty() ||
                fakeDialogs().messages.front().title != QStringLiteral("Note"));
    // A mixed-signal loop with N-step gets the scaler back at every repaint.
    window->params().selectFlag(FlagId::rbConfigVCO);
    paint();
    EXPECT_EQ(window->params().rbConfigVCOScaler, 1);
    EXPECT_EQ(window->params().rbConfigVCO, 0);
}

TEST_F(MainWindowTest, AllDigitalLoopFallsBackFromNStepToFStep) {
    writeParams([](ParameterSet& ps) { ps.selectFlag(FlagId::rbSimulNstep); });
    open();
    window->params().selectFlag(FlagId::rbConfigADPLL);
    paint();
    EXPECT_TRUE(find<QRadioButton>("rbSimulfstep")->isChecked());
    EXPECT_TRUE(widget("rbSimulNstep")->isHidden());
    EXPECT_TRUE(widget("EditSimuldN")->isHidden());
    EXPECT_FALSE(widget("EditSimuldf")->isHidden());
    click("rbSimulphistep");
    EXPECT_FALSE(widget("EditSimuldphi")->isHidden());
    EXPECT_TRUE(widget("EditSimuldf")->isHidden());
}

TEST_F(MainWindowTest, OpeningThePanelTakesTheCentreFrequencyAndProposesARunLength) {
    writeParams([](ParameterSet& ps) { ps.setEntry(TextId::ConfigLDPLLf0, "200000"); });
    open();
    click("SpeedButton3");
    EXPECT_EQ(find<QLineEdit>("EditSimulf0")->text(), "200000");
    const QString proposed = find<QLineEdit>("EditSimulT")->text();
    EXPECT_NE(proposed, "0.001") << "4/f3db of the default loop is proposed";
    EXPECT_EQ(proposed, QString::fromStdString(window->params().text(TextId::SimulT)));
    EXPECT_FALSE(widget("cbSimulFilter")->isHidden());
    EXPECT_TRUE(widget("EditSimulSNR")->isHidden());
    click("cbSimulAddNoise");
    EXPECT_FALSE(widget("EditSimulSNR")->isHidden());
    EXPECT_FALSE(widget("stSimulNoiseBW")->isHidden());
}

TEST_F(MainWindowTest, AllDigitalPanelHidesTheSamplingAndExitHandsF0Back) {
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
    window->params().setEntry(TextId::Simulf0, "60000");
    click("ButtonSimulExit");
    EXPECT_EQ(window->params().text(TextId::ConfigADPLLf0), "60000");
    EXPECT_FLOAT_EQ(window->params().ConfigADPLLf0, 60000.0f);
    EXPECT_EQ(window->configDialog()->findChild<QLineEdit*>("EditConfigADPLLf0")->text(), "60000");
}

TEST_F(MainWindowTest, RunPlotsTheResultsInThePlotFrame) {
    writeLogo();
    open();
    paint();
    click("SpeedButton3");
    find<QLineEdit>("EditSimulT")->setText(QStringLiteral("0.0005"));
    click("ButtonSimulRun");
    ASSERT_TRUE(fakeDialogs().messages.empty()) << fakeDialogs().messages[0].text.toStdString();
    EXPECT_TRUE(window->ResultsValid);
    EXPECT_GT(window->simState().Results.size(), 40u);
    const QImage shot = window->canvas()->grab().toImage();
    const QRect frame = window->PlotFrame;
    int background = 0;
    for (int x = frame.left() + 1; x < frame.right(); x += 7) {
        background += shot.pixelColor(x, frame.top() + 3) == QColor(255, 255, 0) ? 1 : 0;
    }
    EXPECT_GT(background, frame.width() / 14) << "the frame is filled with its yellow background";
    click("ButtonSimulExit");
    EXPECT_FALSE(window->ResultsValid);
}

TEST_F(MainWindowTest, RunRefusesBadEntriesAndFocusesTheField) {
    open();
    window->show();
    click("SpeedButton3");
    find<QLineEdit>("EditSimulT")->setText(QStringLiteral("0"));
    click("ButtonSimulRun");
    find<QLineEdit>("EditSimulZoomFact")->setText(QStringLiteral("x"));
    click("ButtonSimulRun");
    EXPECT_EQ(fakeDialogs().messages,
              (std::vector<RecordedMessage>{{"Illegal Entry", "T must be > 0"},
                                            {"Format error", "Invalid integer format"}}));
    EXPECT_EQ(window->focusWidget(), widget("EditSimulZoomFact"));
    EXPECT_FALSE(window->ResultsValid);
}

TEST_F(MainWindowTest, RunThatGoesNonFiniteShowsAMessageInsteadOfAPlot) {
    open();
    click("SpeedButton3");
    find<QLineEdit>("EditSimulT")->setText(QStringLiteral("0.0002"));
    find<QLineEdit>("EditSimulZoomFact")->setText(QStringLiteral("2"));
    click("ButtonSimulRun");
    ASSERT_TRUE(window->ResultsValid);
    ASSERT_FALSE(find<QScrollBar>("ScrollBar1")->isHidden());
    ASSERT_TRUE(window->params().setEntry(TextId::FiltDesignTau2, "3.4e38"));
    click("ButtonSimulRun");
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0].title, "Non-finite result");
    EXPECT_TRUE(fakeDialogs().messages[0].text.startsWith("The filter output Uf at t = "));
    EXPECT_FALSE(window->ResultsValid);
    EXPECT_TRUE(find<QScrollBar>("ScrollBar1")->isHidden());
    EXPECT_TRUE(window->simState().Results.empty());
}

TEST_F(MainWindowTest, ProtocolIsPrintedOnlyAfterARunAndOnlyWhenConfirmed) {
    writeLogo();
    open();
    click("SpeedButton3");
    click("ButtonSimulPrintProt");
    EXPECT_EQ(fakeDialogs().messages,
              (std::vector<RecordedMessage>{
                  {"No printing", "There is nothing to print. Hit the RUN button first."}}));
    EXPECT_EQ(fakeDialogs().printerRequests, 0);

    find<QLineEdit>("EditSimulT")->setText(QStringLiteral("0.0002"));
    click("ButtonSimulRun");
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

// ---- start logo ----------------------------------------------------------------------------

TEST_F(MainWindowTest, StartLogoIsDrawnByOnePaintOnlyAndAgainAfterShowStartLogo) {
    writeLogo();
    open();
    paint();
    paint();
    EXPECT_EQ(window->startLogoDrawCount(), 1);
    trigger("ShowStartLogo1");
    paint();
    paint();
    EXPECT_EQ(window->startLogoDrawCount(), 2);
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

TEST_F(MainWindowTest, MissingLogoIsReportedOnceAndTheProgramGoesOn) {
    open();
    paint();
    paint();
    paint();
    EXPECT_EQ(fakeDialogs().messages,
              (std::vector<RecordedMessage>{{"Loopcraft", "Could not load bitmap"}}));
    EXPECT_EQ(window->startLogoDrawCount(), 0);
}

// ---- PARAMS.TXT --------------------------------------------------------------------------

TEST_F(MainWindowTest, QuitWritesTheParameterFile) {
    open();
    window->params().setEntry(TextId::ConfigKd, "2.5");
    trigger("Quit1");
    window.reset();
    ParameterSet expected;
    expected.setEntry(TextId::ConfigKd, "2.5");
    std::ostringstream out;
    WriteParamsFile(out, expected);
    EXPECT_EQ(readAll(path("PARAMS.TXT")), out.str());
}

TEST_F(MainWindowTest, SetInitDefaultsRestoresEverythingButLeavesTheFileUntilExit) {
    writeParams([](ParameterSet& ps) {
        ps.setEntry(TextId::Simuldf, "123");
        ps.AxisFontStyle[0] = 1;
    });
    const std::string before = readAll(path("PARAMS.TXT"));
    open();
    EXPECT_TRUE(window->AxisFont.bold());
    EXPECT_EQ(find<QLineEdit>("EditSimuldf")->text(), "123");
    trigger("SetInitDefaults1");
    EXPECT_EQ(find<QLineEdit>("EditSimuldf")->text(), "2000");
    EXPECT_FALSE(window->AxisFont.bold());
    EXPECT_EQ(readAll(path("PARAMS.TXT")), before);
}

} // namespace
} // namespace loopcraft::test
