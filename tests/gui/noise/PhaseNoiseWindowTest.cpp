// The phase-noise window as a user drives it: it follows every keystroke, shows why it cannot
// compute instead of interrupting, imports tables, prints, and opens from the design window and
// the Design menu.
#include "gui/noise/PhaseNoiseWindow.h"

#include "gui/design/DesignDialog.h"
#include "tests/gui/MainWindowFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace loopcraft::test {
namespace {

class PhaseNoiseWindowTest : public ::testing::Test {
protected:
    ParameterSet params;
    PhaseNoiseWindow window{params, fakeDialogs()};
};

TEST_F(PhaseNoiseWindowTest, FollowsEveryEditAndShowsWhyItCannot) {
    window.showView();
    ASSERT_TRUE(window.result());
    const double before = window.result()->figures.rmsPhaseRad;

    auto* from = child<QLineEdit>(&window, "EditNoiseFrom");
    from->selectAll();
    QTest::keyClicks(from, "1x");
    EXPECT_FALSE(window.result());
    QTest::keyClick(from, Qt::Key_Backspace);
    QTest::keyClicks(from, "000");
    ASSERT_TRUE(window.result());
    EXPECT_EQ(window.result()->figures.from, 1000.0);
    EXPECT_LT(window.result()->figures.rmsPhaseRad, before); // less of the band, less noise
    EXPECT_TRUE(fakeDialogs().messages.empty());

    // A louder oscillator table raises the total far out.
    auto* vco = child<QPlainTextEdit>(&window, "MemoNoiseOscillator");
    const double farOut = window.result()->total.back();
    vco->setPlainText(QStringLiteral("1000,-90\n1e6,-145\n"));
    ASSERT_TRUE(window.result());
    EXPECT_GT(window.result()->total.back(), farOut + 10);

    child<QCheckBox>(&window, "cbNoiseE24")->click();
    EXPECT_TRUE(window.session().lastSettings().e24Values);
}

TEST_F(PhaseNoiseWindowTest, ImportsTablesAndReportsBadFiles) {
    QTemporaryDir dir;
    QFile good(dir.filePath(QStringLiteral("ref.csv")));
    ASSERT_TRUE(good.open(QIODevice::WriteOnly));
    good.write("offset,dBc\n10,-95\n1000,-140\n");
    good.close();
    QFile bad(dir.filePath(QStringLiteral("bad.csv")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("1000,-95\n10,-140\n");
    bad.close();
    window.showView();
    auto* ref = child<QPlainTextEdit>(&window, "MemoNoiseReference");

    fakeDialogs().openFileAnswers.push_back(good.fileName());
    child<QPushButton>(&window, "ButtonNoiseImportReference")->click();
    EXPECT_EQ(ref->toPlainText(), QStringLiteral("offset_hz,dbc_hz\n10,-95\n1000,-140\n"));
    ASSERT_TRUE(window.result());

    fakeDialogs().openFileAnswers.push_back(bad.fileName());
    child<QPushButton>(&window, "ButtonNoiseImportReference")->click();
    ASSERT_EQ(fakeDialogs().messages.size(), 1U);
    EXPECT_EQ(fakeDialogs().messages[0].title, QStringLiteral("Phase noise"));
    EXPECT_TRUE(fakeDialogs().messages[0].text.contains(QStringLiteral("must increase")));
    EXPECT_EQ(ref->toPlainText(), QStringLiteral("offset_hz,dbc_hz\n10,-95\n1000,-140\n"));

    child<QPushButton>(&window, "ButtonNoiseImportReference")->click(); // cancelled
    EXPECT_EQ(fakeDialogs().messages.size(), 1U);
}

TEST_F(PhaseNoiseWindowTest, PrintsOnALandscapePage) {
    QTemporaryDir dir;
    window.showView();
    fakeDialogs().printerAnswers.push_back(dir.filePath(QStringLiteral("noise.pdf")));
    child<QPushButton>(&window, "ButtonNoisePrint")->click();
    ASSERT_EQ(fakeDialogs().printerOrientations.size(), 1U);
    EXPECT_EQ(fakeDialogs().printerOrientations[0], QPageLayout::Landscape);
    const std::string pdf = readAll(dir.filePath(QStringLiteral("noise.pdf")));
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

class PhaseNoiseFromMain : public MainWindowFixture {};

TEST_F(PhaseNoiseFromMain, DesignButtonAndMenuOpenTheWindowThatFollowsTheDesign) {
    MainWindow& main = open();
    PhaseNoiseWindow* noise = main.phaseNoiseWindow();
    ASSERT_NE(noise, nullptr);
    EXPECT_FALSE(noise->isVisible());
    main.findChild<QAction*>(QStringLiteral("PhaseNoise1"))->trigger();
    EXPECT_TRUE(noise->isVisible());
    ASSERT_TRUE(noise->result());
    noise->hide();

    DesignDialog* design = main.designDialog();
    design->PrepareDesignWindow();
    child<QPushButton>(design, "ButtonFiltDesignPhaseNoise")->click();
    EXPECT_TRUE(noise->isVisible());
    ASSERT_TRUE(noise->result());
    // The reference's noise at 3 kHz, inside the designed bandwidth of about 4.7 kHz.
    const auto at3k = [noise] {
        const PhaseNoiseResult& r = *noise->result();
        std::size_t i = 0;
        while (r.offsets[i] < 3000)
            ++i;
        return r.contributions.front().dbc[i];
    };
    const double wide = at3k();

    // A loop narrowed to 500 Hz passes less of it.
    auto* f3db = child<QLineEdit>(design, "EditFiltDesignLDPLLf3db");
    f3db->setText(QStringLiteral("500"));
    child<QPushButton>(design, "ButtonFiltDesignCalcFilterParams")->click();
    ASSERT_TRUE(noise->result());
    EXPECT_LT(at3k(), wide - 10);
}

// The all-digital loop's design panel opens the window too: reference and oscillator through its
// linear model, no filter sources.
TEST_F(PhaseNoiseFromMain, AdpllDesignPanelOpensTheWindowOnItsLinearModel) {
    writeParams([](ParameterSet& p) { p.selectFlag(FlagId::rbConfigADPLL); });
    MainWindow& main = open();
    DesignDialog* design = main.designDialog();
    design->PrepareDesignWindow();
    design->ApplyDesignPanelRules();
    PhaseNoiseWindow* noise = main.phaseNoiseWindow();
    child<QPushButton>(design, "ButtonFiltDesignADPLLPhaseNoise")->click();
    EXPECT_TRUE(noise->isVisible());
    ASSERT_TRUE(noise->result());
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_EQ(noise->result()->contributions.size(), 2U);
}

} // namespace
} // namespace loopcraft::test
