// The main window in a folder of its own, with the scripted dialogs and a recording help
// service: shared by the tests of the main window and of its panels.
#pragma once

#include "core/base/ParamsFile.h"
#include "core/sim/SimulationSession.h"
#include "gui/shell/MainWindow.h"
#include "gui/sim/SimulationPanel.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RecordingHelpService.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>
#include <functional>
#include <memory>

namespace loopcraft::test {

class MainWindowFixture : public ::testing::Test {
protected:
    QString path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    // A parameter file as the program writes it, after `change` edited the defaults.
    void writeParams(const std::function<void(ParameterSet&)>& change) {
        ParameterSet ps;
        change(ps);
        ASSERT_TRUE(SaveParamsFileAtomic(ps, path("PARAMS.TXT").toStdString()));
    }

    void writeLogo() {
        QImage logo(8, 6, QImage::Format_RGB32);
        logo.fill(Qt::darkBlue);
        ASSERT_TRUE(logo.save(path("start.bmp"), "BMP"));
    }

    MainWindow& open() {
        MainWindowSetup setup;
        setup.paramsFile = path("PARAMS.TXT").toStdString();
        setup.findDataFile = [this](const QString& name) { return dir.filePath(name); };
        setup.help = &help;
        window = std::make_unique<MainWindow>(fakeDialogs(), setup);
        // A slow machine (a sanitizer build) must not send the tests' short runs to the
        // background, where they would end after the test looked; the background tests ask for it.
        child<SimulationPanel>(window.get(), "Panel1")->setForegroundLimit(60000);
        return *window;
    }

    template <typename T> T* find(const char* name) { return child<T>(window.get(), name); }
    QWidget* widget(const char* name) { return find<QWidget>(name); }
    bool shown(const char* name) { return !widget(name)->isHidden(); }
    void trigger(const char* action) { find<QAction>(action)->trigger(); }
    void click(const char* button) { find<QAbstractButton>(button)->click(); }
    void type(const char* edit, const char* text) {
        find<QLineEdit>(edit)->setText(QString::fromLatin1(text));
    }
    void paint() {
        window->canvas()->grab();
        QCoreApplication::processEvents();
    }
    const SimulationSession& simulation() const { return window->simulation(); }
    // Opens the simulation panel and runs for `seconds`.
    void runFor(const char* seconds) {
        click("SpeedButton3");
        type("EditSimulT", seconds);
        click("ButtonSimulRun");
    }

    // Runs `start` with `onShown` called whenever the modal `dialog` is up; how often it was.
    int whileShown(QWidget* dialog, const std::function<void()>& onShown,
                   const std::function<void()>& start) {
        window->show();
        int shown = 0;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (dialog->isVisible()) {
                ++shown;
                onShown();
            }
        });
        poll.start(5);
        start();
        return shown;
    }
    int whileConfigShown(const std::function<void()>& onShown, const std::function<void()>& start) {
        return whileShown(window->configDialog(), onShown, start);
    }
    // Opens the configuration dialog, clicks `radio` (if any) and leaves with Done.
    void configure(const char* radio) {
        whileConfigShown(
            [&] {
                if (radio)
                    child<QRadioButton>(window->configDialog(), radio)->click();
                child<QPushButton>(window->configDialog(), "ButtonConfigDone")->click();
            },
            [this] { trigger("SetupPLL1"); });
    }

    QTemporaryDir dir;
    RecordingHelpService help;
    std::unique_ptr<MainWindow> window;
};

} // namespace loopcraft::test
