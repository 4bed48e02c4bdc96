#include "gui/app/MainWindow.h"

#include "core/app/ParamsFile.h"
#include "core/design/FilterDesignState.h"
#include "core/sim/ProtocolText.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"
#include "gui/app/BusyCursor.h"
#include "gui/app/DataFiles.h"
#include "gui/app/HelpService.h"
#include "gui/app/HelpWindow.h"
#include "gui/app/MessagePresenter.h"
#include "gui/app/WindowHelpService.h"
#include "gui/bode/BodeWindow.h"
#include "gui/config/ConfigDialog.h"
#include "gui/design/DesignDialog.h"
#include "gui/schematic/SchematicWindow.h"
#include "render/app/DrawingSurface.h"
#include "render/sim/SimulationPlotPainter.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <iostream>

namespace loopcraft {

// The client area: the tool bar at its top, the panels over it, and underneath the start logo
// or the simulation plot, painted by the main window.
class MainCanvas final : public QWidget {
public:
    MainCanvas(MainWindow* window) : QWidget(window), mWindow(window) {
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

// Every coordinate inside a panel is a fraction of its size, rounded down.
QRect fractionRect(const QSize& panel, double left, double top, double width, double height) {
    return QRect(static_cast<int>(left * panel.width()), static_cast<int>(top * panel.height()),
                 static_cast<int>(width * panel.width()),
                 static_cast<int>(height * panel.height()));
}

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

// The help text of the options panel, piece by piece.
QString optionsHelpText() {
    return QStringLiteral("In this dialog you can set options for "
                          "plotting and printing simulation results.\r\n"
                          "* Select AxisTickLabels to set font and color "
                          "of the tick labels.\r\n"
                          "* Select Curve1 to set the color of curve 1\r\n"
                          "* Select Curve2 to set the color of curve 2\r\n"
                          "* Select FrameBackground to set the background "
                          "color. \r\n"
                          "* Select Grid to set the color of the grid.\r\n"
                          "* Select PrinterFont to set the font of the "
                          "* printed protocol.");
}

// Pen widths beyond this only make the plot unreadable and the painting slow.
constexpr int kMaxPenWidth = 100;

} // namespace

MainWindow::MainWindow(UserDialogs& dialogs, MainWindowSetup setup)
    : QMainWindow(nullptr), mDialogs(dialogs), mSetup(std::move(setup)),
      mSimState(std::make_unique<SimState>()) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QString::fromLatin1(kAppTitle));
    if (!mSetup.findDataFile) {
        mSetup.findDataFile = [](const QString& name) { return findDataFile(name); };
    }

    // 1. StartLogoPending starts true (member initialiser).
    // 2. The help file: every window asks the same service.
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

    // 3. The window: the screen's top left, its full width, its height less a tool button.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect avail = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int screenW = avail.width();
    const int screenH = avail.height();
    const int tbH = toolBarHeight();
    setGeometry(avail.x(), avail.y(), screenW, screenH - mSpeedButton1->sizeHint().height() - 2);
    const int clientH = height() - menuBar()->sizeHint().height();
    mCanvas->resize(screenW, clientH);

    // 4. The panels and their controls.
    const int panelH = clientH - 2 * tbH;
    createSimulationPanel(QRect(screenW / 2, tbH + 2, static_cast<int>(0.45 * screenW), panelH));
    createOptionsPanel(QRect(2, tbH + 4, static_cast<int>(0.98 * screenW), panelH));
    createAboutPanel();

    // 5. The options list and its help text; the first entry selected.
    mListBox1->setCurrentRow(0);
    ResultsValid = false;

    // 6. The plot rectangle and the scroll bar under it.
    const int textH = QFontMetrics(font()).height();
    const int plotTop = 2 * textH + tbH;
    const int plotLeft = static_cast<int>(0.05 * screenW);
    const int plotRight = static_cast<int>(0.45 * screenW);
    const int plotBottom = plotTop + static_cast<int>(0.5 * screenH);
    PlotFrame = QRect(plotLeft, plotTop, plotRight - plotLeft, plotBottom - plotTop);
    mScrollBar1 = new QScrollBar(Qt::Horizontal, mCanvas);
    mScrollBar1->setObjectName(QStringLiteral("ScrollBar1"));
    mScrollBar1->setRange(0, 100);
    connect(mScrollBar1, &QScrollBar::valueChanged, mCanvas, qOverload<>(&QWidget::update));
    mScrollBar1->setGeometry(plotLeft, plotBottom + static_cast<int>(0.1 * screenH),
                             static_cast<int>(0.4 * screenW), mScrollBar1->sizeHint().height());

    // 7. Nothing shown over the logo.
    mPanel1->hide();
    mPanel2->hide();
    mPanel3->hide();
    mScrollBar1->hide();

    // 8. Fonts; the colour, font and print dialogs live behind UserDialogs.
    AxisFont = fontFromOptions(mParams.AxisFontName, mParams.AxisFontSize, mParams.AxisFontStyle);
    PrinterFont =
        fontFromOptions(mParams.PrinterFontName, mParams.PrinterFontSize, mParams.PrinterFontStyle);

    // 9. The parameter set; a file that cannot be read ends the start here.
    InitParameters(true);
    // 10.
    RBChanged();

    createOtherWindows();
    mStarted = true;
}

MainWindow::~MainWindow() {
    std::string error;
    if (!SaveParamsAtExit(&error)) {
        // The window is gone; a message box could not be answered any more.
        std::cerr << "Loopcraft: " << kParamsFileName << " not written: " << error << '\n';
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
    StoreFontOptions();
    return SaveParamsFileAtomic(mParams, mSetup.paramsFile, error);
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

void MainWindow::createSimulationPanel(const QRect& geometry) {
    mPanel1 = new QFrame(mCanvas);
    mPanel1->setObjectName(QStringLiteral("Panel1"));
    mPanel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    mPanel1->setAutoFillBackground(true);
    mPanel1->setGeometry(geometry);
    const QSize size = geometry.size();

    const QRect groupRect = fractionRect(size, 0.1, 0.02, 0.4, 0.18);
    auto* group = new QGroupBox(QStringLiteral("Simulation mode"), mPanel1);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    group->setGeometry(groupRect);
    auto radio = [&](const char* name, const char* caption, double top) {
        auto* rb = new QRadioButton(QString::fromLatin1(caption), group);
        rb->setObjectName(QString::fromLatin1(name));
        // The radio rows are given in panel coordinates; the group box is their parent.
        rb->setGeometry(fractionRect(size, 0.14, top, 0.3, 0.06).translated(-groupRect.topLeft()));
        return rb;
    };
    mRbfstep = radio("rbSimulfstep", "f-step", 0.04);
    mRbphistep = radio("rbSimulphistep", "phi-step", 0.08);
    mRbNstep = radio("rbSimulNstep", "N-step", 0.12);
    // A handler runs whenever its button becomes checked, by the user or by the program.
    connect(mRbfstep, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            rbSimulfstepClick();
        }
    });
    connect(mRbphistep, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            rbSimulphistepClick();
        }
    });
    connect(mRbNstep, &QRadioButton::toggled, this, [this](bool on) {
        if (on) {
            rbSimulNstepClick();
        }
    });

    auto edit = [&](TextId id, const char* label, double top) {
        auto* e = new QLineEdit(mPanel1);
        e->setObjectName(QStringLiteral("Edit") + QString::fromLatin1(textName(id)));
        e->setGeometry(fractionRect(size, 0.1, top, 0.3, 0.05));
        auto* l = new QLabel(QString::fromLatin1(label), mPanel1);
        l->setObjectName(QStringLiteral("st") + QString::fromLatin1(textName(id)));
        l->setGeometry(fractionRect(size, 0.5, top, 0.3, 0.05));
    };
    edit(TextId::Simulf0, "f0 (Hz)", 0.22);
    edit(TextId::Simuldf, "df (Hz)", 0.27);
    edit(TextId::Simuldphi, "dphi (deg)", 0.32);
    edit(TextId::SimuldN, "dN", 0.37);
    edit(TextId::SimulnSamp, "nSamp", 0.42);
    edit(TextId::SimulT, "T (s)", 0.47);
    edit(TextId::SimulZoomFact, "ZoomFact", 0.52);
    mCbAddNoise = new QCheckBox(QStringLiteral("Add noise"), mPanel1);
    mCbAddNoise->setObjectName(QStringLiteral("cbSimulAddNoise"));
    mCbAddNoise->setGeometry(fractionRect(size, 0.1, 0.57, 0.4, 0.07));
    connect(mCbAddNoise, &QCheckBox::clicked, this, &MainWindow::cbSimulAddNoiseClick);
    edit(TextId::SimulSNR, "SNR (db)", 0.64);
    edit(TextId::SimulNoiseBW, "NoiseBW (rel)", 0.69);
    mCbFilter = new QCheckBox(QStringLiteral("Filter"), mPanel1);
    mCbFilter->setObjectName(QStringLiteral("cbSimulFilter"));
    mCbFilter->setGeometry(fractionRect(size, 0.1, 0.74, 0.4, 0.05));

    auto button = [&](const char* name, const char* caption, double left, auto slot) {
        auto* b = new QPushButton(QString::fromLatin1(caption), mPanel1);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(fractionRect(size, left, 0.85, 0.18, 0.05));
        connect(b, &QPushButton::clicked, this, slot);
    };
    button("ButtonSimulHelp", "Help", 0.05, &MainWindow::ButtonSimulHelpClick);
    button("ButtonSimulRun", "Run", 0.28, &MainWindow::ButtonSimulRunClick);
    button("ButtonSimulPrintProt", "Print Prot", 0.51, &MainWindow::ButtonSimulPrintProtClick);
    button("ButtonSimulExit", "Exit", 0.74, &MainWindow::ButtonSimulExitClick);
}

void MainWindow::createOptionsPanel(const QRect& geometry) {
    mPanel2 = new QFrame(mCanvas);
    mPanel2->setObjectName(QStringLiteral("Panel2"));
    mPanel2->setFrameStyle(QFrame::Panel | QFrame::Raised);
    mPanel2->setAutoFillBackground(true);
    mPanel2->setGeometry(geometry);
    const QSize size = geometry.size();

    mListBox1 = new QListWidget(mPanel2);
    mListBox1->setObjectName(QStringLiteral("ListBox1"));
    mListBox1->setGeometry(fractionRect(size, 0.2, 0.1, 0.3, 0.3));
    mListBox1->addItems({QStringLiteral("AxisTickLabels"), QStringLiteral("Curve1"),
                         QStringLiteral("Curve2"), QStringLiteral("FrameBackground"),
                         QStringLiteral("Grid"), QStringLiteral("PrinterFont")});
    connect(mListBox1, &QListWidget::itemClicked, this, &MainWindow::ListBox1Click);
    connect(mListBox1, &QListWidget::currentRowChanged, this, &MainWindow::ListBox1Click);

    mMemo1 = new QPlainTextEdit(mPanel2);
    mMemo1->setObjectName(QStringLiteral("Memo1"));
    mMemo1->setReadOnly(true);
    mMemo1->setGeometry(fractionRect(size, 0.2, 0.5, 0.4, 0.4));
    mMemo1->setPlainText(optionsHelpText());

    auto button = [&](const char* name, const char* caption, double top, auto slot) {
        auto* b = new QPushButton(QString::fromLatin1(caption), mPanel2);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(fractionRect(size, 0.7, top, 0.2, 0.08));
        connect(b, &QPushButton::clicked, this, slot);
    };
    button("ButtonOptionsSelectColor", "SelectColor", 0.2,
           &MainWindow::ButtonOptionsSelectColorClick);
    button("ButtonOptionsSelectPenWidth", "SelectPenWidth", 0.35,
           &MainWindow::ButtonOptionsSelectPenWidthClick);
    button("ButtonOptionsSelectFont", "SelectFont", 0.5, &MainWindow::ButtonOptionsSelectFontClick);
    button("ButtonOptionsOk", "Ok", 0.65, &MainWindow::ButtonOptionsOkClick);
    button("ButtonOptionsCancel", "Cancel", 0.8, &MainWindow::ButtonOptionsCancelClick);
}

void MainWindow::createAboutPanel() {
    mPanel3 = new QFrame(mCanvas);
    mPanel3->setObjectName(QStringLiteral("Panel3"));
    mPanel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    mPanel3->setAutoFillBackground(true);
    const QSize client = mCanvas->size();
    const QSize size(std::max(320, client.width() / 3), std::max(220, client.height() / 3));
    mPanel3->setGeometry((client.width() - size.width()) / 2, (client.height() - size.height()) / 2,
                         size.width(), size.height());

    auto* title = new QLabel(QString::fromLatin1(kAppTitle), mPanel3);
    title->setObjectName(QStringLiteral("AboutTitle"));
    QFont big = title->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    title->setFont(big);
    title->setAlignment(Qt::AlignCenter);
    title->setGeometry(fractionRect(size, 0.05, 0.08, 0.9, 0.25));
    auto* text = new QLabel(
        QStringLiteral("Phase-locked loop design and simulation workbench\n\n"
                       "Configure, design, plot and simulate\nmixed-signal and all-digital PLLs"),
        mPanel3);
    text->setObjectName(QStringLiteral("AboutText"));
    text->setAlignment(Qt::AlignCenter);
    text->setGeometry(fractionRect(size, 0.05, 0.35, 0.9, 0.3));
    auto* ok = new QPushButton(QStringLiteral("OK"), mPanel3);
    ok->setObjectName(QStringLiteral("OkButton"));
    ok->setGeometry(fractionRect(size, 0.35, 0.72, 0.3, 0.16));
    connect(ok, &QPushButton::clicked, this, &MainWindow::OkButtonClick);
}

void MainWindow::createOtherWindows() {
    // In this order; each is filled from the parameter set as it is created.
    mConfigDialog = new ConfigDialog(mParams, *mHelp, mDialogs, this);
    mConfigDialog->place(configPlacement());
    // The Bode and schematic windows are windows of their own, not children of the main
    // window: the design dialog is modal to the main window, and they must stay usable while it
    // is open.
    mBodeWindow = std::make_unique<BodeWindow>(mParams, *mHelp, mDialogs);
    mBodeWindow->place(configPlacement());
    mSchematicWindow = std::make_unique<SchematicWindow>(mParams, *mHelp, mDialogs);
    for (QWidget* w : std::initializer_list<QWidget*>{mBodeWindow.get(), mSchematicWindow.get()}) {
        w->setWindowIcon(windowIcon());
    }
    mDesignDialog =
        new DesignDialog(mParams, *mHelp, mDialogs, *mBodeWindow, *mSchematicWindow, this);
    mDesignDialog->place(configPlacement());
}

QLineEdit* MainWindow::simulationEdit(TextId id) const {
    return mPanel1->findChild<QLineEdit*>(QString::fromStdString(editFieldName(id)));
}

bool MainWindow::adpllChecked() const {
    return mConfigDialog ? mConfigDialog->radioStates().rbConfigADPLL : mParams.rbConfigADPLL != 0;
}

QLineEdit* MainWindow::configEdit(const char* name) const {
    return mConfigDialog ? mConfigDialog->findChild<QLineEdit*>(QString::fromLatin1(name))
                         : nullptr;
}

void MainWindow::InitParameters(bool useFile) {
    const InitResult result = loopcraft::InitParameters(mParams, useFile, mSetup.paramsFile);
    if (!result.ok) {
        throw StartupError(result.message);
    }
    // The stimulus buttons follow their flags. Exclusivity is lifted meanwhile, so a file with
    // no stimulus flag set leaves none checked rather than keeping the old choice.
    QRadioButton* const radios[] = {mRbfstep, mRbphistep, mRbNstep};
    const int flags[] = {mParams.rbSimulfstep, mParams.rbSimulphistep, mParams.rbSimulNstep};
    for (QRadioButton* rb : radios) {
        rb->setAutoExclusive(false);
    }
    for (int i = 0; i < 3; ++i) {
        radios[i]->setChecked(flags[i] != 0);
    }
    for (QRadioButton* rb : radios) {
        rb->setAutoExclusive(true);
    }
    putSimulationTexts();
    ApplyDisplayOptions();
}

void MainWindow::putSimulationTexts() {
    for (TextId id : simulationValueOrder()) {
        if (QLineEdit* e = simulationEdit(id)) {
            e->setText(QString::fromStdString(mParams.text(id)));
        }
    }
}

void MainWindow::ApplyDisplayOptions() {
    AxisFont = fontFromOptions(mParams.AxisFontName, mParams.AxisFontSize, mParams.AxisFontStyle);
    PrinterFont =
        fontFromOptions(mParams.PrinterFontName, mParams.PrinterFontSize, mParams.PrinterFontStyle);
    mDialogs.setCustomColors(mParams.CustomColors);
}

void MainWindow::StoreFontOptions() {
    fontToOptions(AxisFont, mParams.AxisFontName, mParams.AxisFontSize, mParams.AxisFontStyle,
                  kMaxFontNameChars);
    fontToOptions(PrinterFont, mParams.PrinterFontName, mParams.PrinterFontSize,
                  mParams.PrinterFontStyle, kMaxFontNameChars);
}

// ---- painting ---------------------------------------------------------------------------

void MainWindow::FormPaint(QPainter& painter) {
    if (StartLogoPending) {
        StartLogoPending = false;
        const int top = toolBarHeight() + 2;
        const QRect target(0, top, mCanvas->width(), mCanvas->height() - 2 - top);
        if (stretchDrawPicture(painter, target, mSetup.findDataFile(kStartLogoFile))) {
            ++mStartLogoDraws;
        } else if (!mBitmapErrorQueued) {
            // A modal box cannot open inside a paint; it follows right after it.
            mBitmapErrorQueued = true;
            QTimer::singleShot(0, this, &MainWindow::showBitmapError);
        }
    }
    if (mProgressNote) {
        drawProgressNote(painter);
    }
    if (ResultsValid) {
        drawSimulationPlot(painter);
        if (SavedCursor) {
            QGuiApplication::restoreOverrideCursor();
            SavedCursor.reset();
        }
    }
    RBChanged();
}

void MainWindow::showBitmapError() {
    mBitmapErrorQueued = false;
    mDialogs.message(this, QString::fromLatin1(kAppTitle), QString::fromLatin1(kBitmapError));
}

PlotRect MainWindow::plotRect() const {
    return PlotRect{PlotFrame.x(), PlotFrame.y(), PlotFrame.x() + PlotFrame.width(),
                    PlotFrame.y() + PlotFrame.height()};
}

void MainWindow::drawSimulationPlot(QPainter& painter) {
    PlotStyle style;
    style.ColorAxisTickLabels = mParams.ColorAxisTickLabels;
    style.ColorCurve1 = mParams.ColorCurve1;
    style.ColorCurve2 = mParams.ColorCurve2;
    style.ColorFrameBackground = mParams.ColorFrameBackground;
    style.ColorGrid = mParams.ColorGrid;
    style.PenWidthCurve1 = mParams.PenWidthCurve1;
    style.PenWidthCurve2 = mParams.PenWidthCurve2;
    style.AxisFont = AxisFont;
    paintSimulationPlot(painter, *mSimState, plotRect(), mScrollBar1->value(), style);
}

void MainWindow::drawProgressNote(QPainter& painter) {
    painter.fillRect(PlotFrame, colorFromBgr(mParams.ColorFrameBackground));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(12);
    painter.setFont(font);
    painter.setPen(Qt::black);
    const QFontMetrics metrics(font);
    painter.drawText(PlotFrame.topLeft() + QPoint(2, 2 + metrics.ascent()),
                     QStringLiteral("Hey boss, I'm working lide mad!"));
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
    mPanel1->show();
    mPanel1->raise();
    prepareSimulationPanel();
    RBChanged();
}

void MainWindow::SpeedButton4Click() {
    mCanvas->update();
    mPanel1->hide();
    mScrollBar1->hide();
    mPanel2->show();
    mPanel2->raise();
    ResultsValid = false;
    ListBox1Click();
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
    StartLogoPending = true;
    ResultsValid = false;
    mPanel1->hide();
    mScrollBar1->hide();
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
    mParams.setDisplayDefaults();
    ApplyDisplayOptions();
}

void MainWindow::Quit1Click() {
    SpeedButton6Click();
}
void MainWindow::OkButtonClick() {
    mPanel3->hide();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closed();
}

// A modal dialog that comes back without ok is offered once more; not when the program is
// being ended (a signal closed the window while the dialog was open).
ConfigDialogPlacement MainWindow::configPlacement() const {
    const QScreen* screen = QGuiApplication::primaryScreen();
    ConfigDialogPlacement placement;
    placement.screen = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    placement.toolBarHeight = toolBarHeight();
    placement.mainClientHeight = mCanvas->height();
    placement.top = mCanvas->mapToGlobal(QPoint(0, placement.toolBarHeight)).y();
    return placement;
}

void MainWindow::OpenConfigDialog() {
    mCanvas->repaint();
    mConfigDialog->place(configPlacement());
    mConfigDialog->FillDialog();
    mConfigDialog->ApplyConfigRules();
    if (mConfigDialog->exec() != QDialog::Accepted && isVisible()) {
        mConfigDialog->exec();
    }
}

void MainWindow::OpenDesignDialog() {
    mCanvas->repaint();
    mDesignDialog->place(configPlacement());
    if (!mBodeWindow->isVisible()) {
        mBodeWindow->place(configPlacement());
    }
    mDesignDialog->PrepareDesignWindow();
    mDesignDialog->ApplyDesignPanelRules();
    if (mDesignDialog->exec() != QDialog::Accepted && isVisible()) {
        mDesignDialog->exec();
    }
}

// ---- simulation panel ---------------------------------------------------------------------

void MainWindow::RBChanged() {
    auto showField = [this](TextId id, bool visible) {
        const QString name = QString::fromLatin1(textName(id));
        if (auto* e = mPanel1->findChild<QWidget*>(QStringLiteral("Edit") + name)) {
            e->setVisible(visible);
        }
        if (auto* l = mPanel1->findChild<QWidget*>(QStringLiteral("st") + name)) {
            l->setVisible(visible);
        }
    };
    if (mParams.rbConfigDPLL == 1) {
        if (mRbfstep->isChecked()) {
            showField(TextId::Simuldf, true);
            showField(TextId::Simuldphi, false);
            showField(TextId::SimuldN, false);
        } else if (mRbphistep->isChecked()) {
            showField(TextId::Simuldphi, true);
            showField(TextId::Simuldf, false);
            showField(TextId::SimuldN, false);
        } else {
            showField(TextId::SimuldN, true);
            showField(TextId::Simuldf, false);
            showField(TextId::Simuldphi, false);
            // A divider step needs a divider: the oscillator becomes VCO with scaler.
            mParams.rbConfigVCO = 0;
            mParams.rbConfigVCOScaler = 1;
        }
        mRbNstep->setVisible(true);
    } else {
        if (mRbNstep->isChecked()) {
            // Checking f-step runs its handler, and so this function, once more.
            mRbfstep->setChecked(true);
        }
        const bool fstep = mRbfstep->isChecked();
        showField(TextId::Simuldf, fstep);
        showField(TextId::Simuldphi, !fstep);
        showField(TextId::SimuldN, false);
        mRbNstep->setVisible(false);
    }
}

void MainWindow::rbSimulfstepClick() {
    RBChanged();
}
void MainWindow::rbSimulphistepClick() {
    RBChanged();
}

void MainWindow::rbSimulNstepClick() {
    if (!StartLogoPending) {
        const QString note = QStringLiteral("When simulation mode N-step is chosen,"
                                            "the oscillator type in the CONFIG dialog is\r\n"
                                            "automatically switched to VCO + scaler.\r\n"
                                            "Make shure that you specified appropriate values\r\n"
                                            "for N and K0 in the CONFIG dialog box.\r\n"
                                            "\r\n"
                                            "You should also check the filter design\r\n"
                                            "in the DESIGN dialog box.");
        mDialogs.message(this, QStringLiteral("Note"), note);
        if (mConfigDialog) {
            mConfigDialog->SelectVCOScaler();
        }
    }
    RBChanged();
}

void MainWindow::SaveRadioButtonStatus() {
    mParams.rbSimulfstep = mRbfstep->isChecked() ? 1 : 0;
    mParams.rbSimulphistep = mRbphistep->isChecked() ? 1 : 0;
    mParams.rbSimulNstep = mRbNstep->isChecked() ? 1 : 0;
}

void MainWindow::prepareSimulationPanel() {
    // The choices as the configuration window shows them; they equal the flags after Done.
    const Configuration config = liveConfiguration();
    const PanelPreparation prep =
        PrepareSimulationPanel(mParams, config, FilterDesignState::fromParameters(mParams, config));
    simulationEdit(TextId::Simulf0)->setText(QString::fromStdString(mParams.text(TextId::Simulf0)));
    if (prep.proposedT) {
        simulationEdit(TextId::SimulT)->setText(QString::fromStdString(*prep.proposedT));
    }
    simulationEdit(TextId::SimulnSamp)->setVisible(prep.nSampVisible);
    mPanel1->findChild<QLabel*>(QStringLiteral("stSimulnSamp"))->setVisible(prep.nSampVisible);
    if (prep.filterVisible) {
        mCbFilter->setChecked(true);
    }
    mCbFilter->setVisible(prep.filterVisible);
    mCbAddNoise->setChecked(false);
    mCbAddNoise->show();
    cbSimulAddNoiseClick();
}

void MainWindow::cbSimulAddNoiseClick() {
    const bool noise = mCbAddNoise->isChecked();
    for (const char* name : {"EditSimulSNR", "stSimulSNR", "EditSimulNoiseBW", "stSimulNoiseBW"}) {
        mPanel1->findChild<QWidget*>(QString::fromLatin1(name))->setVisible(noise);
    }
}

void MainWindow::ButtonSimulHelpClick() {
    mHelp->jumpToTopic(QStringLiteral("ParametersOfPLLSimulation"));
}

Configuration MainWindow::liveConfiguration() const {
    const PoleKind poles = Configuration::fromFlags(mParams).poleKind;
    return mConfigDialog ? Configuration::fromRadioStates(mConfigDialog->radioStates(), poles)
                         : Configuration::fromFlags(mParams);
}

void MainWindow::showPanelMessage(const Message& message) {
    showMessage(mDialogs, this, message);
}

void MainWindow::ButtonSimulRunClick() {
    const Stimulus stimulus = mRbfstep->isChecked()     ? Stimulus::FStep
                              : mRbphistep->isChecked() ? Stimulus::PhiStep
                                                        : Stimulus::NStep;
    const Configuration config = Configuration::fromFlags(mParams);
    SimulationEntries entries;
    auto text = [this](TextId id) { return simulationEdit(id)->text().toStdString(); };
    entries.Simulf0 = text(TextId::Simulf0);
    entries.Simuldf = text(TextId::Simuldf);
    entries.Simuldphi = text(TextId::Simuldphi);
    entries.SimuldN = text(TextId::SimuldN);
    entries.SimulnSamp = text(TextId::SimulnSamp);
    entries.SimulT = text(TextId::SimulT);
    entries.SimulZoomFact = text(TextId::SimulZoomFact);
    entries.SimulSNR = text(TextId::SimulSNR);
    entries.SimulNoiseBW = text(TextId::SimulNoiseBW);
    if (auto failure = ReadSimulationEntries(mParams, entries, stimulus, config.isAdpll())) {
        showPanelMessage(*failure);
        return;
    }
    if (auto failure = ValidateSimulation(mParams, stimulus, config)) {
        showPanelMessage(*failure);
        return;
    }
    mProgressNote = true;
    mCanvas->repaint();

    // The run works on a copy: the live stimulus and options, whatever the stored flags say.
    mSimState->setParameters(mParams);
    mSimState->rbSimulfstep = stimulus == Stimulus::FStep ? 1 : 0;
    mSimState->rbSimulphistep = stimulus == Stimulus::PhiStep ? 1 : 0;
    mSimState->rbSimulNstep = stimulus == Stimulus::NStep ? 1 : 0;
    mSimState->cbSimulAddNoise = mCbAddNoise->isChecked();
    mSimState->cbSimulFilter = mCbFilter->isChecked() && !mCbFilter->isHidden();
    SimulationRunResult result;
    {
        BusyCursor busy;
        result = runSimulation(*mSimState);
    }
    mProgressNote = false;
    if (!result.ok()) {
        showPanelMessage(*result.refusal);
        mCanvas->update();
        return;
    }
    if (result.filterUnchecked) {
        mCbFilter->setChecked(false);
    }
    mScrollBar1->setValue(0);
    mScrollBar1->setVisible(result.scrollBarVisible);
    ResultsValid = true;
    mCanvas->update();
}

void MainWindow::ButtonSimulPrintProtClick() {
    if (!ResultsValid) {
        mDialogs.message(this, QStringLiteral("No printing"),
                         QStringLiteral("There is nothing to print. Hit the RUN button first."));
        return;
    }
    std::unique_ptr<QPrinter> printer = mDialogs.choosePrinter(this);
    if (!printer) {
        return;
    }
    QPainter painter;
    if (!painter.begin(printer.get())) {
        mDialogs.message(this, QStringLiteral("No printing"),
                         QStringLiteral("The printer could not be opened."));
        return;
    }
    const QFontMetrics metrics(PrinterFont, printer.get());
    const int pageW = printer->width();
    const int pageH = printer->height();
    const int h7 = 7 * metrics.height();
    const int side =
        std::min(static_cast<int>(0.8 * pageW), static_cast<int>(0.8 * pageH - 1.2 * h7));
    const QRect printArea(static_cast<int>(0.1 * pageW), static_cast<int>(0.1 * pageH), side, side);

    // The plot as the window shows it, with its labels and titles, scaled into the square.
    const int titleH = QFontMetrics(AxisFont).height();
    const QRect labelArea = PlotFrame.adjusted(-PlotFrame.x(), -2 * titleH, 6 * titleH, 3 * titleH);
    painter.save();
    painter.translate(printArea.topLeft());
    painter.scale(static_cast<double>(side) / labelArea.width(),
                  static_cast<double>(side) / labelArea.height());
    painter.translate(-labelArea.topLeft());
    drawSimulationPlot(painter);
    painter.restore();

    const QDateTime now = QDateTime::currentDateTime();
    const ProtocolTimestamp when{now.date().day(), now.date().month(), now.date().year(),
                                 now.time().hour(), now.time().minute()};
    const Stimulus stimulus = mRbfstep->isChecked()     ? Stimulus::FStep
                              : mRbphistep->isChecked() ? Stimulus::PhiStep
                                                        : Stimulus::NStep;
    painter.setFont(PrinterFont);
    painter.setPen(colorFromBgr(mParams.ColorPrinterFont));
    const int step = metrics.height();
    int y = printArea.y() + printArea.height() + step + 2;
    for (const std::string& line :
         ProtocolLines(mParams, liveConfiguration(), stimulus, mCbAddNoise->isChecked(), when)) {
        // Line ends carried by some texts draw nothing: only the line step moves the text.
        QString text = QString::fromStdString(line);
        text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        painter.drawText(QPoint(printArea.x(), y + metrics.ascent()), text);
        y += step;
    }
    painter.end();
}

void MainWindow::ButtonSimulExitClick() {
    // The reference frequency chosen here becomes the loop's centre frequency.
    const bool adpll = adpllChecked();
    const TextId f0 = adpll ? TextId::ConfigADPLLf0 : TextId::ConfigLDPLLf0;
    mParams.setTextRaw(f0, mParams.text(TextId::Simulf0));
    (adpll ? mParams.ConfigADPLLf0 : mParams.ConfigLDPLLf0) = mParams.Simulf0;
    if (QLineEdit* e = configEdit(adpll ? "EditConfigADPLLf0" : "EditConfigLDPLLf0")) {
        e->setText(QString::fromStdString(mParams.text(TextId::Simulf0)));
    }
    mPanel1->hide();
    mScrollBar1->hide();
    ResultsValid = false;
    SaveRadioButtonStatus();
    mCanvas->update();
}

// ---- options panel ------------------------------------------------------------------------

namespace {

std::uint32_t* colorField(ParameterSet& ps, int index) {
    switch (index) {
    case 0:
        return &ps.ColorAxisTickLabels;
    case 1:
        return &ps.ColorCurve1;
    case 2:
        return &ps.ColorCurve2;
    case 3:
        return &ps.ColorFrameBackground;
    case 4:
        return &ps.ColorGrid;
    case 5:
        return &ps.ColorPrinterFont;
    default:
        return nullptr;
    }
}

int* penWidthField(ParameterSet& ps, int index) {
    switch (index) {
    case 1:
        return &ps.PenWidthCurve1;
    case 2:
        return &ps.PenWidthCurve2;
    default:
        return nullptr;
    }
}

} // namespace

void MainWindow::ListBox1Click() {
    const int index = mListBox1->currentRow();
    if (index < 0) {
        return;
    }
    auto button = [this](const char* name) {
        return mPanel2->findChild<QPushButton*>(QString::fromLatin1(name));
    };
    button("ButtonOptionsSelectColor")->setVisible(true);
    button("ButtonOptionsSelectPenWidth")->setVisible(index == 1 || index == 2);
    button("ButtonOptionsSelectFont")->setVisible(index == 0 || index == 5);
}

void MainWindow::ButtonOptionsSelectColorClick() {
    std::uint32_t* field = colorField(mParams, mListBox1->currentRow());
    if (!field) {
        return;
    }
    if (const std::optional<QColor> color = mDialogs.chooseColor(this, colorFromBgr(*field))) {
        *field = bgrFromColor(*color);
    }
    // The chooser's custom colours are kept whether or not the user confirmed.
    mParams.CustomColors = mDialogs.customColors();
}

void MainWindow::ButtonOptionsSelectPenWidthClick() {
    int* field = penWidthField(mParams, mListBox1->currentRow());
    if (!field) {
        return;
    }
    const QString answer =
        mDialogs.inputBox(this, QStringLiteral("Enter PenWidth"), QStringLiteral("PenWidth = "),
                          QString::number(*field));
    bool ok = false;
    const int width = answer.trimmed().toInt(&ok, 10);
    if (!ok) {
        mDialogs.message(this, QStringLiteral("Error"),
                         QStringLiteral("Invalid integer format, try again"));
        return;
    }
    *field = std::clamp(width, 1, kMaxPenWidth);
}

void MainWindow::ButtonOptionsSelectFontClick() {
    const bool axis = mListBox1->currentRow() == 0;
    QFont& font = axis ? AxisFont : PrinterFont;
    const QColor color =
        colorFromBgr(axis ? mParams.ColorAxisTickLabels : mParams.ColorPrinterFont);
    if (const std::optional<FontChoice> choice = mDialogs.chooseFont(this, {font, color})) {
        font = choice->font;
    }
}

void MainWindow::ButtonOptionsOkClick() {
    mPanel2->hide();
}
void MainWindow::ButtonOptionsCancelClick() {
    mPanel2->hide();
}

} // namespace loopcraft
