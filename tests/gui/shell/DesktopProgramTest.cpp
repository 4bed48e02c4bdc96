// The desktop program as a user starts it: a real process in a folder of its own.
#include "core/base/ParamsFile.h"
#include "gui/shell/Startup.h"
#include "tests/gui/GuiTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <csignal>
#include <fstream>

namespace loopcraft::test {
namespace {

#ifdef LOOPCRAFT_EXE

// True once the process has its own handler for `sig`: from then on a signal is queued for
// the event loop instead of killing the process.
bool waitForHandler(qint64 pid, int sig, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        QFile status(QStringLiteral("/proc/%1/status").arg(pid));
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("SigCgt:")) {
                    const qulonglong mask = line.mid(7).trimmed().toULongLong(nullptr, 16);
                    if (mask & (1ULL << (sig - 1))) {
                        return true;
                    }
                }
            }
        }
        QThread::msleep(20);
    }
    return false;
}

class DesktopProgramSignalTest : public ::testing::TestWithParam<int> {};

TEST_P(DesktopProgramSignalTest, SignalEndsTheProgramLikeQuitAndWritesParams) {
    QTemporaryDir dir;
    QProcess program;
    program.setWorkingDirectory(dir.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(LOOPCRAFT_EXE), {});
    ASSERT_TRUE(program.waitForStarted(30000));
    ASSERT_TRUE(waitForHandler(program.processId(), GetParam(), 60000));
    ::kill(static_cast<pid_t>(program.processId()), GetParam());
    ASSERT_TRUE(program.waitForFinished(60000)) << "the program did not end";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    const std::string written = readAll(dir.filePath(QStringLiteral("PARAMS.TXT")));
    EXPECT_EQ(std::count(written.begin(), written.end(), '\n'), kParamsFileLines);
}

INSTANTIATE_TEST_SUITE_P(TermAndInt, DesktopProgramSignalTest, ::testing::Values(SIGTERM, SIGINT));

#endif

TEST(Startup, FailedStartShowsTheReasonAndReportsFailure) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    std::ofstream(QFile::encodeName(QStringLiteral("PARAMS.TXT")).constData(), std::ios::binary)
        << "1\r\n0\r\nnot-a-flag\r\n";
    const std::string before = readAll(QStringLiteral("PARAMS.TXT"));
    const int code = runLoopcraft(*qApp, fakeDialogs(), nullptr);
    const std::string after = readAll(QStringLiteral("PARAMS.TXT"));
    QDir::setCurrent(previous);
    EXPECT_EQ(code, 1);
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0].title, "Loopcraft");
    EXPECT_TRUE(fakeDialogs().messages[0].text.contains(QStringLiteral("line 3")))
        << fakeDialogs().messages[0].text.toStdString();
    EXPECT_EQ(after, before);
}

// The save at exit fails (here: PARAMS.TXT links into a folder that does not exist, which stops
// root as well): the reason is shown in a message box, and the link is left as it was.
TEST(Startup, FailedSaveAtExitIsShownInAMessageBox) {
    QTemporaryDir dir;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    ASSERT_TRUE(QFile::link(QStringLiteral("missing/PARAMS.TXT"), QStringLiteral("PARAMS.TXT")));
    QTimer::singleShot(0, [] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("Form1")) {
                w->close();
            }
        }
    });
    const int code = runLoopcraft(*qApp, fakeDialogs(), nullptr);
    const QString link = QFile::symLinkTarget(QStringLiteral("PARAMS.TXT"));
    QDir::setCurrent(previous);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(link.endsWith(QStringLiteral("missing/PARAMS.TXT"))) << link.toStdString();
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    const RecordedMessage& m = fakeDialogs().messages[0];
    EXPECT_EQ(m.title, "Loopcraft");
    EXPECT_TRUE(m.text.startsWith(QStringLiteral("PARAMS.TXT could not be saved: ")) &&
                m.text.contains(QStringLiteral("No such file or directory")))
        << m.text.toStdString();
}

} // namespace
} // namespace loopcraft::test
