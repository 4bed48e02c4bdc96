#include "gui/app/BusyCursor.h"
#include "tests/gui/GuiTestSupport.h"

#include <QGuiApplication>

namespace loopcraft::test {
namespace {

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
