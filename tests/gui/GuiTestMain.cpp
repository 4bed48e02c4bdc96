// Main of the GUI tests: a headless QApplication, the C locale, and the scripted dialogs reset
// before every test. A window that reports a fault of the program (a message naming a field it
// does not have) fails the test that made it.
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

QtMessageHandler gDefaultHandler = nullptr;

void failOnCritical(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtCriticalMsg) {
        ADD_FAILURE() << text.toStdString();
    }
    if (gDefaultHandler) {
        gDefaultHandler(type, context, text);
    }
}

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
    test::gDefaultHandler = qInstallMessageHandler(test::failOnCritical);
    ::testing::UnitTest::GetInstance()->listeners().Append(new test::ResetDialogs);
    return RUN_ALL_TESTS();
}
