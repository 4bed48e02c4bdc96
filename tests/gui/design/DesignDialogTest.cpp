#include "gui/design/DesignDialog.h"

#include "gui/base/MessagePresenter.h"
#include "gui/base/WidgetNames.h"
#include "gui/bode/BodeWindow.h"
#include "gui/schematic/SchematicWindow.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RecordingHelpService.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gmock/gmock.h>

namespace loopcraft::test {
namespace {

class DesignDialogTest : public ::testing::Test {
protected:
    // Opens the dialog as the main window does, after `configure` changed the stored choices.
    void open(const std::function<void(ParameterSet&)>& configure = {}) {
        if (configure) {
            configure(params);
        }
        dialog.PrepareDesignWindow();
        dialog.ApplyDesignPanelRules();
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QCoreApplication::processEvents(); // a message kept for the opening
    }
    QWidget* widget(const char* name) { return child<QWidget>(&dialog, name); }
    bool shown(const char* name) { return widget(name)->isVisibleTo(&dialog); }
    QString text(const char* name) {
        if (auto* e = qobject_cast<QLineEdit*>(widget(name)))
            return e->text();
        return child<QLabel>(&dialog, name)->text();
    }
    void type(const char* name, const char* t) {
        child<QLineEdit>(&dialog, name)->setText(QString::fromLatin1(t));
    }
    void click(const char* name) { child<QAbstractButton>(&dialog, name)->click(); }
    QString focused() {
        QWidget* f = dialog.focusWidget();
        return f ? f->objectName() : QString();
    }

    ParameterSet params;
    RecordingHelpService help;
    BodeWindow bode{params, help, fakeDialogs()};
    SchematicWindow schematic{params, help, fakeDialogs()};
    DesignDialog dialog{params, help, fakeDialogs(), bode, schematic};
};

TEST_F(DesignDialogTest, CarriesItsNameAndNoCloseButton) {
    EXPECT_EQ(dialog.objectName(), "Form3");
    EXPECT_EQ(dialog.windowTitle(), "Filter Design");
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(child<QListWidget>(&dialog, "lbFiltDesignC1")->item(4)->text(), "pF");
}

// Everything a rule or a check of this window can name is a control of the real window.
TEST_F(DesignDialogTest, EveryFieldAMessageCanNameIsAControl) {
    Configuration chargePump = Configuration::fromFlags(params);
    chargePump.detector = Detector::PFD_CP;
    for (int code = 1; code <= 15; ++code) {
        const Message m = DesignErrorMessage(static_cast<DesignErrorCode>(code), chargePump);
        ASSERT_TRUE(m.field) << code;
        EXPECT_TRUE(showMessage(fakeDialogs(), &dialog, m)) << textName(*m.field);
        QString label;
        findField(&dialog, *m.field, &label);
        EXPECT_NE(dialog.findChild<QWidget*>(label), nullptr) << textName(*m.field);
    }
    // Format errors name the entry that did not convert: every entry of both panels.
    for (int i = 0; i < kDesignFieldCount; ++i) {
        const auto f = static_cast<DesignField>(i);
        const FieldNames names = fieldNames(designFieldText(f));
        EXPECT_NE(dialog.findChild<QLineEdit*>(names.edit), nullptr);
        EXPECT_NE(dialog.findChild<QLabel*>(names.label), nullptr);
    }
}

// Visible entries per configuration, seen on the window: a=Ka 1 3 4 5 f=fs z=zeta c=C1 (with
// its unit list), S=section 2, R=pole-kind radio group, F=filter params, D=damping display,
// P=Calc filter params, A=Calc ADPLL params.
struct PanelCase {
    const char* name;
    std::vector<FlagId> flags;
    bool complexPoles;
    const char* shown;
};

class DesignPanelVisibility : public DesignDialogTest,
                              public ::testing::WithParamInterface<PanelCase> {};

TEST_P(DesignPanelVisibility, ShowsTheControlsOfTheConfiguration) {
    const PanelCase& c = GetParam();
    open([&](ParameterSet& p) {
        for (FlagId f : c.flags)
            p.selectFlag(f);
    });
    // The section-2 choice is a click away, whatever was stored.
    click(c.complexPoles ? "rbFiltDesignComplexPoles" : "rbFiltDesignRealPoles");
    const std::string letters = "a1345fzcSRFDPA";
    const QStringList controls =
        QStringLiteral(
            "EditFiltDesignKa EditFiltDesignTau1 EditFiltDesignTau3 EditFiltDesignTau4 "
            "EditFiltDesignTau5 EditFiltDesignfs EditFiltDesignzeta lbFiltDesignC1 GroupBox4 "
            "RadioGroup1 GroupBox2 StaticText6 ButtonFiltDesignCalcFilterParams "
            "ButtonFiltDesignCalcADPLLParams")
            .split(QLatin1Char(' '));
    std::string seen;
    for (std::size_t i = 0; i < letters.size(); ++i)
        if (dialog.findChild<QWidget*>(controls[static_cast<int>(i)])->isVisibleTo(&dialog))
            seen += letters[i];
    EXPECT_EQ(seen, c.shown);
    const bool adpll = std::string(c.name).starts_with("Adpll");
    EXPECT_EQ(shown("Panel2"), !adpll);
    EXPECT_EQ(shown("Panel3"), adpll);
    // A label always goes with its entry.
    for (int i = 0; i < kDesignFieldCount; ++i) {
        const auto f = static_cast<DesignField>(i);
        const FieldNames names = fieldNames(designFieldText(f));
        EXPECT_EQ(shown(names.edit.toLatin1().constData()),
                  shown(names.label.toLatin1().constData()))
            << names.edit.toStdString();
    }
}

using enum FlagId;
INSTANTIATE_TEST_SUITE_P(
    Configurations, DesignPanelVisibility,
    ::testing::Values(
        PanelCase{"Order1", {rbConfigPLLOrder1}, false, ""},
        PanelCase{"Order2Passive", {}, false, "1FDP"},
        PanelCase{"Order2ActiveLL", {rbConfigActiveLL}, false, "a1FDP"},
        PanelCase{"Order3ChargePumpPI",
                  {rbConfigDPLLPFD_CP, rbConfigPLLOrder3, rbConfigActivePI},
                  false,
                  "3cFDP"},
        PanelCase{"Order3ChargePumpActiveLL",
                  {rbConfigDPLLPFD_CP, rbConfigPLLOrder3, rbConfigActiveLL},
                  false,
                  "a13cFDP"},
        PanelCase{"Order4Passive", {rbConfigPLLOrder4}, true, "134SFDP"},
        PanelCase{"Order5Passive", {rbConfigPLLOrder5}, true, "1345SFDP"},
        PanelCase{"Order4PIReal", {rbConfigPLLOrder4, rbConfigActivePI}, false, "145SRFDP"},
        PanelCase{"Order4PIComplex", {rbConfigPLLOrder4, rbConfigActivePI}, true, "1fzSRFDP"},
        PanelCase{"Order5ChargePumpLLComplex",
                  {rbConfigPLLOrder5, rbConfigActiveLL, rbConfigDPLLPFD_CP},
                  true,
                  "a13fzcSRFDP"},
        // The charge pump's C1 does not count for an ADPLL.
        PanelCase{
            "AdpllOrder1", {rbConfigADPLL, rbConfigPLLOrder1, rbConfigDPLLPFD_CP}, false, "A"},
        PanelCase{"AdpllOrder3", {rbConfigADPLL, rbConfigPLLOrder3}, false, "A"}),
    [](const ::testing::TestParamInfo<PanelCase>& info) { return std::string(info.param.name); });

// A refused K puts the focus on its entry; the rule's bounds are in the validation table.
TEST_F(DesignDialogTest, AdpllCounterModulusMustBeAPowerOfTwo) {
    open([](ParameterSet& p) { p.selectFlag(FlagId::rbConfigADPLL); });
    ASSERT_TRUE(fakeDialogs().messages.empty());
    const std::pair<const char*, const char*> cases[] = {
        {"262144", "K must be integer power of 2 in range 2^3..2^17"}, {"131072", nullptr}};
    for (const auto& [k, message] : cases) {
        fakeDialogs().reset();
        type("EditFiltDesignK", k);
        type("EditFiltDesignM", "64");
        click("ButtonFiltDesignCalcADPLLFreqParams");
        if (message) {
            EXPECT_THAT(fakeDialogs().messageTexts(), ::testing::ElementsAre(message)) << k;
            EXPECT_EQ(focused(), "EditFiltDesignK") << k;
        } else {
            EXPECT_TRUE(fakeDialogs().messages.empty()) << k;
            EXPECT_EQ(params.FiltDesignK, 131072);
            EXPECT_EQ(text("stFiltDesignADPLLf3dbValue"), "1.0") << "64*100000/(131072*pi*16)";
        }
    }
}

TEST_F(DesignDialogTest, HiddenTau3StopsOrderTwoAndIsShownWithTheFocus) {
    open();
    ASSERT_FALSE(shown("EditFiltDesignTau3"));
    type("EditFiltDesignTau3", "-1");
    click("ButtonFiltDesignLDPLLDone");
    EXPECT_THAT(fakeDialogs().messageTexts(), ::testing::ElementsAre("Tau3 must be positive"));
    EXPECT_EQ(fakeDialogs().messages[0].title, "Illegal entry");
    EXPECT_TRUE(shown("EditFiltDesignTau3") && shown("stFiltDesignTau3"));
    EXPECT_EQ(focused(), "EditFiltDesignTau3");
    EXPECT_NE(dialog.result(), QDialog::Accepted);
}

TEST_F(DesignDialogTest, StoredRefusedValueIsReportedWhenTheWindowOpens) {
    open([](ParameterSet& p) {
        p.selectFlag(FlagId::rbConfigDPLLPFD_CP);
        p.setEntry(TextId::SchemaC1Val, "0");
    });
    EXPECT_THAT(fakeDialogs().messageTexts(), ::testing::ElementsAre("C1 must be positive"));
    EXPECT_EQ(focused(), "EditFiltDesignC1");
    EXPECT_TRUE(shown("lbFiltDesignC1"));
    EXPECT_EQ(text("EditFiltDesignC1"), "0") << "the stored text, as typed";
}

TEST_F(DesignDialogTest, ButtonsOpenTheirWindowsAndHelp) {
    open([](ParameterSet& p) { p.selectFlag(FlagId::rbConfigLPLLMul); });
    click("ButtonFiltDesignSchematic");
    EXPECT_TRUE(schematic.isVisible());
    click("ButtonFiltDesignPlotBode");
    ASSERT_TRUE(bode.isVisible() && bode.response().hasCurves());
    EXPECT_TRUE(child<QPlainTextEdit>(&bode, "Memo1")
                    ->toPlainText()
                    .startsWith("PLL type: LPLL\nPD type: Multiplier\n"));
    click("ButtonFiltDesignLDPLLHelp");
    EXPECT_EQ(help.requests, QStringList{"PLLDesign"});
    // A refused entry opens nothing.
    bode.hide();
    type("EditFiltDesignTau2", "0");
    click("ButtonFiltDesignPlotBode");
    EXPECT_FALSE(bode.isVisible());
}

// The capacitor goes from the schematic's session to the design's; the field shows it.
TEST_F(DesignDialogTest, SchematicDoneHandsC1ToTheDesign) {
    open([](ParameterSet& p) { p.selectFlag(FlagId::rbConfigDPLLPFD_CP); });
    click("ButtonFiltDesignSchematic");
    child<QLineEdit>(&schematic, "EditSchemaC1Val")->setText(QStringLiteral("47"));
    child<QListWidget>(&schematic, "lbSchemaC1Unit")->setCurrentRow(4);
    child<QPushButton>(&schematic, "ButtonSchemaDone")->click();
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_FALSE(schematic.isVisible());
    EXPECT_EQ(text("EditFiltDesignC1"), "47");
    EXPECT_EQ(child<QListWidget>(&dialog, "lbFiltDesignC1")->currentRow(), 4);
    EXPECT_EQ(dialog.session().window().entry(DesignField::C1), "47");
}

TEST_F(DesignDialogTest, AdpllCountersFromTheHoldRangeReachTheBodePlot) {
    // The captions and counters written, and when they are stored, are the session's.
    open([](ParameterSet& p) { p.selectFlag(FlagId::rbConfigADPLL); });
    type("EditFiltDesignADPLLfH", "25001");
    click("ButtonFiltDesignCalcADPLLParams");
    click("ButtonFiltDesignBodeADPLL");
    EXPECT_EQ(params.FiltDesignM, 65);
    EXPECT_TRUE(bode.isVisible() && bode.response().hasCurves());
    click("ButtonFiltDesignADPLLDone");
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

} // namespace
} // namespace loopcraft::test
