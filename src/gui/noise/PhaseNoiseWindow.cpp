#include "gui/noise/PhaseNoiseWindow.h"

#include "gui/base/MessagePresenter.h"
#include "gui/base/PictureActions.h"
#include "gui/base/UserDialogs.h"
#include "gui/base/WidgetNames.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace loopcraft {

namespace {

// The plot area: the window's picture drawn into the widget's own rectangle.
class PlotView final : public QWidget {
public:
    PlotView(const PagePainter& picture, QWidget* parent) : QWidget(parent), mPicture(picture) {
        setObjectName(QStringLiteral("PaintBoxNoise"));
        setMinimumSize(400, 300);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        mPicture.paint(painter, rect());
    }

private:
    const PagePainter& mPicture;
};

} // namespace

PhaseNoiseWindow::PhaseNoiseWindow(ParameterSet& params, UserDialogs& dialogs, QWidget* parent)
    : QWidget(parent, Qt::Window), SessionView(this), mParams(params), mDialogs(dialogs),
      mSession(phaseNoiseSettingsFrom(params.sidecar)) {
    setObjectName(QStringLiteral("FormPhaseNoise"));
    setWindowTitle(QStringLiteral("Phase Noise"));
    setAttribute(Qt::WA_QuitOnClose, false);

    auto* root = new QHBoxLayout(this);
    mPlot = new PlotView(mPicture, this);
    root->addWidget(mPlot, 1);

    auto* side = new QVBoxLayout();
    root->addLayout(side);
    auto* form = new QFormLayout();
    side->addLayout(form);
    for (std::size_t i = 0; i < kNoiseFieldCount; ++i) {
        const auto field = static_cast<NoiseField>(i);
        auto* e = new QLineEdit(QString::fromStdString(mSession.entry(field)), this);
        e->setObjectName(noiseEditName(field));
        e->setMaximumWidth(110);
        form->addRow(QString::fromLatin1(noiseFieldCaption(field)), e);
        connect(e, &QLineEdit::textChanged, this, &PhaseNoiseWindow::recompute);
        mEdits[i] = e;
    }
    const auto check = [&](const char* name, const char* caption, bool on) {
        auto* c = new QCheckBox(QString::fromLatin1(caption), this);
        c->setObjectName(QString::fromLatin1(name));
        c->setChecked(on);
        connect(c, &QCheckBox::toggled, this, &PhaseNoiseWindow::recompute);
        side->addWidget(c);
        return c;
    };
    mFom = check("cbNoiseFom", "PD floor from the CP FOM", mSession.fromFom);
    mE24 = check("cbNoiseE24", "Filter with E24 values", mSession.e24Values);

    const auto button = [&](const char* name, const char* caption,
                            void (PhaseNoiseWindow::*slot)()) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    const auto table = [&](const char* name, const char* caption, NoiseTableKind kind,
                           QPushButton* import) {
        auto* row = new QHBoxLayout();
        row->addWidget(new QLabel(QString::fromLatin1(caption), this), 1);
        row->addWidget(import);
        side->addLayout(row);
        auto* t = new QPlainTextEdit(QString::fromStdString(mSession.tableText(kind)), this);
        t->setObjectName(QString::fromLatin1(name));
        t->setMaximumWidth(260);
        connect(t, &QPlainTextEdit::textChanged, this, &PhaseNoiseWindow::recompute);
        side->addWidget(t);
        return t;
    };
    mReference = table("MemoNoiseReference", "Reference (Hz, dBc/Hz)", NoiseTableKind::Reference,
                       button("ButtonNoiseImportReference", "Import...",
                              &PhaseNoiseWindow::ButtonNoiseImportReferenceClick));
    mOscillator =
        table("MemoNoiseOscillator", "Free-running VCO (Hz, dBc/Hz)", NoiseTableKind::Oscillator,
              button("ButtonNoiseImportOscillator", "Import...",
                     &PhaseNoiseWindow::ButtonNoiseImportOscillatorClick));
    auto* buttons = new QHBoxLayout();
    buttons->addWidget(
        button("ButtonNoisePrint", "Print", &PhaseNoiseWindow::ButtonNoisePrintClick));
    buttons->addWidget(button("ButtonNoiseDone", "Done", &PhaseNoiseWindow::ButtonNoiseDoneClick));
    side->addLayout(buttons);

    addSavePictureAction(
        mPlot, mDialogs, mPicture, [this] { return mPlot->size(); },
        QStringLiteral("phasenoise.png"));
    resize(1150, 720);
}

void PhaseNoiseWindow::place(const WorkingArea& area) {
    placeOver(this, area);
}

void PhaseNoiseWindow::showView() {
    bringToFront();
    recompute();
}

void PhaseNoiseWindow::copyIn() {
    for (std::size_t i = 0; i < kNoiseFieldCount; ++i)
        mSession.entry(static_cast<NoiseField>(i)) = mEdits[i]->text().toStdString();
    mSession.fromFom = mFom->isChecked();
    mSession.e24Values = mE24->isChecked();
    mSession.tableText(NoiseTableKind::Reference) = mReference->toPlainText().toStdString();
    mSession.tableText(NoiseTableKind::Oscillator) = mOscillator->toPlainText().toStdString();
}

void PhaseNoiseWindow::copyOut() {
    mPicture.setResult(mResult ? &*mResult : nullptr);
    mPicture.setMessage(QString::fromStdString(mError));
    mPlot->update();
}

void PhaseNoiseWindow::recompute() {
    copyIn();
    PhaseNoiseRun run = mSession.update(mParams);
    mResult = std::move(run.result);
    mError = std::move(run.error);
    if (mResult) {
        // Kept in the settings file at exit, as the user left them.
        storePhaseNoiseSettings(mParams.sidecar, mSession.lastSettings());
    }
    copyOut();
}

void PhaseNoiseWindow::ButtonNoisePrintClick() {
    printWithDialog(
        this, mDialogs, mPicture, [](const QSizeF& area) { return area.toSize(); },
        QRectF(0.08, 0.08, 0.84, 0.84), Qt::AlignLeft | Qt::AlignTop, QPageLayout::Landscape);
}

void PhaseNoiseWindow::ButtonNoiseDoneClick() {
    hide();
}

void PhaseNoiseWindow::importTable(NoiseTableKind kind) {
    const std::optional<QString> file =
        mDialogs.openFileName(this, QStringLiteral("Import phase noise table"),
                              QStringLiteral("CSV table (*.csv *.txt);;All files (*)"));
    if (!file)
        return;
    std::string why;
    if (!mSession.importTable(kind, file->toStdString(), &why)) {
        Message m;
        m.title = kPhaseNoiseTitle;
        m.text = why;
        showMessage(mDialogs, this, m);
        return;
    }
    QPlainTextEdit* target = kind == NoiseTableKind::Reference ? mReference : mOscillator;
    target->setPlainText(QString::fromStdString(mSession.tableText(kind)));
}

void PhaseNoiseWindow::ButtonNoiseImportReferenceClick() {
    importTable(NoiseTableKind::Reference);
}

void PhaseNoiseWindow::ButtonNoiseImportOscillatorClick() {
    importTable(NoiseTableKind::Oscillator);
}

} // namespace loopcraft
