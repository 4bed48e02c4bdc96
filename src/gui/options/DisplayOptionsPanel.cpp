#include "gui/options/DisplayOptionsPanel.h"

#include "core/base/ParameterSet.h"
#include "gui/base/Placement.h"
#include "gui/base/UserDialogs.h"
#include "render/base/DrawingSurface.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>

namespace loopcraft {

namespace {

// What each entry of the list edits.
enum class EntryFont { None, Axis, Printer };
struct OptionEntry {
    const char* name;
    std::uint32_t ParameterSet::*colour;
    int ParameterSet::*penWidth; // null: no pen width
    EntryFont font;
};

const OptionEntry kEntries[] = {
    {"AxisTickLabels", &ParameterSet::ColorAxisTickLabels, nullptr, EntryFont::Axis},
    {"Curve1", &ParameterSet::ColorCurve1, &ParameterSet::PenWidthCurve1, EntryFont::None},
    {"Curve2", &ParameterSet::ColorCurve2, &ParameterSet::PenWidthCurve2, EntryFont::None},
    {"FrameBackground", &ParameterSet::ColorFrameBackground, nullptr, EntryFont::None},
    {"Grid", &ParameterSet::ColorGrid, nullptr, EntryFont::None},
    {"PrinterFont", &ParameterSet::ColorPrinterFont, nullptr, EntryFont::Printer},
};

const OptionEntry* entryAt(int row) {
    return row >= 0 && row < static_cast<int>(std::size(kEntries)) ? &kEntries[row] : nullptr;
}

// Pen widths beyond this only make the plot unreadable and the painting slow.
constexpr int kMaxPenWidth = 100;

const char* const kHelpText = "In this dialog you can set options for "
                              "plotting and printing simulation results.\r\n"
                              "* Select AxisTickLabels to set font and color "
                              "of the tick labels.\r\n"
                              "* Select Curve1 to set the color of curve 1\r\n"
                              "* Select Curve2 to set the color of curve 2\r\n"
                              "* Select FrameBackground to set the background "
                              "color. \r\n"
                              "* Select Grid to set the color of the grid.\r\n"
                              "* Select PrinterFont to set the font of the "
                              "* printed protocol.";

} // namespace

DisplayOptionsPanel::DisplayOptionsPanel(ParameterSet& params, DisplayFonts& fonts,
                                         UserDialogs& dialogs, QWidget* parent)
    : QFrame(parent), mParams(params), mFonts(fonts), mDialogs(dialogs) {
    setObjectName(QStringLiteral("Panel2"));
    setFrameStyle(QFrame::Panel | QFrame::Raised);
    setAutoFillBackground(true);
    setContextMenuPolicy(Qt::PreventContextMenu);

    mListBox1 = new QListWidget(this);
    mListBox1->setObjectName(QStringLiteral("ListBox1"));
    for (const OptionEntry& e : kEntries) {
        mListBox1->addItem(QString::fromLatin1(e.name));
    }
    connect(mListBox1, &QListWidget::itemClicked, this, &DisplayOptionsPanel::ListBox1Click);
    connect(mListBox1, &QListWidget::currentRowChanged, this, &DisplayOptionsPanel::ListBox1Click);

    mMemo1 = new QPlainTextEdit(this);
    mMemo1->setObjectName(QStringLiteral("Memo1"));
    mMemo1->setReadOnly(true);
    mMemo1->setPlainText(QString::fromLatin1(kHelpText));

    auto button = [this](const char* name, const char* caption, auto slot) {
        auto* b = new QPushButton(QString::fromLatin1(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    mSelectColor = button("ButtonOptionsSelectColor", "SelectColor",
                          &DisplayOptionsPanel::ButtonOptionsSelectColorClick);
    mSelectPenWidth = button("ButtonOptionsSelectPenWidth", "SelectPenWidth",
                             &DisplayOptionsPanel::ButtonOptionsSelectPenWidthClick);
    mSelectFont = button("ButtonOptionsSelectFont", "SelectFont",
                         &DisplayOptionsPanel::ButtonOptionsSelectFontClick);
    mOk = button("ButtonOptionsOk", "Ok", &DisplayOptionsPanel::ButtonOptionsOkClick);
    mCancel =
        button("ButtonOptionsCancel", "Cancel", &DisplayOptionsPanel::ButtonOptionsCancelClick);
    mListBox1->setCurrentRow(0);
}

void DisplayOptionsPanel::place(const QRect& geometry) {
    setGeometry(geometry);
    const QSize size = geometry.size();
    mListBox1->setGeometry(fractionRect(size, 0.2, 0.1, 0.3, 0.3));
    mMemo1->setGeometry(fractionRect(size, 0.2, 0.5, 0.4, 0.4));
    const double tops[] = {0.2, 0.35, 0.5, 0.65, 0.8};
    QPushButton* buttons[] = {mSelectColor, mSelectPenWidth, mSelectFont, mOk, mCancel};
    for (int i = 0; i < 5; ++i) {
        buttons[i]->setGeometry(fractionRect(size, 0.7, tops[i], 0.2, 0.08));
    }
}

void DisplayOptionsPanel::ApplyDisplayOptions() {
    mFonts = fontsFromOptions(mParams);
    mDialogs.setCustomColors(mParams.CustomColors);
}

void DisplayOptionsPanel::SetDefaultColors() {
    mParams.setDisplayDefaults();
    ApplyDisplayOptions();
}

void DisplayOptionsPanel::open() {
    show();
    raise();
    ListBox1Click();
}

void DisplayOptionsPanel::ListBox1Click() {
    const OptionEntry* entry = entryAt(mListBox1->currentRow());
    if (entry == nullptr) {
        return;
    }
    mSelectColor->setVisible(true);
    mSelectPenWidth->setVisible(entry->penWidth != nullptr);
    mSelectFont->setVisible(entry->font != EntryFont::None);
}

void DisplayOptionsPanel::ButtonOptionsSelectColorClick() {
    const OptionEntry* entry = entryAt(mListBox1->currentRow());
    if (entry == nullptr) {
        return;
    }
    std::uint32_t& field = mParams.*entry->colour;
    if (const std::optional<QColor> color = mDialogs.chooseColor(this, colorFromBgr(field))) {
        field = bgrFromColor(*color);
        emit optionsChanged();
    }
    // The chooser's custom colours are kept whether or not the user confirmed.
    mParams.CustomColors = mDialogs.customColors();
}

void DisplayOptionsPanel::ButtonOptionsSelectPenWidthClick() {
    const OptionEntry* entry = entryAt(mListBox1->currentRow());
    if (entry == nullptr || entry->penWidth == nullptr) {
        return;
    }
    int& field = mParams.*entry->penWidth;
    const QString answer = mDialogs.inputBox(this, QStringLiteral("Enter PenWidth"),
                                             QStringLiteral("PenWidth = "), QString::number(field));
    bool ok = false;
    const int width = answer.trimmed().toInt(&ok, 10);
    if (!ok) {
        mDialogs.message(this, QStringLiteral("Error"),
                         QStringLiteral("Invalid integer format, try again"));
        return;
    }
    field = std::clamp(width, 1, kMaxPenWidth);
    emit optionsChanged();
}

void DisplayOptionsPanel::ButtonOptionsSelectFontClick() {
    // Every entry but the tick labels' edits the printer font.
    const bool axis = mListBox1->currentRow() == 0;
    QFont& font = axis ? mFonts.AxisFont : mFonts.PrinterFont;
    std::uint32_t& colour = axis ? mParams.ColorAxisTickLabels : mParams.ColorPrinterFont;
    if (const std::optional<FontChoice> choice =
            mDialogs.chooseFont(this, {font, colorFromBgr(colour)})) {
        font = choice->font;
        colour = bgrFromColor(choice->color);
        emit optionsChanged();
    }
}

void DisplayOptionsPanel::ButtonOptionsOkClick() {
    hide();
}

void DisplayOptionsPanel::ButtonOptionsCancelClick() {
    hide();
}

} // namespace loopcraft
