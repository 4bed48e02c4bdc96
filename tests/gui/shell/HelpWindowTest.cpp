#include "gui/shell/HelpWindow.h"

#include "gui/shell/WindowHelpService.h"
#include "tests/gui/GuiTestSupport.h"

#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

using namespace loopcraft;

namespace {

const QString kShippedHelp = QStringLiteral(LOOPCRAFT_DATA_DIR "/modhelp.hlp");

QString pageText(HelpWindow* w) {
    return test::child<QTextBrowser>(w, "HelpBrowser")->toPlainText();
}

QStringList listedTitles(HelpWindow* w) {
    QStringList titles;
    auto* list = test::child<QListWidget>(w, "lbHelpTopics");
    for (int i = 0; i < list->count(); ++i)
        titles << list->item(i)->text();
    return titles;
}

} // namespace

TEST(HelpWindow, JumpContentsAndLinksShareOneNonModalWindow) {
    WindowHelpService service(nullptr, {kShippedHelp});
    service.jumpToTopic("Bode");
    HelpWindow* w = service.window();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->isModal());
    EXPECT_EQ(w->currentTopic(), "Bode");
    EXPECT_TRUE(pageText(w).startsWith("Bode plot"));

    service.openContents();
    EXPECT_EQ(service.window(), w); // one window, reused
    EXPECT_EQ(w->currentTopic(), "Contents");
    EXPECT_TRUE(pageText(w).contains("The usual way through the program"));

    emit test::child<QTextBrowser>(w, "HelpBrowser")->anchorClicked(QUrl("topic:Schematic"));
    EXPECT_EQ(w->currentTopic(), "Schematic");
    EXPECT_TRUE(pageText(w).contains("E24"));
}

TEST(HelpWindow, SearchFiltersTheTopicList) {
    WindowHelpService service(nullptr, {kShippedHelp});
    service.openContents();
    HelpWindow* w = service.window();
    EXPECT_EQ(listedTitles(w).size(), 6);
    test::child<QLineEdit>(w, "EditHelpSearch")->setText("hold range");
    EXPECT_EQ(listedTitles(w), QStringList{"PLL design"});
    test::child<QLineEdit>(w, "EditHelpSearch")->setText("zzzz-not-there");
    EXPECT_EQ(listedTitles(w), QStringList{"(no page contains these words)"});
}

TEST(HelpWindow, MissingFileIsReportedInTheWindow) {
    QTemporaryDir dir;
    const QString missing = dir.filePath("modhelp.hlp");
    WindowHelpService service(nullptr, {missing});
    service.jumpToTopic("PLLDesign");
    HelpWindow* w = service.window();
    EXPECT_TRUE(w->isVisible());
    EXPECT_FALSE(w->hasDocument());
    EXPECT_TRUE(pageText(w).contains("could not be opened") && pageText(w).contains(missing));
    EXPECT_TRUE(test::fakeDialogs().messages.empty());
}

TEST(HelpWindow, MissingTopicIsReportedInTheWindowAndFileFoundLater) {
    QTemporaryDir dir;
    const QString path = dir.filePath("modhelp.hlp");
    WindowHelpService service(nullptr, {path, kShippedHelp});
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("@topic Contents | Start\nOnly a start page.\n");
    }
    service.jumpToTopic("Schematic");
    HelpWindow* w = service.window();
    EXPECT_TRUE(pageText(w).contains("no page for the topic"));
    EXPECT_TRUE(pageText(w).contains("Schematic"));

    // The file is read afresh at every request: the first candidate is gone, the next is used.
    QFile::remove(path);
    service.jumpToTopic("Schematic");
    EXPECT_TRUE(pageText(w).startsWith("Schematic"));
}

// The window leaves by its Close button or by Escape, typed anywhere in it, and comes back on the
// next request.
TEST(HelpWindow, CloseButtonAndEscapeHideIt) {
    WindowHelpService service(nullptr, {kShippedHelp});
    service.jumpToTopic("Bode");
    HelpWindow* w = service.window();
    test::child<QPushButton>(w, "ButtonHelpClose")->click();
    EXPECT_FALSE(w->isVisible());

    service.jumpToTopic("Schematic");
    ASSERT_TRUE(w->isVisible());
    QTest::keyClick(test::child<QLineEdit>(w, "EditHelpSearch"), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    service.openContents();
    ASSERT_TRUE(w->isVisible());
    QTest::keyClick(test::child<QTextBrowser>(w, "HelpBrowser"), Qt::Key_Escape);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(service.window(), w);
}
