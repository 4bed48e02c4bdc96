#include <QGuiApplication>
#include <QLocale>
#include <QScreen>
#include <gtest/gtest.h>

namespace {

// Placement tests compute expected pixels from this screen; a different one would make them
// pass or fail by machine.
TEST(GuiEnvironment, FixedHeadlessScreenAndCLocale) {
    ASSERT_NE(QGuiApplication::primaryScreen(), nullptr);
    EXPECT_EQ(QGuiApplication::primaryScreen()->geometry(), QRect(0, 0, 1280, 1024));
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
    EXPECT_EQ(QLocale().decimalPoint(), ".");
}

} // namespace
