#include "gui/shell/MainWindow.h"

#include "core/base/ParamsFile.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationSession.h"
#include "gui/about/AboutPanel.h"
#include "gui/base/DataFiles.h"
#include "gui/base/HelpService.h"
#include "gui/base/Placement.h"
#include "gui/bode/BodeWindow.h"
#include "gui/config/ConfigDialog.h"
#include "gui/design/DesignDialog.h"
#include "gui/noise/PhaseNoiseWindow.h"
#include "gui/options/DisplayOptionsPanel.h"
#include "gui/schematic/SchematicWindow.h"
#include "gui/shell/HelpWindow.h"
#include "gui/shell/WindowHelpService.h"
#include "gui/sim/SimulationPanel.h"
#include "gui/sim/SimulationPlotView.h"
#include "render/base/SidecarFile.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <iostream>

namespace loopcraft {

// The client area: the tool bar at its top, the panels and the plot over it, and underneath
// the start logo, painted by the main window.
class MainCanvas final : public QWidget {
public:
    explicit MainCanvas(MainWindow* window) : QWidget(window), mWindow(window) {
        setAutoFillBackground(true);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        mWindow->FormPaint(painter);
    }
    void resizeEvent(QResizeEvent*) override {
        if (mWindow->mToolBar) {
            mWindow->mToolBar->setGeometry(0, 0, width(), mWindow->mToolBar->height());
        }
    }

private:
    MainWindow* mWindow;
};

namespace {

const char* const kAppTitle = "Loopcraft";
const char* const kBitmapError = "Could not load bitmap";
const char* const kStartLogoFile = "start.bmp";

// The tool bar glyphs: small drawings of our own, one per command.
QIcon glyph(int which) {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 120), 2));
    switch (which) {
    case 1: // configuration: three sliders
        for (int i = 0; i < 3; ++i) {
            const int y = 6 + 6 * i;
            p.drawLine(3, y, 21, y);
            p.setBrush(QColor(230, 150, 40));
            p.drawEllipse(QPoint(6 + 6 * ((i * 2 + 1) % 3), y), 3, 3);
        }
        break;
    case 2: { // design: a low-pass response
        QPainterPath path(QPointF(2, 7));
        path.lineTo(11, 7);
        path.cubicTo(15, 7, 16, 12, 22, 21);
        p.drawPath(path);
        p.setPen(QPen(QColor(150, 150, 150), 1, Qt::DashLine));
        p.drawLine(2, 21, 22, 21);
        break;
    }
    case 3: { // simulation: a step answered by a ringing loop
        p.setPen(QPen(QColor(150, 150, 150), 1));
        p.drawLine(2, 18, 8, 18);
        p.drawLine(8, 18, 8, 8);
        p.drawLine(8, 8, 22, 8);
        p.setPen(QPen(QColor(200, 40, 40), 2));
        QPainterPath path(QPointF(2, 18));
        path.lineTo(8, 18);
        path.cubicTo(11, 2, 14, 12, 16, 9);
        path.cubicTo(18, 6, 20, 8, 22, 8);
        p.drawPath(path);
        break;
    }
    case 4: // options: a palette
        p.setBrush(QColor(240, 220, 180));
        p.drawEllipse(2, 3, 20, 18);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::red);
        p.drawEllipse(6, 7, 4, 4);
        p.setBrush(QColor(0, 128, 0));
        p.drawEllipse(13, 6, 4, 4);
        p.setBrush(Qt::blue);
        p.drawEllipse(15, 13, 4, 4);
        break;
    case 5: { // help
        QFont f = p.font();
        f.setBold(true);
        f.setPixelSize(20);
        p.setFont(f);
        p.drawText(QRect(0, 0, 24, 24), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default: // quit: an open door
        p.drawRect(5, 3, 12, 18);
        p.setBrush(QColor(120, 80, 40));
        p.drawPolygon(QPolygon({QPoint(5, 3), QPoint(13, 6), QPoint(13, 23), QPoint(5, 21)}));
        break;
    }
    return QIcon(pixmap);
}

} // namespace

MainWindow::MainWindow(UserDialogs& dialogs, MainWindowSetup setup)
    : QMainWindow(nullptr), mDialogs(dialogs), mSetup(std::move(setup)),
      mSimState(std::make_unique<SimState>()),
      mSession(std::make_unique<SimulationSession>(mParams, *mSimState)) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    if (!mSetup.findDataFile) {
        mSetup.findDataFile = [](const QString& name) { return findDataFile(name); };
    }

    // The help file: every window asks the same service.
    if (mSetup.help) {
        mHelp = mSetup.help;
    } else {
        mOwnHelp = std::make_unique<WindowHelpService>(this);
        mHelp = mOwnHelp.get();
    }

    createMenu();
    mCanvas = new MainCanvas(this);
    mCanvas->setObjectName(QStringLiteral("ClientArea"));
    setCentralWidget(mCanvas);
    createToolBar();

    // The window: the screen's top left, its full width, its height less a tool button.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    setGeometry(avail.x(), avail.y(), avail.width(),
                avail.height() - mSpeedButton1->sizeHint().height() - 2);
    const int clientH = height() - menuBar()->sizeHint().height();
    mCanvas->resize(avail.width(), clientH);

    // The panels, the plot and its scroll bar, all hidden over the logo.
    createPanels(avail.size(), clientH);

    // The parameter set; a file that cannot be read ends the start here.
    mFonts = fontsFromOptions(mParams);
    InitParameters(true);
    loadStartLogo();

    createOtherWindows();
    mStarted = true;
}

MainWindow::~MainWindow() {
    // A run still computing works on the record this window owns.
    mPanel1->cancelAndWait();
    std::string error;
    if (!SaveParamsAtExit(&error)) {
        // The window is gone; a message box could not be answered any more.
        std::cerr << "Loopcraft: settings not written: " << error << '\n';
    }
}

bool MainWindow::SaveParamsAtExit(std::string* error) {
    if (!mStarted) {
        return true;
    }
    mStarted = false;
    return SaveParams(error);
}

bool MainWindow::SaveParams(std::string* error) {
    storeFontOptions(mFonts, mParams);
    // Both files are written even when the first fails, so one bad file costs no more than itself.
    std::string paramsError;
    std::string sidecarError;
    const bool paramsOk = SaveParamsFileAtomic(mParams, mSetup.paramsFile, &paramsError);
    const bool sidecarOk =
        SaveSidecarFileAtomic(mParams.sidecar, SidecarPathBeside(mSetup.paramsFile), &sidecarError);
    if (error) {
        *error =
            paramsOk ? sidecarError : (sidecarOk ? paramsError : paramsError + "; " + sidecarError);
    }
    return paramsOk && sidecarOk;
}

int MainWindow::toolBarHeight() const {
    return mToolBar->sizeHint().height();
}

void MainWindow::createMenu() {
    QMenuBar* bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    auto item = [this](QMenu* menu, const char* name, const char* caption, auto slot) {
        QAction* action = menu->addAction(QString::fromLatin1(caption));
        action->setObjectName(QString::fromLatin1(name));
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    auto menu = [bar](const char* name, const char* title) {
        QMenu* m = bar->addMenu(QString::fromLatin1(title));
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    QMenu* config = menu("Config1", "Config");
    item(config, "SetupPLL1", "Setup PLL", &MainWindow::SetupPLL1Click);
    item(config, "ShowStartLogo1", "Show StartLogo", &MainWindow::ShowStartLogo1Click);
    item(config, "SetInitDefaults1", "Set InitDefaults", &MainWindow::SetInitDefaults1Click);
    QMenu* design = menu("Design1", "Design");
    item(design, "PLLDesign1", "PLL Design", &MainWindow::PLLDesign1Click);
    item(design, "PhaseNoise1", "Phase Noise", &MainWindow::PhaseNoise1Click);
    QMenu* simul = menu("Simul1", "Simul");
    item(simul, "RunSimulation1", "Run Simulation", &MainWindow::RunSimulation1Click);
    QMenu* help = menu("Help1", "Help");
    item(help, "GetHelp1", "Get Help", &MainWindow::GetHelp1Click);
    item(help, "About1", "About", &MainWindow::About1Click);
    QMenu* options = menu("Options1", "Options");
    item(options, "Preferences1", "Preferences", &MainWindow::Preferences1Click);
    item(options, "SetDefaultColors1", "Set Default Colors", &MainWindow::SetDefaultColors1Click);
    QMenu* exit = menu("Exit1", "Exit");
    item(exit, "Quit1", "Quit", &MainWindow::Quit1Click);
}

void MainWindow::createToolBar() {
    // The tool bar belongs to the client area, as the panels' placement counts from its top.
    mToolBar = new QToolBar(mCanvas);
    mToolBar->setObjectName(QStringLiteral("ToolBar1"));
    mToolBar->setMovable(false);
    mToolBar->setIconSize(QSize(24, 24));
    struct Button {
        const char* name;
        const char* hint;
        void (MainWindow::*slot)();
    };
    const Button buttons[] = {
        {"SpeedButton1", "performs PLL configuration", &MainWindow::SpeedButton1Click},
        {"SpeedButton2", "designs the filter parameters", &MainWindow::SpeedButton2Click},
        {"SpeedButton3", "runs PLL simulation", &MainWindow::SpeedButton3Click},
        {"SpeedButton4", "select colors, pen widths, fonts...", &MainWindow::SpeedButton4Click},
        {"SpeedButton5", "Get help on Loopcraft", &MainWindow::SpeedButton5Click},
        {"SpeedButton6", "quit the program", &MainWindow::SpeedButton6Click},
    };
    int index = 1;
    for (const Button& b : buttons) {
        auto* button = new QToolButton(mToolBar);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setToolTip(QString::fromLatin1(b.hint));
        button->setIcon(glyph(index++));
        button->setAutoRaise(true);
        connect(button, &QToolButton::clicked, this, b.slot);
        mToolBar->addWidget(button);
        if (index == 2) {
            mSpeedButton1 = button;
        }
    }
    mToolBar->setGeometry(0, 0, width(), mToolBar->sizeHint().height());
}

void MainWindow::createPanels(const QSize& screen, int clientHeight) {
    const int tbH = toolBarHeight();
    const int panelH = clientHeight - 2 * tbH;

    // The plot rectangle: below two text lines under the tool bar, the left 40 % of the screen.
    const int textH = QFontMetrics(font()).height();
    const int plotTop = 2 * textH + tbH;
    const int plotLeft = fractionOf(0.05, screen.width());
    const int plotRight = fractionOf(0.45, screen.width());
    const int plotBottom = plotTop + fractionOf(0.5, screen.height());
    mPlotFrame = QRect(plotLeft, plotTop, plotRight - plotLeft, plotBottom - plotTop);
    mPlotView = new SimulationPlotView(*mSession, mFonts, mDialogs, mCanvas);
    mPlotView->placeFrame(mPlotFrame);
    mScrollBar1 = new QScrollBar(Qt::Horizontal, mCanvas);
    mScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    mScrollBar1->setRange(0, 100);
    mScrollBar1->setGeometry(plotLeft, plotBottom + fractionOf(0.1, screen.height()),
                             fractionOf(0.4, screen.width()), mScrollBar1->sizeHint().height());
    connect(mScrollBar1, &QScrollBar::valueChanged, mPlotView,
            &SimulationPlotView::setScrollPosition);
    // Under the plot's time title, above the scroll bar: run and model side by side.
    mLockFigures = new QLabel(mCanvas);
    mLockFigures->setObjectName(QStringLiteral("stSimulLockFigures"));
    mLockFigures->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    mLockFigures->setTextFormat(Qt::PlainText);
    {
        const int top = mPlotView->geometry().bottom() + 2;
        mLockFigures->setGeometry(plotLeft, top, fractionOf(0.4, screen.width()),
                                  mScrollBar1->geometry().top() - top - 2);
    }
    mLockFigures->hide();

    mPanel1 = new SimulationPanel(*mSession, *mPlotView, mFonts, *mHelp, mDialogs, mCanvas);
    mPanel1->place(QRect(screen.width() / 2, tbH + 2, fractionOf(0.45, screen.width()), panelH));
    connect(mPanel1, &SimulationPanel::runStarting, mPlotView,
            [this] { mPlotView->showProgressNote(true); });
    connect(mPanel1, &SimulationPanel::resultsChanged, this, &MainWindow::simulationResultsChanged);
    connect(mPanel1, &SimulationPanel::runProgress, mPlotView, &SimulationPlotView::setProgress);
    connect(mPanel1, &SimulationPanel::modelChanged, this, [this] {
        mPlotView->refresh();
        showLockFigures();
    });
    mPanel2 = new DisplayOptionsPanel(mParams, mFonts, mDialogs, mCanvas);
    mPanel2->place(QRect(2, tbH + 4, fractionOf(0.98, screen.width()), panelH));
    connect(mPanel2, &DisplayOptionsPanel::optionsChanged, mPlotView, &SimulationPlotView::refresh);
    mPanel3 = new AboutPanel(mCanvas);
    mPanel3->place(mCanvas->size());

    mPanel1->hide();
    mPanel2->hide();
    mPanel3->hide();
    mScrollBar1->hide();
    mLockFigures->hide();
}

void MainWindow::createOtherWindows() {
    // In this order; each is filled from the parameter set as it is created.
    mConfigDialog = new ConfigDialog(mParams, *mHelp, mDialogs, this);
    mConfigDialog->place(workingArea());
    // The Bode and schematic windows are windows of their own, not children of the main
    // window: the design dialog is modal to the main window, and they must stay usable while it
    // is open.
    mBodeWindow = std::make_unique<BodeWindow>(mParams, *mHelp, mDialogs);
    mBodeWindow->place(workingArea());
    mSchematicWindow = std::make_unique<SchematicWindow>(mParams, *mHelp, mDialogs);
    mSchematicWindow->place(workingArea());
    mPhaseNoiseWindow = std::make_unique<PhaseNoiseWindow>(mParams, mDialogs);
    mPhaseNoiseWindow->place(workingArea());
    for (QWidget* w : std::initializer_list<QWidget*>{mBodeWindow.get(), mSchematicWindow.get(),
                                                      mPhaseNoiseWindow.get()}) {
        w->setWindowIcon(windowIcon());
    }
    mDesignDialog =
        new DesignDialog(mParams, *mHelp, mDialogs, *mBodeWindow, *mSchematicWindow, this);
    mDesignDialog->place(workingArea());
    mDesignDialog->setPhaseNoiseWindow(mPhaseNoiseWindow.get());
}

void MainWindow::InitParameters(bool useFile) {
    const InitResult result = loopcraft::InitParameters(mParams, useFile, mSetup.paramsFile);
    if (!result.ok) {
        throw StartupError(result.message);
    }
    if (useFile) {
        const SidecarReadResult sidecar =
            ReadSidecarFile(SidecarPathBeside(mSetup.paramsFile), mParams.sidecar);
        if (!sidecar.ok()) {
            throw StartupError(sidecar.message);
        }
    }
    mSession->LoadFromParameters();
    mPanel1->copyOut();
    mPanel2->ApplyDisplayOptions();
    mPanel1->RBChanged();
    mPlotView->refresh();
}

// ---- start logo -------------------------------------------------------------------------

void MainWindow::loadStartLogo() {
    mStartLogoPending = true;
    mStartLogo = loadBitmap(mSetup.findDataFile(QString::fromLatin1(kStartLogoFile)));
    if (mStartLogo.isNull()) {
        // Shown once the window is up, as the logo would have been.
        QTimer::singleShot(0, this, &MainWindow::showBitmapError);
    }
}

void MainWindow::showBitmapError() {
    mDialogs.message(this, QString::fromLatin1(kAppTitle), QString::fromLatin1(kBitmapError));
}

void MainWindow::FormPaint(QPainter& painter) {
    // The logo is drawn by one paint only; the next repaint clears it.
    if (mStartLogoPending) {
        mStartLogoPending = false;
        if (!mStartLogo.isNull()) {
            const int top = toolBarHeight() + 2;
            painter.drawImage(QRect(0, top, mCanvas->width(), mCanvas->height() - 2 - top),
                              mStartLogo);
            ++mStartLogoDraws;
        }
    }
}

// ---- simulation -------------------------------------------------------------------------

void MainWindow::simulationResultsChanged() {
    mPlotView->showProgressNote(false);
    if (mSession->resultsValid()) {
        mScrollBar1->setValue(0);
    }
    mScrollBar1->setVisible(mSession->scrollBarVisible());
    mPlotView->refresh();
    showLockFigures();
}

void MainWindow::showLockFigures() {
    QStringList lines;
    for (const std::string& line : mSession->LockLines())
        lines << QString::fromStdString(line);
    mLockFigures->setText(lines.join(QLatin1Char('\n')));
    mLockFigures->setVisible(mSession->resultsValid() && !lines.isEmpty());
}

// ---- menu and tool bar ------------------------------------------------------------------

void MainWindow::SpeedButton1Click() {
    OpenConfigDialog();
}
void MainWindow::SpeedButton2Click() {
    OpenDesignDialog();
}

void MainWindow::SpeedButton3Click() {
    mCanvas->update();
    mPanel2->hide();
    mPanel1->showView();
}

void MainWindow::SpeedButton4Click() {
    mCanvas->update();
    mPanel1->hide();
    mScrollBar1->hide();
    mLockFigures->hide();
    mSession->InvalidateResults();
    mPlotView->refresh();
    mPanel2->open();
}

void MainWindow::SpeedButton5Click() {
    mHelp->openContents();
}
void MainWindow::SpeedButton6Click() {
    close();
}

void MainWindow::SetupPLL1Click() {
    SpeedButton1Click();
}

void MainWindow::ShowStartLogo1Click() {
    loadStartLogo();
    mSession->InvalidateResults();
    mPanel1->hide();
    mScrollBar1->hide();
    mLockFigures->hide();
    mPlotView->refresh();
    mCanvas->update();
}

void MainWindow::SetInitDefaults1Click() {
    try {
        InitParameters(false);
    } catch (const StartupError& e) {
        mDialogs.message(this, QString::fromLatin1(kAppTitle), QString::fromUtf8(e.what()));
    }
    mCanvas->update();
}

void MainWindow::PhaseNoise1Click() {
    // Placed now, as the design window's, once the menu's height is known.
    if (!mPhaseNoiseWindow->isVisible()) {
        mPhaseNoiseWindow->place(workingArea());
    }
    mPhaseNoiseWindow->showView();
}

void MainWindow::PLLDesign1Click() {
    SpeedButton2Click();
}
void MainWindow::RunSimulation1Click() {
    SpeedButton3Click();
}
void MainWindow::GetHelp1Click() {
    SpeedButton5Click();
}

void MainWindow::About1Click() {
    mPanel3->show();
    mPanel3->raise();
}

void MainWindow::Preferences1Click() {
    SpeedButton4Click();
}

void MainWindow::SetDefaultColors1Click() {
    mPanel2->SetDefaultColors();
    mPlotView->refresh();
}

void MainWindow::Quit1Click() {
    SpeedButton6Click();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Quit and the termination signals end a run in progress; its results are not wanted.
    mPanel1->cancelAndWait();
    event->accept();
    emit closed();
}

// ---- the modal dialogs ------------------------------------------------------------------

WorkingArea MainWindow::workingArea() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    WorkingArea placement;
    placement.screen = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    placement.toolBarHeight = toolBarHeight();
    placement.mainClientHeight = mCanvas->height();
    placement.top = mCanvas->mapToGlobal(QPoint(0, placement.toolBarHeight)).y();
    return placement;
}

// A modal dialog that comes back without ok is offered once more; not when the program is
// being ended (a signal closed the window while the dialog was open).
void MainWindow::OpenConfigDialog() {
    mCanvas->repaint();
    mConfigDialog->place(workingArea());
    mConfigDialog->reload();
    mConfigDialog->ApplyConfigRules();
    if (mConfigDialog->exec() != QDialog::Accepted && isVisible()) {
        mConfigDialog->exec();
    }
    // The category or the oscillator may have changed under the stimulus choice.
    mPanel1->RBChanged();
}

void MainWindow::OpenDesignDialog() {
    mCanvas->repaint();
    mDesignDialog->place(workingArea());
    // Placed now rather than at start-up, when the main window did not know its menu's height
    // yet; a window the user has open stays where it is.
    if (!mBodeWindow->isVisible()) {
        mBodeWindow->place(workingArea());
    }
    if (!mSchematicWindow->isVisible()) {
        mSchematicWindow->place(workingArea());
    }
    if (!mPhaseNoiseWindow->isVisible()) {
        mPhaseNoiseWindow->place(workingArea());
    }
    mDesignDialog->PrepareDesignWindow();
    mDesignDialog->ApplyDesignPanelRules();
    if (mDesignDialog->exec() != QDialog::Accepted && isVisible()) {
        mDesignDialog->exec();
    }
}

} // namespace loopcraft
