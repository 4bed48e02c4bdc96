#include "gui/schematic/SchematicWindow.h"

#include "core/base/E24.h"
#include "core/base/HelpDocument.h"
#include "gui/base/DataFiles.h"
#include "gui/base/HelpService.h"
#include "gui/base/MessagePresenter.h"
#include "gui/base/PictureActions.h"
#include "gui/base/Placement.h"
#include "gui/base/UserDialogs.h"
#include "gui/base/Visibility.h"
#include "gui/base/WorkingArea.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <array>

namespace loopcraft {

namespace {

// A row of a section: its label, the value field (or the capacitor's edit and unit list) and
// its top as a fraction of the group box's contents, below the box's title.
struct RowSpec {
    int section;
    const char* label;
    const char* caption;
    const char* value; // a value field, or the edit of the capacitor the user chooses
    const char* unitList;
    double top;
};

constexpr std::array<RowSpec, 13> kRows{{
    {1, "stSchemaC1", "C1", "EditSchemaC1Val", "lbSchemaC1Unit", 0.0},
    {1, "stSchemaC2", "C2", "stSchemaC2Val", nullptr, 0.111},
    {1, "stSchemaC3", "C3", "stSchemaC3Val", nullptr, 0.222},
    {1, "stSchemaC4_1", "C4", "stSchemaC4_1Val", nullptr, 0.333},
    {1, "stSchemaC5_1", "C5", "stSchemaC5_1Val", nullptr, 0.444},
    {1, "stSchemaR1", "R1", "stSchemaR1Val", nullptr, 0.555},
    {1, "stSchemaR2", "R2", "stSchemaR2Val", nullptr, 0.666},
    {1, "stSchemaR4_1", "R4", "stSchemaR4_1Val", nullptr, 0.777},
    {1, "stSchemaR5_1", "R5", "stSchemaR5_1Val", nullptr, 0.888},
    {2, "stSchemaC4", "C4", "EditSchemaC4Val", "lbSchemaC4Unit", 0.0},
    {2, "stSchemaC5", "C5", "stSchemaC5Val", nullptr, 0.25},
    {2, "stSchemaR4", "R4", "stSchemaR4Val", nullptr, 0.5},
    {2, "stSchemaR5", "R5", "stSchemaR5Val", nullptr, 0.75},
}};
// Height of a row, as a fraction of its group's contents: section 1 holds up to nine rows,
// section 2 four.
constexpr double kRowHeight[] = {0.1, 0.2};

// The two group boxes (left, top, width, height as fractions of the window): section 2 holds
// four rows at most, which leaves the figures of the rounded parts room under it.
constexpr double kSection1[] = {0.65, 0.04, 0.3, 0.38};
constexpr double kSection2[] = {0.65, 0.44, 0.3, 0.25};

constexpr const char* kMemoText = "To change this design, enter another value for C1\n"
                                  "and/or for C4 in Section 2 (if this exists)\n"
                                  "and click the Calculate button";

QListWidget* unitList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    for (const char* unit : kCapacitorUnits) {
        list->addItem(QString::fromLatin1(unit));
    }
    return list;
}

void selectUnit(QListWidget* list, int unit) {
    list->setCurrentRow(unit >= 0 && unit < list->count() ? unit : -1);
}

} // namespace

SchematicWindow::SchematicWindow(ParameterSet& params, HelpService& help, UserDialogs& dialogs,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), SessionView(this), mParams(params), mHelp(help),
      mDialogs(dialogs), mSession(params),
      mFindDataFile([](const QString& name) { return findDataFile(name); }) {
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Schematic"));
    buildControls();
    resize(1000, 700);

    // The edits and lists start from the stored capacitors.
    mC1Edit->setText(QString::fromStdString(mParams.text(TextId::SchemaC1Val)));
    mC4Edit->setText(QString::fromStdString(mParams.text(TextId::SchemaC4Val)));
    selectUnit(mC1Unit, mParams.SchemaC1Unit);
    selectUnit(mC4Unit, mParams.SchemaC4Unit);

    addSavePictureAction(
        this, mDialogs, mPicture, [this] { return printSourceRect().size(); },
        QStringLiteral("Schematic.png"));
}

void SchematicWindow::setDataFileFinder(std::function<QString(const QString&)> find) {
    mFindDataFile = std::move(find);
}

void SchematicWindow::buildControls() {
    // Captions in the bold face; the group boxes would pass it on to the values and entries.
    const QFont caption = SchematicPainter::captionFont();
    const QFont value = SchematicPainter::valueFont();
    mSection1 = new QGroupBox(QStringLiteral("Section 1"), this);
    mSection1->setObjectName(QStringLiteral("gbFilterSection1"));
    mSection2 = new QGroupBox(QStringLiteral("Section 2"), this);
    mSection2->setObjectName(QStringLiteral("gbFilterSection2"));

    for (const RowSpec& row : kRows) {
        QGroupBox* group = row.section == 1 ? mSection1 : mSection2;
        auto* label = new QLabel(QString::fromLatin1(row.caption), group);
        label->setObjectName(QString::fromLatin1(row.label));
        label->setFont(caption);
        if (row.unitList != nullptr) {
            auto* edit = new QLineEdit(group);
            edit->setObjectName(QString::fromLatin1(row.value));
            edit->setFont(value);
            label->setBuddy(edit);
            QListWidget* list = unitList(group, row.unitList);
            list->setFont(value);
            (row.section == 1 ? mC1Edit : mC4Edit) = edit;
            (row.section == 1 ? mC1Unit : mC4Unit) = list;
        } else {
            auto* field = new QLabel(QString::fromStdString(kBlankValueText), group);
            field->setObjectName(QString::fromLatin1(row.value));
            field->setFont(value);
            field->setFrameStyle(QFrame::Panel | QFrame::Sunken);
            field->setTextInteractionFlags(Qt::TextSelectableByMouse);
        }
    }

    mMemo = new QPlainTextEdit(QString::fromLatin1(kMemoText), this);
    mMemo->setObjectName(QStringLiteral("Memo1"));
    mMemo->setReadOnly(true);

    auto button = [this, &caption](const char* name, const char* text, auto slot) {
        auto* b = new QPushButton(QString::fromLatin1(text), this);
        b->setObjectName(QString::fromLatin1(name));
        b->setFont(caption);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    mHelpButton = button("ButtonSchemaHelp", "Help", &SchematicWindow::ButtonSchemaHelpClick);
    mPrintButton = button("ButtonSchemaPrint", "Print", &SchematicWindow::ButtonSchemaPrintClick);
    mCalculateButton =
        button("ButtonSchemaCalculate", "Calculate", &SchematicWindow::ButtonSchemaCalculateClick);
    mDoneButton = button("ButtonSchemaDone", "Done", &SchematicWindow::ButtonSchemaDoneClick);
    for (QGroupBox* g : {mSection1, mSection2}) {
        g->setFont(caption);
    }
}

void SchematicWindow::layoutControls() {
    placeAt(mSection1, kSection1[0], kSection1[1], kSection1[2], kSection1[3]);
    placeAt(mSection2, kSection2[0], kSection2[1], kSection2[2], kSection2[3]);
    for (const RowSpec& row : kRows) {
        QGroupBox* group = row.section == 1 ? mSection1 : mSection2;
        // Inside the frame and below the title, which the style reserves once it is polished.
        group->ensurePolished();
        const QRect inside = group->contentsRect();
        const auto at = [&inside](QWidget* w, double left, double top, double width, double h) {
            w->setGeometry(fractionRect(inside, left, top, width, h));
        };
        const double height = kRowHeight[row.section - 1];
        at(group->findChild<QWidget*>(QString::fromLatin1(row.label)), 0.05, row.top, 0.25, height);
        at(group->findChild<QWidget*>(QString::fromLatin1(row.value)), 0.33, row.top, 0.3, height);
        if (row.unitList != nullptr) {
            // Tall enough for all five units, so none hides behind a scroll bar.
            auto* list = group->findChild<QListWidget*>(QString::fromLatin1(row.unitList));
            const int listHeight =
                list->sizeHintForRow(0) * list->count() + 2 * list->frameWidth() + 2;
            const int top =
                std::max(inside.top(), std::min(inside.top() + fractionOf(row.top, inside.height()),
                                                inside.bottom() + 1 - listHeight));
            list->setGeometry(inside.left() + fractionOf(0.68, inside.width()), top,
                              fractionOf(0.27, inside.width()), listHeight);
        }
    }
    placeAt(mMemo, 0.1, 0.8, 0.35, 0.17);
    placeAt(mHelpButton, 0.5, 0.86, 0.1, 0.05);
    placeAt(mPrintButton, 0.62, 0.86, 0.1, 0.05);
    placeAt(mCalculateButton, 0.74, 0.86, 0.1, 0.05);
    placeAt(mDoneButton, 0.86, 0.86, 0.1, 0.05);
}

void SchematicWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layoutControls();
}

void SchematicWindow::place(const WorkingArea& area) {
    placeOver(this, area);
}

QRect SchematicWindow::pictureRect() const {
    const int cw = width();
    const int ch = height();
    const int left = fractionOf(0.1, cw);
    const int top = fractionOf(0.1, ch);
    const int right = fractionOf(0.6, cw);
    // The bottom follows the width, which keeps the drawing's proportions on ordinary screens;
    // on a wide, low window it stops where the title still fits above the memo.
    const int memoTop = fractionOf(0.8, ch);
    const int titleRoom = QFontMetrics(SchematicPainter::titleFont()).height() + 4;
    const int bottom = std::min(fractionOf(0.47, cw), memoTop - titleRoom);
    return QRect(QPoint(left, top), QPoint(right - 1, std::max(top, bottom) - 1));
}

// Under section 2, above the buttons, from the left of the Print button to the right of Done.
QRect SchematicWindow::figuresRect() const {
    const int top = fractionOf(kSection2[1], height()) + fractionOf(kSection2[3], height()) + 6;
    return QRect(fractionOf(0.62, width()), top,
                 fractionOf(0.96, width()) - fractionOf(0.62, width()),
                 std::max(0, fractionOf(0.86, height()) - 6 - top));
}

QRect SchematicWindow::printSourceRect() const {
    return fractionRect(size(), 0.05, 0.05, 0.9, 0.75);
}

void SchematicWindow::showView() {
    // Shown from an application-modal dialog, the window would be blocked by it like every other
    // window of the program; as a window of that dialog it takes input beside it. A window-modal
    // dialog (the design dialog) blocks only its own parents, so the window stays on its own and
    // the dialog never comes to own (and delete) it.
    QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != this && modal->windowModality() == Qt::ApplicationModal &&
        parentWidget() != modal && !isAncestorOf(modal)) {
        const QRect where = geometry();
        setParent(modal, windowFlags());
        setGeometry(where);
    }
    bringToFront();
    ShowSchematic();
}

void SchematicWindow::ShowSchematic() {
    const SchematicOutcome outcome = mSession.ShowSchematic();
    std::optional<Message> loadError;
    mPicture.setDrawing(WmfPicture());
    const QString file = QString::fromStdString(mSession.layout().file);
    if (!file.isEmpty()) {
        Message error;
        if (auto drawing = loadSchematicDrawing(file, mFindDataFile(file), &error)) {
            mPicture.setDrawing(std::move(*drawing));
        } else {
            loadError = error;
        }
    }
    mC1Edit->setText(QString::fromStdString(mSession.entries().c1Text));
    mC4Edit->setText(QString::fromStdString(mSession.entries().c4Text));
    selectUnit(mC1Unit, mSession.entries().c1Unit);
    selectUnit(mC4Unit, mSession.entries().c4Unit);
    copyOut();
    if (loadError) {
        showMessage(mDialogs, this, *loadError);
    }
    if (outcome.message) {
        showMessage(mDialogs, this, *outcome.message);
    }
}

void SchematicWindow::copyIn() {
    CapacitorEntries& e = mSession.entries();
    e.c1Text = mC1Edit->text().toStdString();
    e.c4Text = mC4Edit->text().toStdString();
    if (mC1Unit->currentRow() >= 0) {
        e.c1Unit = mC1Unit->currentRow();
    }
    if (mC4Unit->currentRow() >= 0) {
        e.c4Unit = mC4Unit->currentRow();
    }
}

void SchematicWindow::copyOut() {
    const SchematicLayout& layout = mSession.layout();
    VisibilityList visibility{{"gbFilterSection1", layout.section1},
                              {"gbFilterSection2", layout.section2}};
    for (const SchematicLayoutRow& row : layout.rows())
        visibility.emplace_back("stSchema" + row.key, row.shown);
    // The row's value field, or the capacitor's edit and unit list, go with its label.
    applyVisibility(this, visibility, [](const QString& label) {
        const QString designator = label.mid(8); // after "stSchema"
        return QStringList{label + QStringLiteral("Val"),
                           QStringLiteral("EditSchema") + designator + "Val",
                           QStringLiteral("lbSchema") + designator + "Unit"};
    });
    for (int i = 0; i < 11; ++i) {
        const auto c = static_cast<Component>(i);
        const QString field = QStringLiteral("stSchema") + QString::fromLatin1(componentName(c)) +
                              QStringLiteral("Val");
        if (auto* label = findChild<QLabel*>(field)) {
            label->setText(QString::fromStdString(mSession.valueText(c)));
        }
    }
    mPicture.setContent(mSession);
    update();
}

void SchematicWindow::ButtonSchemaCalculateClick() {
    copyIn();
    const SchematicOutcome outcome = mSession.Calculate();
    copyOut();
    if (outcome.message) {
        showMessage(mDialogs, this, *outcome.message);
    }
}

void SchematicWindow::ButtonSchemaDoneClick() {
    copyIn();
    const SchematicOutcome outcome = mSession.Done();
    if (!outcome.ok) {
        if (outcome.message) {
            showMessage(mDialogs, this, *outcome.message);
        }
        return;
    }
    emit c1Chosen();
    hide();
}

void SchematicWindow::ButtonSchemaPrintClick() {
    // Into the middle 80 % of the page from its top left, laid out for the page's shape: on a
    // landscape page as the window shows it, on a portrait page with the parts under the drawing.
    printWithDialog(this, mDialogs, mPicture, &SchematicPainter::sheetSizeFor,
                    QRectF(0.1, 0.1, 0.8, 0.8), Qt::AlignLeft | Qt::AlignTop);
}

void SchematicWindow::ButtonSchemaHelpClick() {
    mHelp.jumpToTopic(QString::fromLatin1(kHelpTopicSchematic));
}

void SchematicWindow::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    mPicture.paintDrawing(painter, pictureRect());
    mPicture.paintFigures(painter, figuresRect(), QStringLiteral("Loop"));
}

} // namespace loopcraft
