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

TEST_F(ConfigDialogTest, FillsRadiosAndTheFourteenEditsFromTheParameterSet) {
    params.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    params.selectFlag(FlagId::rbConfigPLLOrder3);
    params.selectFlag(FlagId::rbConfigActivePI);
    params.selectFlag(FlagId::rbConfigADPLLJK);
    params.setTextRaw(TextId::ConfigKp, "2.5e-4");
    params.setTextRaw(TextId::ConfigN, "8");
    dialog.reload();
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

// The rules themselves are the session's (tests/core/config); here the clicks reach them and the
// dialog shows what they decide, the radio buttons included.
TEST_F(ConfigDialogTest, ClicksShowAndHideFieldsWithTheirLabels) {
    click("rbConfigLPLLMul");
    EXPECT_TRUE(shown("EditConfigKd") && shown("stConfigKd"));
    click("rbConfigDPLLPFD_CP");
    EXPECT_FALSE(shown("EditConfigKd") || shown("stConfigKd"));
    EXPECT_FALSE(shown("EditConfigPDSatP") || shown("stConfigPDSatN"));
    click("rbConfigVCOScaler");
    EXPECT_TRUE(shown("EditConfigN") && shown("stConfigN"));
    click("rbConfigADPLL");
    EXPECT_FALSE(shown("Panel2"));
    EXPECT_TRUE(shown("Panel3"));
}

TEST_F(ConfigDialogTest, PfdMovesTheOrderButtonFromOneToTwo) {
    click("rbConfigPLLOrder1");
    EXPECT_FALSE(shown("GroupBox4"));
    click("rbConfigDPLLPFD");
    EXPECT_TRUE(checked("rbConfigPLLOrder2"));
    EXPECT_FALSE(checked("rbConfigPLLOrder1"));
    EXPECT_FALSE(shown("rbConfigPLLOrder1"));
    EXPECT_TRUE(shown("GroupBox4"));
}

TEST_F(ConfigDialogTest, DoneStoresTheChoicesAndTheEntriesAndCloses) {
    click("rbConfigDPLLPFD_CP");
    click("rbConfigActivePI");
    type("EditConfigVCOSatN", "1");
    done();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_EQ(params.rbConfigDPLLPFD_CP, 1);
    EXPECT_EQ(params.rbConfigActivePI, 1);
    EXPECT_EQ(params.text(TextId::ConfigVCOSatN), "1");
}

// One refused value: its message, and the field focused and shown even when its group was hidden.
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
}

INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigDialogViolation,
    ::testing::Values(
        // The check names another field than the one typed into.
        Violation{"EditConfigUSupN", "5.5", "U+ must be larger than U-", "EditConfigUSupP"},
        Violation{"EditConfigN", "2.0", "Invalid integer format", "EditConfigN", "Format error"},
        // Hidden by Exor and by order one: shown again to be mended.
        Violation{"EditConfigKd", "-1", "Kd must be positive", "EditConfigKd"},
        Violation{"EditConfigLFSatN", "-1", "USat- must be larger than U-", "EditConfigLFSatN",
                  "Illegal entry", "rbConfigPLLOrder1"}));

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

TEST_F(ConfigDialogTest, FormatErrorSelectsTheWholeText) {
    click("rbConfigDPLLJK");
    type("EditConfigK0", "13e4x");
    done();
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0],
              (RecordedMessage{"Format error", "Invalid floating format"}));
    EXPECT_EQ(focused(), "EditConfigK0");
    EXPECT_EQ(test::child<QLineEdit>(&dialog, "EditConfigK0")->selectedText(), "13e4x");
    EXPECT_EQ(params.rbConfigDPLLJK, 1);
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
