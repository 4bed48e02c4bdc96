#include "gui/config/ConfigDialog.h"

#include "gui/base/WidgetNames.h"
#include "gui/shell/HelpWindow.h"
#include "gui/shell/WindowHelpService.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RecordingHelpService.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gmock/gmock.h>
#include <set>

using namespace loopcraft;
using loopcraft::test::fakeDialogs;

namespace {

class ConfigDialogTest : public ::testing::Test {
protected:
    ParameterSet params;
    test::RecordingHelpService help;
    ConfigDialog dialog{params, help, fakeDialogs()};

    QWidget* widget(const char* name) { return test::child<QWidget>(&dialog, name); }
    bool shown(const char* name) { return widget(name)->isVisibleTo(&dialog); }
    bool checked(const char* name) { return test::child<QRadioButton>(&dialog, name)->isChecked(); }
    void click(const char* name) { test::child<QRadioButton>(&dialog, name)->click(); }
    void type(const char* name, const char* text) {
        test::child<QLineEdit>(&dialog, name)->setText(QString::fromLatin1(text));
    }
    // Done with the dialog on screen, so the focus can be observed.
    void done() {
        dialog.show();
        dialog.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        test::child<QPushButton>(&dialog, "ButtonConfigDone")->click();
    }
    QString focused() {
        QWidget* f = dialog.focusWidget();
        return f ? f->objectName() : QString();
    }
};

} // namespace

TEST_F(ConfigDialogTest, CarriesItsNameAndNoCloseButton) {
    EXPECT_EQ(dialog.objectName(), "Form2");
    EXPECT_EQ(dialog.windowTitle(), "PLL Configuration");
    const Qt::WindowFlags flags = dialog.windowFlags();
    EXPECT_FALSE(flags & Qt::WindowCloseButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);
    EXPECT_TRUE(flags & Qt::WindowMaximizeButtonHint);
}

TEST_F(ConfigDialogTest, PlacesItselfOverTheMainWindowsWorkingArea) {
    const QRect r = ConfigDialog::geometryFor({QRect(0, 0, 1280, 1024), 70, 960, 40});
    EXPECT_EQ(r, QRect(6, 70, 1267, 918));
}

TEST_F(ConfigDialogTest, FillsRadiosAndTheFourteenEditsFromTheParameterSet) {
    params.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    params.selectFlag(FlagId::rbConfigPLLOrder3);
    params.selectFlag(FlagId::rbConfigActivePI);
    params.selectFlag(FlagId::rbConfigADPLLJK);
    params.setTextRaw(TextId::ConfigKp, "2.5e-4");
    params.setTextRaw(TextId::ConfigN, "8");
    dialog.FillDialog();
    dialog.ApplyConfigRules();
    for (const char* rb :
         {"rbConfigDPLLPFD_CP", "rbConfigPLLOrder3", "rbConfigActivePI", "rbConfigADPLLJK"})
        EXPECT_TRUE(checked(rb)) << rb;
    EXPECT_FALSE(checked("rbConfigPLLOrder2"));
    EXPECT_EQ(test::child<QLineEdit>(&dialog, "EditConfigKp")->text(), "2.5e-4");
    EXPECT_EQ(test::child<QLineEdit>(&dialog, "EditConfigN")->text(), "8");
    EXPECT_EQ(test::child<QLineEdit>(&dialog, "EditConfigUSupP")->text(), "5.0");
    EXPECT_TRUE(shown("EditConfigKp"));
    EXPECT_FALSE(shown("EditConfigPDSatP"));
}

TEST_F(ConfigDialogTest, PfdMovesOrderOneToTwoAndExorBringsOrderOneBack) {
    click("rbConfigActivePI");
    click("rbConfigPLLOrder1");
    EXPECT_FALSE(shown("GroupBox4"));
    EXPECT_TRUE(checked("rbConfigActivePI")) << "only hidden, never changed";
    click("rbConfigDPLLPFD");
    EXPECT_TRUE(checked("rbConfigPLLOrder2"));
    EXPECT_FALSE(shown("rbConfigPLLOrder1"));
    EXPECT_TRUE(shown("GroupBox4"));
    click("rbConfigDPLLExor");
    EXPECT_TRUE(shown("rbConfigPLLOrder1"));
    EXPECT_TRUE(checked("rbConfigPLLOrder2"));
}

TEST_F(ConfigDialogTest, DetectorFilterAndOscillatorShowTheirFields) {
    click("rbConfigLPLLMul");
    EXPECT_TRUE(shown("EditConfigKd") && shown("stConfigKd"));
    EXPECT_FALSE(shown("EditConfigKp"));
    EXPECT_TRUE(shown("EditConfigPDSatP"));
    click("rbConfigDPLLPFD_CP");
    EXPECT_FALSE(shown("EditConfigKd"));
    EXPECT_TRUE(shown("EditConfigKp") && shown("stConfigKp"));
    EXPECT_FALSE(shown("EditConfigPDSatP") || shown("stConfigPDSatN"));
    for (const char* pd : {"rbConfigDPLLExor", "rbConfigDPLLJK", "rbConfigDPLLPFD"}) {
        click(pd);
        EXPECT_FALSE(shown("EditConfigKd") || shown("EditConfigKp")) << pd;
        EXPECT_TRUE(shown("EditConfigPDSatP") && shown("EditConfigPDSatN")) << pd;
    }
    EXPECT_FALSE(shown("EditConfigLFSatP"));
    click("rbConfigActivePI");
    EXPECT_TRUE(shown("EditConfigLFSatP") && shown("stConfigLFSatN"));
    EXPECT_FALSE(shown("EditConfigN"));
    click("rbConfigVCOScaler");
    EXPECT_TRUE(shown("EditConfigN") && shown("stConfigN"));
}

TEST_F(ConfigDialogTest, AdpllAndBackKeepsEveryMixedSignalChoice) {
    click("rbConfigPLLOrder4");
    click("rbConfigActiveLL");
    click("rbConfigADPLL");
    EXPECT_FALSE(shown("Panel2"));
    EXPECT_TRUE(shown("Panel3"));
    click("rbConfigDPLL");
    EXPECT_TRUE(shown("Panel2"));
    EXPECT_FALSE(shown("Panel3"));
    EXPECT_TRUE(checked("rbConfigPLLOrder4") && checked("rbConfigActiveLL"));
}

// The rule table below relies on the defaults passing; limits equal to their bounds pass too.
TEST_F(ConfigDialogTest, LimitsEqualToTheirBoundsAreAcceptedAndChoicesStored) {
    click("rbConfigDPLLPFD_CP");
    click("rbConfigPLLOrder3");
    click("rbConfigActivePI");
    for (const char* e :
         {"EditConfigUSupP", "EditConfigUSupN", "EditConfigPDSatP", "EditConfigPDSatN",
          "EditConfigLFSatP", "EditConfigLFSatN", "EditConfigVCOSatP", "EditConfigVCOSatN"})
        type(e, "1");
    done();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_EQ(params.rbConfigDPLLPFD_CP, 1);
    EXPECT_EQ(params.rbConfigDPLLExor, 0);
    EXPECT_EQ(params.rbConfigPLLOrder3, 1);
    EXPECT_EQ(params.rbConfigActivePI, 1);
}

// One broken value: its message, the field focused (and shown even when its group was hidden).
struct Violation {
    const char* edit;
    const char* text;
    const char* message;
    const char* focus;
    const char* title = "Illegal entry";
    const char* first = nullptr; // a radio button clicked before the entry
};

class ConfigDialogViolation : public ConfigDialogTest,
                              public ::testing::WithParamInterface<Violation> {};

TEST_P(ConfigDialogViolation, ShowsItsMessageAndFocusesTheField) {
    const Violation& v = GetParam();
    if (v.first)
        click(v.first);
    type(v.edit, v.text);
    done();
    EXPECT_NE(dialog.result(), QDialog::Accepted);
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0].title, v.title);
    EXPECT_EQ(fakeDialogs().messages[0].text, v.message);
    EXPECT_EQ(focused(), v.focus);
    EXPECT_TRUE(widget(v.focus)->isVisible());
    if (v.title != std::string("Illegal entry"))
        return;
    // Every mixed-signal value was read before the check, the broken one included.
    const TextId id = *findText(std::string(v.edit).substr(4));
    EXPECT_EQ(params.text(id), cutEntryText(v.text));
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigDialogViolation,
    ::testing::Values(
        Violation{"EditConfigUSupN", "5.5", "U+ must be larger than U-", "EditConfigUSupP"},
        Violation{"EditConfigLDPLLf0", "0", "f0 must be positive", "EditConfigLDPLLf0"},
        Violation{"EditConfigKp", "0", "Kp must bne positive", "EditConfigKp"},
        Violation{"EditConfigPDSatN", "4.6", "USat+ must be larger than USat-", "EditConfigPDSatP"},
        Violation{"EditConfigPDSatP", "5.01", "USat+ must be smaller than U+", "EditConfigPDSatP"},
        Violation{"EditConfigPDSatN", "-0.1", "USat- must be larger than U-", "EditConfigPDSatN"},
        Violation{"EditConfigLFSatP", "0.4", "USat+ must be larger than USat-", "EditConfigLFSatP"},
        Violation{"EditConfigLFSatP", "6", "USat+ must be smaller than U+", "EditConfigLFSatP"},
        Violation{"EditConfigVCOSatN", "4.6", "USat+ must be larger than USat-",
                  "EditConfigVCOSatP"},
        Violation{"EditConfigVCOSatP", "5.5", "USat+ must be smaller than U+", "EditConfigVCOSatP"},
        Violation{"EditConfigVCOSatN", "-2", "USat- must be larger than U-", "EditConfigVCOSatN"},
        Violation{"EditConfigK0", "-130000", "K0 must be positive", "EditConfigK0"},
        Violation{"EditConfigN", "0", "N must be positive", "EditConfigN"},
        Violation{"EditConfigN", "2.0", "Invalid integer format", "EditConfigN", "Format error"},
        // Hidden by Exor and by order one: shown again to be mended.
        Violation{"EditConfigKd", "-1", "Kd must be positive", "EditConfigKd"},
        Violation{"EditConfigLFSatN", "-1", "USat- must be larger than U-", "EditConfigLFSatN",
                  "Illegal entry", "rbConfigPLLOrder1"},
        // Twelve characters: the cut leaves "0.000000000", which is zero.
        Violation{"EditConfigKd", "0.0000000001", "Kd must be positive", "EditConfigKd"}));

// Every field the checks can name must be in the dialog with its label; a typo in a rule would
// leave the user's focus nowhere. The walk breaks each value in turn, in both categories.
TEST_F(ConfigDialogTest, EveryFieldTheChecksNameIsInTheDialog) {
    std::set<TextId> named;
    for (int slot = 0; slot < kTextCount; ++slot) {
        const auto id = static_cast<TextId>(slot);
        if (!std::string(textName(id)).starts_with("Config"))
            continue;
        for (const char* text : {"0", "-1e30", "1e30"}) {
            for (FlagId category : {FlagId::rbConfigDPLL, FlagId::rbConfigADPLL}) {
                ParameterSet p;
                p.selectFlag(category);
                p.setEntry(id, text);
                if (auto message = ValidateConfiguration(p); message && message->field)
                    named.insert(*message->field);
            }
        }
    }
    EXPECT_EQ(named.size(), 13u) << "all edits but U- can be named";
    for (TextId id : named) {
        QString label;
        EXPECT_NE(findField(&dialog, id, &label), nullptr) << textName(id);
        EXPECT_NE(dialog.findChild<QLabel*>(label), nullptr) << textName(id);
    }
}

TEST_F(ConfigDialogTest, FormatErrorStopsReadingWithEarlierValuesAndFlagsKept) {
    click("rbConfigDPLLJK");
    type("EditConfigKd", "2.5");
    type("EditConfigK0", "13e4x");
    type("EditConfigN", "7");
    done();
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0],
              (RecordedMessage{"Format error", "Invalid floating format"}));
    EXPECT_EQ(focused(), "EditConfigK0");
    EXPECT_EQ(test::child<QLineEdit>(&dialog, "EditConfigK0")->selectedText(), "13e4x");
    EXPECT_EQ(params.rbConfigDPLLJK, 1); // stored before reading
    EXPECT_EQ(params.ConfigKd, 2.5f);    // read before the failure
    EXPECT_EQ(params.text(TextId::ConfigK0), "130000");
    EXPECT_EQ(params.ConfigN, 1); // never read
}

TEST_F(ConfigDialogTest, AdpllReadsOnlyItsCentreFrequency) {
    click("rbConfigADPLL");
    type("EditConfigKd", "garbage");
    type("EditConfigADPLLf0", "0");
    done();
    ASSERT_EQ(fakeDialogs().messageTexts(), QStringList{"f0 must be positive"});
    EXPECT_EQ(focused(), "EditConfigADPLLf0");
    EXPECT_EQ(params.rbConfigADPLL, 1);

    fakeDialogs().reset();
    type("EditConfigADPLLf0", "250000");
    test::child<QPushButton>(&dialog, "ButtonConfigDone")->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_EQ(params.ConfigADPLLf0, 250000.0f);
    EXPECT_EQ(params.text(TextId::ConfigKd), "1");
}

TEST(ConfigDialogModality, HelpWindowStaysUsableWhileTheDialogIsOpen) {
    QWidget mainWindow;
    mainWindow.resize(800, 600);
    mainWindow.show();
    ParameterSet params;
    WindowHelpService help(&mainWindow, {QStringLiteral(LOOPCRAFT_DATA_DIR "/modhelp.hlp")});
    ConfigDialog dialog(params, help, fakeDialogs(), &mainWindow);
    // Shown the way exec() shows it, without blocking the test.
    dialog.setAttribute(Qt::WA_ShowModal, true);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    test::child<QPushButton>(&dialog, "ButtonConfigHelp")->click();
    HelpWindow* w = help.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
    EXPECT_EQ(w->currentTopic(), "PLLConfiguration");
    // A click that goes through the window system, as the user's would.
    auto* contents = test::child<QPushButton>(w, "ButtonHelpContents");
    QTest::mouseClick(w->windowHandle(), Qt::LeftButton, {},
                      contents->mapTo(w, contents->rect().center()));
    QTest::qWait(50);
    EXPECT_EQ(w->currentTopic(), "Contents");
    dialog.accept();
}
