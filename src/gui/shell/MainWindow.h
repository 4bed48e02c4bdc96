// The main window: menu, tool bar and the start logo; it owns the parameter set, the simulation
// record with its session, the display fonts, the three panels and every other window of the
// program, and wires them together. Other windows reach shared state only through the references
// it hands them.
#pragma once

#include "core/base/ParameterSet.h"
#include "gui/base/UserDialogs.h"
#include "gui/base/WorkingArea.h"
#include "gui/config/ConfigDialog.h"
#include "render/base/DrawingSurface.h"

#include <QImage>
#include <QMainWindow>
#include <QRect>
#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>

class QPainter;
class QLabel;
class QScrollBar;
class QToolBar;
class QToolButton;

namespace loopcraft {

class AboutPanel;
class BodeWindow;
class PhaseNoiseWindow;
class DesignDialog;
class DisplayOptionsPanel;
class HelpService;
class SchematicWindow;
class SimState;
class SimulationPanel;
class SimulationPlotView;
class SimulationSession;

// Thrown by the constructor when the parameter file cannot be read; the file is left as it was.
class StartupError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct MainWindowSetup {
    std::filesystem::path paramsFile = kParamsFileName;
    // Finds a data file by name; the default looks in the working directory, then beside the
    // program (see DataFiles.h).
    std::function<QString(const QString&)> findDataFile;
    // The help service to use; null means the program's own help window.
    HelpService* help = nullptr;
};

class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    explicit MainWindow(UserDialogs& dialogs, MainWindowSetup setup = {});
    // Writes the parameter file unless SaveParamsAtExit did (after a successful start only).
    ~MainWindow() override;

    const ParameterSet& params() const { return mParams; }
    const DisplayFonts& fonts() const { return mFonts; }
    const SimulationSession& simulation() const { return *mSession; }
    ConfigDialog* configDialog() const { return mConfigDialog; }
    DesignDialog* designDialog() const { return mDesignDialog; }
    BodeWindow* bodeWindow() const { return mBodeWindow.get(); }
    SchematicWindow* schematicWindow() const { return mSchematicWindow.get(); }
    PhaseNoiseWindow* phaseNoiseWindow() const { return mPhaseNoiseWindow.get(); }
    // The client area: the tool bar, the panels and the plot over the start logo.
    QWidget* canvas() const { return mCanvas; }
    int toolBarHeight() const;
    // The plot rectangle, fixed at start-up.
    QRect plotFrame() const { return mPlotFrame; }
    // Whether the next paint draws the start logo, and how often it has been drawn.
    bool startLogoPending() const { return mStartLogoPending; }
    int startLogoDrawCount() const { return mStartLogoDraws; }

    // Writes PARAMS.TXT now; false with the reason when it could not be written.
    bool SaveParams(std::string* error = nullptr);
    // The save at exit: writes PARAMS.TXT once (after a successful start only) and leaves
    // nothing for the destructor to write. False with the reason when it could not be written.
    bool SaveParamsAtExit(std::string* error = nullptr);

signals:
    // The window was closed: the program ends.
    void closed();

public slots:
    // Tool bar.
    void SpeedButton1Click();
    void SpeedButton2Click();
    void SpeedButton3Click();
    void SpeedButton4Click();
    void SpeedButton5Click();
    void SpeedButton6Click();
    // Menu.
    void SetupPLL1Click();
    void ShowStartLogo1Click();
    void SetInitDefaults1Click();
    void PLLDesign1Click();
    void PhaseNoise1Click();
    void RunSimulation1Click();
    void GetHelp1Click();
    void About1Click();
    void Preferences1Click();
    void SetDefaultColors1Click();
    void Quit1Click();

    void OpenConfigDialog();
    void OpenDesignDialog();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class MainCanvas;
    void FormPaint(QPainter& painter);

    // Fills the parameter set (from the file or the defaults) and puts it into the panels;
    // throws StartupError when a text does not convert.
    void InitParameters(bool useFile);
    void loadStartLogo();
    void showBitmapError();
    void simulationResultsChanged();
    // The lock figures of run and model under the plot.
    void showLockFigures();

    void createMenu();
    void createToolBar();
    void createPanels(const QSize& screen, int clientHeight);
    void createOtherWindows();
    WorkingArea workingArea() const;

    UserDialogs& mDialogs;
    MainWindowSetup mSetup;
    ParameterSet mParams;
    DisplayFonts mFonts;
    std::unique_ptr<SimState> mSimState;
    std::unique_ptr<SimulationSession> mSession;
    bool mStarted = false;

    bool mStartLogoPending = true;
    QImage mStartLogo;
    int mStartLogoDraws = 0;
    QRect mPlotFrame;

    std::unique_ptr<HelpService> mOwnHelp;
    HelpService* mHelp = nullptr;

    QWidget* mCanvas = nullptr;
    QToolBar* mToolBar = nullptr;
    QToolButton* mSpeedButton1 = nullptr;
    SimulationPlotView* mPlotView = nullptr;
    QScrollBar* mScrollBar1 = nullptr;
    QLabel* mLockFigures = nullptr;
    SimulationPanel* mPanel1 = nullptr;
    DisplayOptionsPanel* mPanel2 = nullptr;
    AboutPanel* mPanel3 = nullptr;

    ConfigDialog* mConfigDialog = nullptr;
    DesignDialog* mDesignDialog = nullptr;
    std::unique_ptr<BodeWindow> mBodeWindow;
    std::unique_ptr<SchematicWindow> mSchematicWindow;
    std::unique_ptr<PhaseNoiseWindow> mPhaseNoiseWindow;
};

} // namespace loopcraft
