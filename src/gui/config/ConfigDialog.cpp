#include "gui/config/ConfigDialog.h"

#include "core/base/HelpDocument.h"
#include "gui/base/HelpService.h"
#include "gui/base/MessagePresenter.h"
#include "gui/base/Placement.h"
#include "gui/base/UserDialogs.h"
#include "gui/base/Visibility.h"
#include "gui/base/WidgetNames.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace loopcraft {

namespace {

// Label and edit of one entry in a row of a group box.
void placeRow(QWidget* label, QWidget* edit, double top, double height) {
    placeAt(label, 0.05, top, 0.42, height);
    placeAt(edit, 0.50, top, 0.44, height);
}

} // namespace

ConfigDialog::ConfigDialog(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                           QWidget* parent)
    : DoneOnlyDialog(parent), mHelp(help), mDialogs(dialogs), mSession(params) {
    setObjectName("Form2");
    setWindowTitle("PLL Configuration");
    // Minimise and maximise but no close button, so Done is the way out. (Qt adds the system
    // menu hint itself whenever there are title bar buttons.)
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowMinMaxButtonsHint);
    // Modal to the main window only, so the help window stays usable while this one is open.
    setWindowModality(Qt::WindowModal);
    buildControls();
    resize(1000, 640);
    reload();
    ApplyConfigRules();
}

QRadioButton* ConfigDialog::radio(QWidget* parent, const char* name, const char* caption) {
    auto* r = new QRadioButton(QString::fromLatin1(caption), parent);
    r->setObjectName(QString::fromLatin1(name));
    return r;
}

ConfigDialog::Field ConfigDialog::field(QWidget* parent, TextId id, const char* caption) {
    Field f{id};
    const FieldNames names = fieldNames(id);
    f.edit = new QLineEdit(parent);
    f.edit->setObjectName(names.edit);
    f.label = new QLabel(QString::fromLatin1(caption), parent);
    f.label->setObjectName(names.label);
    f.label->setBuddy(f.edit);
    f.label->setAlignment(Qt::AlignVCenter | Qt::AlignRight);
    return f;
}

void ConfigDialog::buildControls() {
    mPanel1 = new QGroupBox("PLL Category", this);
    mPanel1->setObjectName("Panel1");
    mDPLL = radio(mPanel1, "rbConfigDPLL", "Mixed Signal PLL");
    mADPLL = radio(mPanel1, "rbConfigADPLL", "ADPLL");

    mPanel2 = new QFrame(this);
    mPanel2->setObjectName("Panel2");
    mPanel2->setFrameShape(QFrame::StyledPanel);
    mPanel3 = new QFrame(this);
    mPanel3->setObjectName("Panel3");
    mPanel3->setFrameShape(QFrame::StyledPanel);

    const char* titles[8] = {"PLL Order",       "Center frequency", "PD Type",          "LF Type",
                             "Oscillator Type", "Supply Voltages",  "Center frequency", "PD Type"};
    for (int i = 0; i < 8; ++i) {
        QWidget* parent = i < 6 ? static_cast<QWidget*>(mPanel2) : mPanel3;
        mGroups[i] = new QGroupBox(QString::fromLatin1(titles[i]), parent);
        mGroups[i]->setObjectName(QStringLiteral("GroupBox%1").arg(i + 1));
    }

    for (int i = 0; i < 5; ++i) {
        const QByteArray name = "rbConfigPLLOrder" + QByteArray::number(i + 1);
        const QByteArray caption = QByteArray::number(i + 1);
        mOrder[i] = radio(mGroups[0], name.constData(), caption.constData());
    }
    mLDPLLf0 = field(mGroups[1], TextId::ConfigLDPLLf0, "f0");

    mMul = radio(mGroups[2], "rbConfigLPLLMul", "Mul");
    mExor = radio(mGroups[2], "rbConfigDPLLExor", "Exor");
    mJK = radio(mGroups[2], "rbConfigDPLLJK", "JK-FF");
    mPFD = radio(mGroups[2], "rbConfigDPLLPFD", "PFD");
    mPFDCP = radio(mGroups[2], "rbConfigDPLLPFD_CP", "PFD_CP");
    mKd = field(mGroups[2], TextId::ConfigKd, "Kd (V/rad)");
    mKp = field(mGroups[2], TextId::ConfigKp, "Kp (A/rad)");
    mPDSatP = field(mGroups[2], TextId::ConfigPDSatP, "USat+");
    mPDSatN = field(mGroups[2], TextId::ConfigPDSatN, "USat-");

    mPassiveLL = radio(mGroups[3], "rbConfigPassiveLL", "Passive LL");
    mActiveLL = radio(mGroups[3], "rbConfigActiveLL", "Active LL");
    mActivePI = radio(mGroups[3], "rbConfigActivePI", "Active PI");
    mLFSatP = field(mGroups[3], TextId::ConfigLFSatP, "USat+");
    mLFSatN = field(mGroups[3], TextId::ConfigLFSatN, "USat-");

    mVCO = radio(mGroups[4], "rbConfigVCO", "VCO");
    mVCOScaler = radio(mGroups[4], "rbConfigVCOScaler", "VCO + scaler");
    mK0 = field(mGroups[4], TextId::ConfigK0, "K0");
    mN = field(mGroups[4], TextId::ConfigN, "N");
    mVCOSatP = field(mGroups[4], TextId::ConfigVCOSatP, "USat+");
    mVCOSatN = field(mGroups[4], TextId::ConfigVCOSatN, "USat-");

    mUSupP = field(mGroups[5], TextId::ConfigUSupP, "U+");
    mUSupN = field(mGroups[5], TextId::ConfigUSupN, "U-");

    mADPLLf0 = field(mGroups[6], TextId::ConfigADPLLf0, "f0");
    mADPLLExor = radio(mGroups[7], "rbConfigADPLLExor", "Exor");
    mADPLLJK = radio(mGroups[7], "rbConfigADPLLJK", "JK-FF");

    mHelpButton = new QPushButton("Help", this);
    mHelpButton->setObjectName("ButtonConfigHelp");
    mHelpButton->setAutoDefault(false);
    mDoneButton = new QPushButton("Done", this);
    mDoneButton->setObjectName("ButtonConfigDone");
    mDoneButton->setDefault(true);

    // Every choice except the ADPLL detector changes what the window shows.
    for (QRadioButton* r :
         {mDPLL, mADPLL, mOrder[0], mOrder[1], mOrder[2], mOrder[3], mOrder[4], mMul, mExor, mJK,
          mPFD, mPFDCP, mPassiveLL, mActiveLL, mActivePI, mVCO, mVCOScaler})
        connect(r, &QRadioButton::clicked, this, &ConfigDialog::ApplyConfigRules);
    connect(mHelpButton, &QPushButton::clicked, this, &ConfigDialog::ButtonConfigHelpClick);
    connect(mDoneButton, &QPushButton::clicked, this, &ConfigDialog::ButtonConfigDoneClick);
}

void ConfigDialog::layoutControls() {
    placeAt(mPanel1, 0.01, 0.01, 0.98, 0.10);
    placeAt(mDPLL, 0.05, 0.35, 0.30, 0.55);
    placeAt(mADPLL, 0.40, 0.35, 0.30, 0.55);

    placeAt(mPanel2, 0.01, 0.13, 0.98, 0.75);
    placeAt(mPanel3, 0.01, 0.13, 0.98, 0.75);

    // Mixed-signal part: order, centre frequency and supplies on the left, the detector in the
    // middle, filter and oscillator on the right.
    placeAt(mGroups[0], 0.01, 0.02, 0.31, 0.36);
    for (int i = 0; i < 5; ++i)
        placeAt(mOrder[i], 0.10, 0.14 + 0.16 * i, 0.80, 0.14);
    placeAt(mGroups[1], 0.01, 0.41, 0.31, 0.20);
    placeRow(mLDPLLf0.label, mLDPLLf0.edit, 0.40, 0.30);
    placeAt(mGroups[5], 0.01, 0.64, 0.31, 0.34);
    placeRow(mUSupP.label, mUSupP.edit, 0.25, 0.18);
    placeRow(mUSupN.label, mUSupN.edit, 0.60, 0.18);

    placeAt(mGroups[2], 0.345, 0.02, 0.31, 0.96);
    QRadioButton* detectors[] = {mMul, mExor, mJK, mPFD, mPFDCP};
    for (int i = 0; i < 5; ++i)
        placeAt(detectors[i], 0.10, 0.06 + 0.075 * i, 0.80, 0.065);
    const Field* pdFields[] = {&mKd, &mKp, &mPDSatP, &mPDSatN};
    for (int i = 0; i < 4; ++i)
        placeRow(pdFields[i]->label, pdFields[i]->edit, 0.50 + 0.11 * i, 0.065);

    placeAt(mGroups[3], 0.68, 0.02, 0.31, 0.44);
    QRadioButton* filters[] = {mPassiveLL, mActiveLL, mActivePI};
    for (int i = 0; i < 3; ++i)
        placeAt(filters[i], 0.10, 0.11 + 0.14 * i, 0.80, 0.13);
    placeRow(mLFSatP.label, mLFSatP.edit, 0.58, 0.13);
    placeRow(mLFSatN.label, mLFSatN.edit, 0.78, 0.13);

    placeAt(mGroups[4], 0.68, 0.48, 0.31, 0.50);
    placeAt(mVCO, 0.10, 0.09, 0.80, 0.11);
    placeAt(mVCOScaler, 0.10, 0.21, 0.80, 0.11);
    const Field* oscFields[] = {&mK0, &mN, &mVCOSatP, &mVCOSatN};
    for (int i = 0; i < 4; ++i)
        placeRow(oscFields[i]->label, oscFields[i]->edit, 0.38 + 0.155 * i, 0.11);

    // ADPLL part.
    placeAt(mGroups[6], 0.01, 0.02, 0.31, 0.20);
    placeRow(mADPLLf0.label, mADPLLf0.edit, 0.40, 0.30);
    placeAt(mGroups[7], 0.345, 0.02, 0.31, 0.30);
    placeAt(mADPLLExor, 0.10, 0.25, 0.80, 0.25);
    placeAt(mADPLLJK, 0.10, 0.58, 0.80, 0.25);

    placeAt(mHelpButton, 0.60, 0.915, 0.15, 0.05);
    placeAt(mDoneButton, 0.80, 0.915, 0.15, 0.05);
}

void ConfigDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    layoutControls();
}

void ConfigDialog::place(const WorkingArea& area) {
    placeOver(this, area);
}

QRadioButton* ConfigDialog::radioFor(FlagId flag) const {
    return findChild<QRadioButton*>(QString::fromLatin1(flagName(flag)));
}

ConfigRadioStates ConfigDialog::radioStates() const {
    ConfigRadioStates s;
    for (const ConfigRadio& radio : configRadios())
        s.*radio.state = radioFor(radio.flag)->isChecked();
    return s;
}

void ConfigDialog::setRadioStates(const ConfigRadioStates& s) {
    // An exclusive button cannot be unchecked directly, and a hand-edited file may leave a
    // group with no flag set: set each button as its flag says, exclusivity off meanwhile.
    for (const ConfigRadio& radio : configRadios()) {
        QRadioButton* button = radioFor(radio.flag);
        button->setAutoExclusive(false);
        button->setChecked(s.*radio.state);
    }
    for (const ConfigRadio& radio : configRadios())
        radioFor(radio.flag)->setAutoExclusive(true);
}

std::array<const ConfigDialog::Field*, 14> ConfigDialog::fields() const {
    return {&mLDPLLf0, &mKd, &mKp,      &mPDSatP,  &mPDSatN,  &mLFSatP, &mLFSatN,
            &mK0,      &mN,  &mVCOSatP, &mVCOSatN, &mADPLLf0, &mUSupP,  &mUSupN};
}

void ConfigDialog::copyIn() {
    ConfigDialogModel& m = mSession.model();
    m.radios = radioStates();
    for (const Field* f : fields())
        *m.entry(f->id) = f->edit->text().toStdString();
}

void ConfigDialog::reload() {
    mSession.Fill();
    copyOut();
}

void ConfigDialog::copyOut() {
    const ConfigDialogModel& m = mSession.model();
    if (m.radios != radioStates())
        setRadioStates(m.radios);
    for (const Field* f : fields()) {
        const QString text = QString::fromStdString(*m.entry(f->id));
        if (f->edit->text() != text)
            f->edit->setText(text);
    }
}

void ConfigDialog::ApplyConfigRules() {
    copyIn();
    const ConfigVisibility v = mSession.ApplyRules();
    copyOut();
    // An edit always goes together with its label.
    applyVisibility(this, objectVisibility(v), [](const QString& name) {
        return name.startsWith(QLatin1String("Edit"))
                   ? QStringList{QStringLiteral("st") + name.mid(4)}
                   : QStringList{};
    });
}

void ConfigDialog::ButtonConfigDoneClick() {
    copyIn();
    const ConfigOutcome outcome = mSession.Done();
    if (outcome.message) {
        showMessage(mDialogs, this, *outcome.message);
        return;
    }
    accept();
}

void ConfigDialog::ButtonConfigHelpClick() {
    mHelp.jumpToTopic(QString::fromLatin1(kHelpTopicPLLConfiguration));
}

} // namespace loopcraft
