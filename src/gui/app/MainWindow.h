// The main window: menu, tool bar, the simulation, options and About panels, and the canvas
// that shows the start logo and the simulation plot. It owns the parameter set and every other
// window of the program; they reach shared state only through references it hands them.
#pragma once

#include "core/app/ParameterSet.h"
#include "core/sim/DISPLAY.h"
#include "gui/app/UserDialogs.h"
#include "gui/config/ConfigDialog.h"

#include <QCursor>
#include <QFont>
#include <QMainWindow>
#include <QRect>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPainter;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QToolBar;
class QToolButton;

namespace loopcraft {

class HelpService;
class DesignDialog;
class BodeWindow;
class SchematicWindow;
class SimState;
struct Message;

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

    ParameterSet& params() { return mParams; }
    const ParameterSet& params() const { return mParams; }
    HelpService& help() { return *mHelp; }
    UserDialogs& dialogs() { return mDialogs; }
    ConfigDialog* configDialog() const { return mConfigDialog; }
    DesignDialog* designDialog() const { return mDesignDialog; }
    BodeWindow* bodeWindow() const { return mBodeWindow.get(); }
    SchematicWindow* schematicWindow() const { return mSchematicWindow.get(); }
    // The canvas the logo and the plot are painted on (the window's client area).
    QWidget* canvas() const { return mCanvas; }
    int toolBarHeight() const;
    // How often the start logo has actually been drawn.
    int startLogoDrawCount() const { return mStartLogoDraws; }

    const SimState& simState() const { return *mSimState; }

    // The state the paint and the panels share.
    bool StartLogoPending = true;
    bool ResultsValid = false;
    std::optional<QCursor> SavedCursor;
    QRect PlotFrame; // x() + width() is the right edge, y() + height() the bottom
    QFont AxisFont;
    QFont PrinterFont;

    // Fills the parameter set (from the file or the defaults) and puts it into the controls;
    // throws StartupError when a text does not convert.
    void InitParameters(bool useFile);
    // Copies the two font objects into the display options, as they are written at exit.
    void StoreFontOptions();
    // Puts the display options into the font objects and the colour chooser.
    void ApplyDisplayOptions();
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
    void RunSimulation1Click();
    void GetHelp1Click();
    void About1Click();
    void Preferences1Click();
    void SetDefaultColors1Click();
    void Quit1Click();
    // About box.
    void OkButtonClick();

    void OpenConfigDialog();
    void OpenDesignDialog();

    // Simulation panel: stimulus choice.
    void RBChanged();
    void rbSimulfstepClick();
    void rbSimulphistepClick();
    void rbSimulNstepClick();
    void SaveRadioButtonStatus();
    // Simulation panel: the rest.
    void cbSimulAddNoiseClick();
    void ButtonSimulHelpClick();
    void ButtonSimulRunClick();
    void ButtonSimulPrintProtClick();
    void ButtonSimulExitClick();

    // Options panel.
    void ListBox1Click();
    void ButtonOptionsSelectColorClick();
    void ButtonOptionsSelectPenWidthClick();
    void ButtonOptionsSelectFontClick();
    void ButtonOptionsOkClick();
    void ButtonOptionsCancelClick();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    friend class MainCanvas;
    void FormPaint(QPainter& painter);
    void drawSimulationPlot(QPainter& painter);
    void drawProgressNote(QPainter& painter);
    PlotRect plotRect() const;
    void showBitmapError();

    void createMenu();
    void createToolBar();
    void createSimulationPanel(const QRect& geometry);
    void createOptionsPanel(const QRect& geometry);
    void createAboutPanel();
    void createOtherWindows();
    void prepareSimulationPanel();
    void putSimulationTexts();
    QLineEdit* simulationEdit(TextId id) const;
    bool adpllChecked() const;
    Configuration liveConfiguration() const;
    void showPanelMessage(const Message& message);
    ConfigDialogPlacement configPlacement() const;
    QLineEdit* configEdit(const char* name) const;

    UserDialogs& mDialogs;
    MainWindowSetup mSetup;
    ParameterSet mParams;
    bool mStarted = false;
    int mStartLogoDraws = 0;
    bool mBitmapErrorQueued = false;

    // The simulation record with the last run's results and models.
    std::unique_ptr<SimState> mSimState;
    bool mProgressNote = false;

    std::unique_ptr<HelpService> mOwnHelp;
    HelpService* mHelp = nullptr;

    QWidget* mCanvas = nullptr;
    QToolBar* mToolBar = nullptr;
    QToolButton* mSpeedButton1 = nullptr;
    QFrame* mPanel1 = nullptr;
    QFrame* mPanel2 = nullptr;
    QFrame* mPanel3 = nullptr;
    QScrollBar* mScrollBar1 = nullptr;

    QRadioButton* mRbfstep = nullptr;
    QRadioButton* mRbphistep = nullptr;
    QRadioButton* mRbNstep = nullptr;
    QCheckBox* mCbAddNoise = nullptr;
    QCheckBox* mCbFilter = nullptr;
    QListWidget* mListBox1 = nullptr;
    QPlainTextEdit* mMemo1 = nullptr;

    ConfigDialog* mConfigDialog = nullptr;
    DesignDialog* mDesignDialog = nullptr;
    std::unique_ptr<BodeWindow> mBodeWindow;
    std::unique_ptr<SchematicWindow> mSchematicWindow;
};

} // namespace loopcraft
