// Main of the GUI tests: a headless QApplication on a fixed 1280x1024 screen, the C locale,
// and the scripted dialogs installed, reset before every test.
#include "gui/app/FakeUserDialogs.h"
#include "gui/app/UserDialogs.h"
#include "tests/gui/GuiTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <clocale>
#include <cstdio>
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

// The offscreen platform reads its screens from a JSON file; one fixed screen keeps every
// fraction-of-the-screen placement the same on every machine.
QByteArray writeScreenConfig(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("screen.json"));
    if (FILE* f = std::fopen(QFile::encodeName(path).constData(), "w")) {
        std::fputs(R"({"screens":[{"name":"test","x":0,"y":0,"width":)"
                   R"(1280,"height":1024,"logicalDpi":96,"logicalBaseDpi":96,"dpr":1}]})",
                   f);
        std::fclose(f);
    }
    return "offscreen:configfile=" + QFile::encodeName(path);
}

} // namespace

} // namespace loopcraft::test

int main(int argc, char** argv) {
    using namespace loopcraft;
    ::testing::InitGoogleTest(&argc, argv);

    // Test discovery runs this binary without the ctest environment, so the platform must be
    // chosen here, before QApplication exists.
    QTemporaryDir configDir;
    qputenv("QT_QPA_PLATFORM", test::writeScreenConfig(configDir));
    std::setlocale(LC_ALL, "C");
    QLocale::setDefault(QLocale::c());

    QApplication app(argc, argv);
    UserDialogs::install(&test::fakeDialogs());
    ::testing::UnitTest::GetInstance()->listeners().Append(new test::ResetDialogs);
    const int result = RUN_ALL_TESTS();
    UserDialogs::install(nullptr);
    return result;
}
