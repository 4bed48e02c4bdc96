#include "gui/bode/BodeWindow.h"
#include "gui/design/DesignDialog.h"
#include "gui/noise/PhaseNoiseWindow.h"
#include "gui/schematic/SchematicWindow.h"
#include "tests/gui/MainWindowFixture.h"

#include <QLabel>
#include <QListWidget>
#include <sstream>

namespace loopcraft::test {
namespace {

using MainWindowTest = MainWindowFixture;

// ---- help ---------------------------------------------------------------------------------

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
    EXPECT_FALSE(shown("Panel1") || shown("Panel2") || shown("Panel3") || shown("ScrollBar1"));

    trigger("RunSimulation1");
    EXPECT_TRUE(shown("Panel1"));
    trigger("Preferences1");
    EXPECT_FALSE(shown("Panel1"));
    EXPECT_TRUE(shown("Panel2"));
    trigger("About1");
    EXPECT_TRUE(shown("Panel3")) << "the About box is independent of the other panels";
    EXPECT_EQ(find<QLabel>("AboutVersion")->text(), "Version " LOOPCRAFT_VERSION);
    const auto* about = find<QLabel>("AboutText");
    EXPECT_GE(about->width(), about->sizeHint().width()) << "the purpose line is cut";
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
    EXPECT_TRUE(window->startLogoPending());
    click("SpeedButton3");
    click("ButtonSimulExit");
    EXPECT_FALSE(shown("Panel1"));
}

// ---- configuration dialog ----------------------------------------------------------------

TEST_F(MainWindowTest, DialogsLeftWithoutOkAreShownOnceMore) {
    open();
    EXPECT_EQ(whileConfigShown([this] { window->configDialog()->reject(); },
                               [this] { trigger("SetupPLL1"); }),
              2);
    EXPECT_EQ(whileShown(
                  window->designDialog(), [this] { window->designDialog()->reject(); },
                  [this] { trigger("PLLDesign1"); }),
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

// The Bode, schematic and phase noise windows lie over the working area below the tool bar,
// placed when the design dialog opens (or the menu opens the noise window): at start-up the main
// window does not know its menu's height yet.
TEST_F(MainWindowTest, SchematicAndNoiseWindowsSitWhereTheBodeWindowDoes) {
    open();
    QRect bode;
    QRect schematic;
    QRect noise;
    whileShown(
        window->designDialog(),
        [this, &bode, &schematic, &noise] {
            bode = window->bodeWindow()->geometry();
            schematic = window->schematicWindow()->geometry();
            noise = window->phaseNoiseWindow()->geometry();
            window->designDialog()->accept();
        },
        [this] { trigger("PLLDesign1"); });
    EXPECT_EQ(schematic, bode);
    EXPECT_EQ(noise, bode);
    EXPECT_GE(bode.top(), window->canvas()->mapToGlobal(QPoint(0, window->toolBarHeight())).y());
}

TEST_F(MainWindowTest, ConfigDialogIsNotShownAgainWhenTheProgramIsEnding) {
    open();
    const auto endWhileShown = [this] {
        window->close(); // as SIGTERM does
        window->configDialog()->reject();
    };
    EXPECT_EQ(whileConfigShown(endWhileShown, [this] { trigger("SetupPLL1"); }), 1);
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
    click("SpeedButton4");
    find<QListWidget>("ListBox1")->setCurrentRow(1);
    fakeDialogs().inputAnswers = {QStringLiteral("5")};
    click("ButtonOptionsSelectPenWidth");
    trigger("Quit1");
    window.reset();
    ParameterSet expected;
    expected.PenWidthCurve1 = 5;
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
    EXPECT_TRUE(window->fonts().AxisFont.bold());
    EXPECT_EQ(find<QLineEdit>("EditSimuldf")->text(), "123");
    trigger("SetInitDefaults1");
    EXPECT_EQ(find<QLineEdit>("EditSimuldf")->text(), "2000");
    EXPECT_FALSE(window->fonts().AxisFont.bold());
    EXPECT_EQ(readAll(path("PARAMS.TXT")), before);
}

} // namespace
} // namespace loopcraft::test
