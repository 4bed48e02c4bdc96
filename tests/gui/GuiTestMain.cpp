// Main of the GUI tests: a headless QApplication, the C locale,
// and the scripted dialogs installed, reset before every test.
#include "gui/app/UserDialogs.h"
#include "tests/gui/FakeUserDialogs.h"
#include "tests/gui/GuiTestSupport.h"

#include <QApplication>
#include <QLocale>
#include <clocale>
#include <gtest/gtest.h>

namespace loopcraft::test {

FakeUserDialogs& fakeDialogs() {
    static FakeUserDialogs dialogs;
    return dialogs;
}

namespace {

class ResetDialogs final : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { fakeDialogs().reset(); }
};

} // namespace

} // namespace loopcraft::test

int main(int argc, char** argv) {
    using namespace loopcraft;
    ::testing::InitGoogleTest(&argc, argv);

    // Test discovery runs this binary without the ctest environment, so the platform must be
    // chosen here, before QApplication exists.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());

    QApplication app(argc, argv);
    UserDialogs::install(&test::fakeDialogs());
    ::testing::UnitTest::GetInstance()->listeners().Append(new test::ResetDialogs);
    const int result = RUN_ALL_TESTS();
    UserDialogs::install(nullptr);
    return result;
}
