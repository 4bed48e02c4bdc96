#include "gui/design/DesignDialog.h"

#include "core/base/E24.h"
#include "core/base/HelpDocument.h"
#include "gui/base/HelpService.h"
#include "gui/base/MessagePresenter.h"
#include "gui/base/Placement.h"
#include "gui/base/UserDialogs.h"
#include "gui/base/Visibility.h"
#include "gui/base/WidgetNames.h"
#include "gui/bode/BodeWindow.h"
#include "gui/noise/PhaseNoiseWindow.h"
#include "gui/schematic/SchematicWindow.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <algorithm>
#include <iterator>
#include <utility>

namespace loopcraft {

namespace {

struct Placement {
    const char* name;
    double left, top, width, height; // fractions of the parent's size
};

// Where every container and button sits; the entry rows are placed by field below.
constexpr Placement kPlacements[] = {
    // The configuration's four lines must show whole on a 1024 x 768 screen.
    {"Panel1", 0.01, 0.01, 0.98, 0.19},
    {"Label1", 0.01, 0.03, 0.30, 0.18},
    {"Memo1", 0.05, 0.23, 0.43, 0.73},
    {"Memo2", 0.52, 0.23, 0.43, 0.73},
    {"Panel2", 0.01, 0.22, 0.98, 0.74},
    {"Panel3", 0.01, 0.22, 0.98, 0.74},
    // Mixed-signal panel.
    {"GroupBox1", 0.01, 0.02, 0.30, 0.62},
    {"Label2", 0.05, 0.02, 0.90, 0.10},
    {"ButtonFiltDesignCalcFilterParams", 0.20, 0.76, 0.60, 0.13},
    {"GroupBox5", 0.01, 0.67, 0.30, 0.31},
    {"ButtonFiltDesignPlotBode", 0.05, 0.10, 0.42, 0.24},
    {"ButtonFiltDesignSchematic", 0.53, 0.10, 0.42, 0.24},
    {"ButtonFiltDesignPhaseNoise", 0.05, 0.40, 0.42, 0.24},
    {"ButtonFiltDesignLDPLLHelp", 0.53, 0.40, 0.42, 0.24},
    {"ButtonFiltDesignLDPLLDone", 0.53, 0.70, 0.42, 0.24},
    {"GroupBox2", 0.33, 0.02, 0.66, 0.96},
    {"Label3", 0.02, 0.01, 0.50, 0.06},
    {"GroupBox3", 0.02, 0.09, 0.47, 0.62},
    {"Label4", 0.05, 0.02, 0.90, 0.09},
    {"GroupBox4", 0.51, 0.09, 0.47, 0.62},
    {"Label5", 0.05, 0.02, 0.90, 0.09},
    {"RadioGroup1", 0.05, 0.13, 0.90, 0.12},
    {"rbFiltDesignRealPoles", 0.06, 0.10, 0.42, 0.80},
    {"rbFiltDesignComplexPoles", 0.52, 0.10, 0.42, 0.80},
    {"ButtonFiltDesignCalcFrequencyParams", 0.35, 0.75, 0.30, 0.09},
    // ADPLL panel.
    {"GroupBox6", 0.01, 0.02, 0.30, 0.62},
    {"Label6", 0.05, 0.02, 0.90, 0.10},
    {"ButtonFiltDesignCalcADPLLParams", 0.20, 0.76, 0.60, 0.13},
    {"GroupBox10", 0.01, 0.67, 0.30, 0.31},
    {"ButtonFiltDesignBodeADPLL", 0.05, 0.14, 0.42, 0.30},
    {"ButtonFiltDesignADPLLPhaseNoise", 0.53, 0.14, 0.42, 0.30},
    {"ButtonFiltDesignADPLLHelp", 0.05, 0.56, 0.42, 0.30},
    {"ButtonFiltDesignADPLLDone", 0.53, 0.56, 0.42, 0.30},
    {"GroupBox7", 0.33, 0.02, 0.66, 0.96},
    {"Label7", 0.02, 0.01, 0.50, 0.06},
    {"GroupBox8", 0.02, 0.09, 0.47, 0.62},
    {"Label8", 0.05, 0.02, 0.90, 0.09},
    {"GroupBox9", 0.51, 0.09, 0.47, 0.62},
    {"Label9", 0.05, 0.02, 0.90, 0.09},
    {"ButtonFiltDesignCalcADPLLFreqParams", 0.35, 0.75, 0.30, 0.09},
};

// The entry rows of each group (stack), top to bottom. Only the rows shown take a place, so a
// group shows no gap where the configuration hides an entry.
struct Row {
    DesignField field;
    const char* caption;
    int stack; // 0 f3db, 1 section 1, 2 section 2, 3 fH, 4 K counter, 5 DCO
};

constexpr Row kRows[] = {
    {DesignField::LDPLLf3db, "f3db", 0},
    {DesignField::Ka, "Ka", 1},
    {DesignField::Tau1, "t1", 1},
    {DesignField::Tau2, "t2", 1},
    {DesignField::Tau3, "t3", 1},
    {DesignField::C1, "C1", 1},
    {DesignField::Tau4, "t4", 2},
    {DesignField::Tau5, "t5", 2},
    {DesignField::fs, "fs", 2},
    {DesignField::zeta, "z", 2},
    {DesignField::ADPLLfH, "fH", 3},
    {DesignField::M, "M", 4},
    {DesignField::K, "K", 4},
    {DesignField::N, "N", 5},
};
// Top of each stack's first row and the step to the next, as fractions of the group's height.
constexpr double kStackTop[] = {0.18, 0.16, 0.16, 0.18, 0.18, 0.18};
constexpr double kStackTopBelowPoleKind = 0.32;
constexpr double kRowStep = 0.15;
constexpr double kRowHeight = 0.11;

// The figures shown beside their captions, on the rows of the frequency groups.
struct Display {
    const char* caption;
    const char* captionName;
    const char* valueName;
    const char* initial;
    double top;
};

constexpr Display kDisplays[] = {
    {"phase margin (deg)", "StaticText4", "StaticText3", "(alpha)", 0.33},
    {"damp fact (zeta)", "StaticText5", "StaticText6", "(zeta)", 0.48},
    {"f3db", "stFiltDesignADPLLf3db", "stFiltDesignADPLLf3dbValue", "(f3dbValue)", 0.33},
};

void placeControl(QWidget* w, const Placement& place) {
    placeAt(w, place.left, place.top, place.width, place.height);
    // A button keeps a button's height, centred in its place.
    if (qobject_cast<QPushButton*>(w) != nullptr) {
        const QRect r = w->geometry();
        const int h = std::min(r.height(), w->sizeHint().height() + 10);
        w->setGeometry(r.x(), r.y() + (r.height() - h) / 2, r.width(), h);
    }
}

// A caption and its edit (or value display) in one band; the edit keeps its natural height.
void placeRow(QWidget* caption, QWidget* value, double top, int naturalHeight) {
    const QSize p = value->parentWidget()->size();
    const int band = fractionOf(kRowHeight, p.height());
    const int h = std::min(band, naturalHeight);
    const int y = fractionOf(top, p.height()) + (band - h) / 2;
    const bool wide = caption->objectName().startsWith(QLatin1String("StaticText"));
    const double split = wide ? 0.55 : 0.32;
    caption->setGeometry(fractionOf(0.05, p.width()), y, fractionOf(split - 0.07, p.width()), h);
    value->setGeometry(fractionOf(split, p.width()), y, fractionOf(wide ? 0.40 : 0.35, p.width()),
                       h);
}

QLabel* captionLabel(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(QString::fromLatin1(text), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

} // namespace

DesignDialog::DesignDialog(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                           BodeWindow& bode, SchematicWindow& schematic, QWidget* parent)
    : DoneOnlyDialog(parent), SessionView(this), mSession(params), mHelp(help), mDialogs(dialogs),
      mBode(bode), mSchematic(schematic) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Filter Design"));
    // A title bar without the system menu, so no close button: Done is the way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    // Modal to the main window only: the Bode, schematic and help windows stay usable.
    setWindowModality(Qt::WindowModal);
    buildControls();
    resize(1000, 640);
    layoutControls();
    mBode.setDesign(&mSession);
    connect(&mSchematic, &SchematicWindow::c1Chosen, this, &DesignDialog::takeC1);
    // The session holds the loop from the parameter set already. The figures are computed when
    // the window is opened: computing them now would rewrite the stored f3db request with the
    // measured value in a file the user never touched the design of.
    copyOut();
    ApplyDesignPanelRules();
}

void DesignDialog::buildControls() {
    const auto frame = [](QWidget* parent, const char* name) {
        auto* f = new QFrame(parent);
        f->setObjectName(QString::fromLatin1(name));
        f->setFrameShape(QFrame::StyledPanel);
        return f;
    };
    const auto group = [](QWidget* parent, const char* name, const char* titleName,
                          const char* title) {
        auto* g = new QGroupBox(parent);
        g->setObjectName(QString::fromLatin1(name));
        if (*titleName != '\0') {
            auto* heading = new QLabel(QString::fromLatin1(title), g);
            heading->setObjectName(QString::fromLatin1(titleName));
            QFont bold = heading->font();
            bold.setBold(true);
            heading->setFont(bold);
        }
        return g;
    };
    const auto button = [this](QWidget* parent, const char* name, const char* caption,
                               void (DesignDialog::*slot)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), parent);
        b->setObjectName(QString::fromLatin1(name));
        // Enter in an entry must not run whatever button happens to be the default.
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };

    QFrame* top = frame(this, "Panel1");
    auto* heading = new QLabel(QStringLiteral("Configuration"), top);
    heading->setObjectName(QStringLiteral("Label1"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    for (auto [memo, name] : {std::pair{&mMemo1, "Memo1"}, std::pair{&mMemo2, "Memo2"}}) {
        *memo = new QPlainTextEdit(top);
        (*memo)->setObjectName(QString::fromLatin1(name));
        (*memo)->setReadOnly(true);
        (*memo)->setFocusPolicy(Qt::NoFocus);
        // In the window's own colour: a description, not something to edit.
        QPalette palette = (*memo)->palette();
        palette.setColor(QPalette::Base, palette.color(QPalette::Window));
        (*memo)->setPalette(palette);
    }

    QFrame* mixed = frame(this, "Panel2");
    QGroupBox* frequency = group(mixed, "GroupBox1", "Label2", "Frequency params");
    QGroupBox* filter = group(mixed, "GroupBox2", "Label3", "Filter params");
    QGroupBox* section1 = group(filter, "GroupBox3", "Label4", "Section 1");
    QGroupBox* section2 = group(filter, "GroupBox4", "Label5", "Section 2");
    QGroupBox* mixedButtons = group(mixed, "GroupBox5", "", "");
    QFrame* digital = frame(this, "Panel3");
    QGroupBox* adpllFrequency = group(digital, "GroupBox6", "Label6", "Frequency params");
    QGroupBox* adpll = group(digital, "GroupBox7", "Label7", "ADPLL params");
    QGroupBox* counter = group(adpll, "GroupBox8", "Label8", "K counter");
    QGroupBox* dco = group(adpll, "GroupBox9", "Label9", "DCO");
    QGroupBox* adpllButtons = group(digital, "GroupBox10", "", "");

    const auto parentOf = [&](DesignField f) -> QWidget* {
        switch (f) {
        case DesignField::LDPLLf3db:
            return frequency;
        case DesignField::Tau4:
        case DesignField::Tau5:
        case DesignField::fs:
        case DesignField::zeta:
            return section2;
        case DesignField::ADPLLfH:
            return adpllFrequency;
        case DesignField::M:
        case DesignField::K:
            return counter;
        case DesignField::N:
            return dco;
        default:
            return section1;
        }
    };
    for (const Row& row : kRows) {
        const auto i = static_cast<std::size_t>(row.field);
        QWidget* parent = parentOf(row.field);
        const FieldNames names = fieldNames(designFieldText(row.field));
        mLabels[i] = captionLabel(parent, names.label.toLatin1().constData(), row.caption);
        mEdits[i] = new QLineEdit(parent);
        mEdits[i]->setObjectName(names.edit);
        mLabels[i]->setBuddy(mEdits[i]);
    }

    mC1Unit = new QListWidget(section1);
    mC1Unit->setObjectName(QStringLiteral("lbFiltDesignC1"));
    for (const char* unit : kCapacitorUnits) {
        mC1Unit->addItem(QString::fromLatin1(unit));
    }

    auto* poles = new QGroupBox(section2);
    poles->setObjectName(QStringLiteral("RadioGroup1"));
    mRealPoles = new QRadioButton(QStringLiteral("real poles"), poles);
    mRealPoles->setObjectName(QStringLiteral("rbFiltDesignRealPoles"));
    mComplexPoles = new QRadioButton(QStringLiteral("complex poles"), poles);
    mComplexPoles->setObjectName(QStringLiteral("rbFiltDesignComplexPoles"));
    connect(mRealPoles, &QRadioButton::clicked, this, &DesignDialog::rbFiltDesignRealPolesClick);
    connect(mComplexPoles, &QRadioButton::clicked, this,
            &DesignDialog::rbFiltDesignComplexPolesClick);

    QLabel* values[3] = {};
    for (int i = 0; i < 3; ++i) {
        const Display& d = kDisplays[i];
        QWidget* parent = i < 2 ? static_cast<QWidget*>(frequency) : adpllFrequency;
        captionLabel(parent, d.captionName, d.caption);
        values[i] = new QLabel(QString::fromLatin1(d.initial), parent);
        values[i]->setObjectName(QString::fromLatin1(d.valueName));
        values[i]->setFrameStyle(QFrame::StyledPanel | QFrame::Sunken);
        values[i]->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    mPhaseMargin = values[0];
    mZeta = values[1];
    mAdpllF3db = values[2];

    button(frequency, "ButtonFiltDesignCalcFilterParams", "Calc filter params",
           &DesignDialog::ButtonFiltDesignCalcFilterParamsClick);
    button(filter, "ButtonFiltDesignCalcFrequencyParams", "Calc frequency params",
           &DesignDialog::ButtonFiltDesignCalcFrequencyParamsClick);
    button(mixedButtons, "ButtonFiltDesignPlotBode", "Plot Bode",
           &DesignDialog::ButtonFiltDesignPlotBodeClick);
    button(mixedButtons, "ButtonFiltDesignSchematic", "Schematic",
           &DesignDialog::ButtonFiltDesignSchematicClick);
    button(mixedButtons, "ButtonFiltDesignPhaseNoise", "Phase Noise",
           &DesignDialog::ButtonFiltDesignPhaseNoiseClick);
    button(mixedButtons, "ButtonFiltDesignLDPLLHelp", "Help",
           &DesignDialog::ButtonFiltDesignLDPLLHelpClick);
    button(mixedButtons, "ButtonFiltDesignLDPLLDone", "Done",
           &DesignDialog::ButtonFiltDesignLDPLLDoneClick);
    button(adpllFrequency, "ButtonFiltDesignCalcADPLLParams", "Calc ADPLL params",
           &DesignDialog::ButtonFiltDesignCalcADPLLParamsClick);
    button(adpll, "ButtonFiltDesignCalcADPLLFreqParams", "Calc frequency params",
           &DesignDialog::ButtonFiltDesignCalcADPLLFreqParamsClick);
    button(adpllButtons, "ButtonFiltDesignBodeADPLL", "Plot Bode",
           &DesignDialog::ButtonFiltDesignBodeADPLLClick);
    button(adpllButtons, "ButtonFiltDesignADPLLPhaseNoise", "Phase Noise",
           &DesignDialog::ButtonFiltDesignADPLLPhaseNoiseClick);
    button(adpllButtons, "ButtonFiltDesignADPLLHelp", "Help",
           &DesignDialog::ButtonFiltDesignADPLLHelpClick);
    button(adpllButtons, "ButtonFiltDesignADPLLDone", "Done",
           &DesignDialog::ButtonFiltDesignADPLLDoneClick);
}

void DesignDialog::layoutControls() {
    // Parents first: the table lists every container before what it holds.
    for (const Placement& p : kPlacements) {
        if (auto* w = findChild<QWidget*>(QString::fromLatin1(p.name))) {
            placeControl(w, p);
        }
    }
    const int editHeight = edit(DesignField::Ka)->sizeHint().height();
    double next[std::size(kStackTop)];
    std::copy(std::begin(kStackTop), std::end(kStackTop), next);
    if (!findChild<QWidget*>(QStringLiteral("RadioGroup1"))->isHidden()) {
        next[2] = kStackTopBelowPoleKind;
    }
    for (const Row& row : kRows) {
        if (!edit(row.field)->isHidden()) {
            placeRow(label(row.field), edit(row.field), next[row.stack], editHeight);
            next[row.stack] += kRowStep;
        }
    }
    // The unit list beside C1, tall enough for its five units.
    const QWidget* section1 = mC1Unit->parentWidget();
    const int listHeight =
        mC1Unit->sizeHintForRow(0) * mC1Unit->count() + 2 * mC1Unit->frameWidth() + 2;
    const int listTop = std::min(edit(DesignField::C1)->y(), section1->height() - listHeight - 8);
    mC1Unit->setGeometry(fractionOf(0.70, section1->width()), std::max(0, listTop),
                         fractionOf(0.25, section1->width()), listHeight);
    for (const Display& d : kDisplays) {
        placeRow(findChild<QWidget*>(QString::fromLatin1(d.captionName)),
                 findChild<QWidget*>(QString::fromLatin1(d.valueName)), d.top, editHeight);
    }
}

void DesignDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutControls();
}

void DesignDialog::place(const WorkingArea& area) {
    placeOver(this, area, Resizing::Fixed);
    layoutControls();
}

void DesignDialog::copyIn() {
    DesignWindowModel& w = mSession.window();
    for (std::size_t i = 0; i < mEdits.size(); ++i) {
        w.entries[i] = mEdits[i]->text().toStdString();
    }
    w.c1Unit = std::max(0, mC1Unit->currentRow());
    w.poleKind = mRealPoles->isChecked() ? PoleKind::Real : PoleKind::Complex;
}

void DesignDialog::copyOut() {
    const DesignWindowModel& w = mSession.window();
    for (std::size_t i = 0; i < mEdits.size(); ++i) {
        const QString text = QString::fromStdString(w.entries[i]);
        // Rewriting an unchanged entry would lose the user's cursor and undo history.
        if (mEdits[i]->text() != text) {
            mEdits[i]->setText(text);
        }
    }
    mC1Unit->setCurrentRow(w.c1Unit);
    (w.poleKind == PoleKind::Real ? mRealPoles : mComplexPoles)->setChecked(true);
    mPhaseMargin->setText(QString::fromStdString(w.phaseMarginCaption));
    mZeta->setText(QString::fromStdString(w.zetaCaption));
    mAdpllF3db->setText(QString::fromStdString(w.adpllF3dbCaption));
    // A last line break would show as an empty line, and take the room of one.
    for (auto [memo, text] : {std::pair{mMemo1, &w.memo1}, std::pair{mMemo2, &w.memo2}}) {
        QString shown = QString::fromStdString(*text).remove(QLatin1Char('\r'));
        if (shown.endsWith(QLatin1Char('\n'))) {
            shown.chop(1);
        }
        memo->setPlainText(shown);
    }
}

void DesignDialog::present(const Message& message) {
    showMessage(mDialogs, this, message);
    // The capacitor's entry comes with its unit.
    if (message.field == designFieldText(DesignField::C1)) {
        mC1Unit->setVisible(true);
    }
    layoutControls(); // a revealed entry takes its place in its group
}

DesignOutcome DesignDialog::run(DesignOutcome (DesignSession::*operation)()) {
    copyIn();
    DesignOutcome outcome = (mSession.*operation)();
    copyOut();
    if (mNoise != nullptr && mNoise->isVisible()) {
        mNoise->recompute();
    }
    if (outcome.message) {
        present(*outcome.message);
    }
    return outcome;
}

void DesignDialog::PrepareDesignWindow() {
    const DesignOutcome outcome = mSession.PrepareDesignWindow();
    copyOut();
    mPendingMessage = outcome.message;
}

void DesignDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (mPendingMessage) {
        // Once the window is up, so the message stands over it and the focus lands in it.
        QTimer::singleShot(0, this, &DesignDialog::presentPending);
    }
}

void DesignDialog::presentPending() {
    if (const std::optional<Message> message = std::exchange(mPendingMessage, std::nullopt)) {
        present(*message);
    }
}

void DesignDialog::ApplyDesignPanelRules() {
    mSession.window().poleKind = mRealPoles->isChecked() ? PoleKind::Real : PoleKind::Complex;
    applyVisibility(this, objectVisibility(mSession.ApplyDesignPanelRules()));
    layoutControls();
}

void DesignDialog::rbFiltDesignRealPolesClick() {
    ApplyDesignPanelRules();
}

void DesignDialog::rbFiltDesignComplexPolesClick() {
    ApplyDesignPanelRules();
}

bool DesignDialog::CalcFrequencyParams() {
    return run(&DesignSession::CalcFrequencyParams).ok;
}

void DesignDialog::ButtonFiltDesignCalcFilterParamsClick() {
    run(&DesignSession::CalcFilterParams);
}

void DesignDialog::ButtonFiltDesignCalcFrequencyParamsClick() {
    CalcFrequencyParams();
}

void DesignDialog::ButtonFiltDesignCalcADPLLParamsClick() {
    run(&DesignSession::CalcAdpllParams);
}

void DesignDialog::ButtonFiltDesignCalcADPLLFreqParamsClick() {
    run(&DesignSession::CalcAdpllFrequencyParams);
}

void DesignDialog::ButtonFiltDesignPlotBodeClick() {
    if (CalcFrequencyParams()) {
        mBode.showView();
    }
}

void DesignDialog::ButtonFiltDesignBodeADPLLClick() {
    if (run(&DesignSession::CalcAdpllFrequencyParams).ok) {
        mBode.showView();
    }
}

void DesignDialog::ButtonFiltDesignSchematicClick() {
    // The schematic shows the values as they are, whether or not the figures could be computed.
    CalcFrequencyParams();
    mSchematic.showView();
}

void DesignDialog::ButtonFiltDesignPhaseNoiseClick() {
    // The noise of the loop as entered, whether or not its figures could be computed.
    CalcFrequencyParams();
    if (mNoise != nullptr) {
        mNoise->showView();
    }
}

void DesignDialog::ButtonFiltDesignADPLLPhaseNoiseClick() {
    // As for the mixed-signal loop: the noise of the loop as entered.
    run(&DesignSession::CalcAdpllFrequencyParams);
    if (mNoise != nullptr) {
        mNoise->showView();
    }
}

void DesignDialog::ButtonFiltDesignLDPLLHelpClick() {
    mHelp.jumpToTopic(QString::fromLatin1(kHelpTopicPLLDesign));
}

void DesignDialog::ButtonFiltDesignADPLLHelpClick() {
    mHelp.jumpToTopic(QString::fromLatin1(kHelpTopicPLLDesign));
}

void DesignDialog::finish() {
    if (run(&DesignSession::Done).ok) {
        accept();
    }
}

void DesignDialog::ButtonFiltDesignLDPLLDoneClick() {
    finish();
}

void DesignDialog::ButtonFiltDesignADPLLDoneClick() {
    finish();
}

void DesignDialog::takeC1() {
    const CapacitorChoice c1 = mSchematic.session().chosenC1();
    copyIn();
    mSession.TakeC1(c1.text, c1.unit);
    copyOut();
    CalcFrequencyParams();
}

} // namespace loopcraft
