#include "gui/app/UserDialogs.h"

#include "gui/app/BusyCursor.h"
#include "tests/gui/GuiTestSupport.h"

#include <QGuiApplication>
#include <QPrinter>

namespace loopcraft::test {
namespace {

TEST(UserDialogs, TestsRunWithTheScriptedDialogsInstalled) {
    EXPECT_EQ(&UserDialogs::instance(), &fakeDialogs());
}

TEST(FakeUserDialogs, CancelIsTheAnswerWhenNothingIsQueued) {
    FakeUserDialogs& d = fakeDialogs();
    EXPECT_EQ(d.inputBox(nullptr, "Enter PenWidth", "PenWidth = ", "2"), "2");
    EXPECT_FALSE(d.chooseColor(nullptr, Qt::red));
    EXPECT_FALSE(d.chooseFont(nullptr, FontChoice{}));
    EXPECT_EQ(d.choosePrinter(nullptr), nullptr);
    d.inputAnswers.push_back(QStringLiteral("5"));
    d.colorAnswers.push_back(QColor(Qt::green));
    EXPECT_EQ(d.inputBox(nullptr, "c", "p", "2"), "5");
    EXPECT_EQ(d.chooseColor(nullptr, Qt::red), QColor(Qt::green));
    ASSERT_EQ(d.inputRequests.size(), 2u);
    EXPECT_EQ(d.inputRequests[0].caption, "Enter PenWidth");
}

TEST(FakeUserDialogs, ConfirmedPrintDialogPrintsIntoTheQueuedFile) {
    fakeDialogs().printerAnswers.push_back(QStringLiteral("/tmp/out.pdf"));
    auto printer = fakeDialogs().choosePrinter(nullptr);
    ASSERT_NE(printer, nullptr);
    EXPECT_EQ(printer->outputFileName(), "/tmp/out.pdf");
}

TEST(BusyCursor, RestoresThePreviousCursorWhenLeavingTheScope) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        BusyCursor busy;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

} // namespace
} // namespace loopcraft::test
