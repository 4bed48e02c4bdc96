#include "gui/base/QtUserDialogs.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFontDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace loopcraft {

namespace {

// Qt sizes a message box to its text: a short text under a longer title gets the title cut off
// in the window's title bar, and a text wider than half a screen is wrapped at half a screen,
// splitting the lines the message breaks where its phrases end. The box is widened to hold the
// title beside the window's buttons and the longest line of the text as it is written.
void fitTitleAndLines(QMessageBox& box, const QString& text) {
    const QFontMetrics title(QFontDatabase::systemFont(QFontDatabase::TitleFont));
    int width = title.horizontalAdvance(box.windowTitle()) + 8 * title.height();
    const auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    const QFontMetrics body(label != nullptr ? label->font() : box.font());
    int longest = 0;
    for (const QString& line : QString(text).remove(QLatin1Char('\r')).split(QLatin1Char('\n'))) {
        longest = std::max(longest, body.horizontalAdvance(line));
    }
    // Beyond about a screen's width Qt would break the lines anywhere; a line that long wraps.
    const QScreen* screen = box.screen();
    const int limit = screen != nullptr ? screen->availableGeometry().width() * 3 / 4 : 760;
    width = std::max(width, std::min(longest + 4 * body.height(), limit));
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
}

// The font chooser with the text colour beside it: Qt's font dialog has no colour.
class FontColorDialog final : public QDialog {
public:
    FontColorDialog(const FontChoice& initial, QWidget* parent)
        : QDialog(parent), mColor(initial.color) {
        setWindowTitle(QStringLiteral("Font"));
        mFonts = new QFontDialog(initial.font, this);
        mFonts->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
        mFonts->setWindowFlags(Qt::Widget);
        mColorButton = new QPushButton(QStringLiteral("Color..."), this);
        mColorButton->setObjectName(QStringLiteral("ButtonFontColor"));
        connect(mColorButton, &QPushButton::clicked, this, [this] {
            const QColor chosen = QColorDialog::getColor(mColor, this);
            if (chosen.isValid()) {
                mColor = chosen;
                showColor();
            }
        });
        auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
        connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
        connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
        auto* row = new QHBoxLayout;
        row->addWidget(new QLabel(QStringLiteral("Color:"), this));
        row->addWidget(mColorButton);
        row->addStretch();
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(mFonts);
        layout->addLayout(row);
        layout->addWidget(buttons);
        showColor();
    }

    FontChoice choice() const { return {mFonts->currentFont(), mColor}; }

private:
    void showColor() {
        QPixmap swatch(16, 16);
        swatch.fill(mColor);
        mColorButton->setIcon(QIcon(swatch));
    }

    QFontDialog* mFonts = nullptr;
    QPushButton* mColorButton = nullptr;
    QColor mColor;
};

} // namespace

void QtUserDialogs::message(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    fitTitleAndLines(box, text);
    box.exec();
}

QString QtUserDialogs::inputBox(QWidget* parent, const QString& caption, const QString& prompt,
                                const QString& defaultText) {
    bool ok = false;
    const QString answer =
        QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? answer : defaultText;
}

std::optional<QColor> QtUserDialogs::chooseColor(QWidget* parent, const QColor& initial) {
    QColorDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.selectedColor();
}

void QtUserDialogs::setCustomColors(const std::array<std::uint32_t, 16>& colors) {
    const int n = std::min<int>(QColorDialog::customCount(), static_cast<int>(colors.size()));
    for (int i = 0; i < n; ++i) {
        QColorDialog::setCustomColor(i, colorFromBgr(colors[static_cast<std::size_t>(i)]));
    }
}

std::array<std::uint32_t, 16> QtUserDialogs::customColors() const {
    std::array<std::uint32_t, 16> colors{};
    const int n = std::min<int>(QColorDialog::customCount(), static_cast<int>(colors.size()));
    for (int i = 0; i < n; ++i) {
        colors[static_cast<std::size_t>(i)] = bgrFromColor(QColorDialog::customColor(i));
    }
    return colors;
}

std::optional<FontChoice> QtUserDialogs::chooseFont(QWidget* parent, const FontChoice& initial) {
    FontColorDialog dialog(initial, parent);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.choice();
}

std::unique_ptr<QPrinter> QtUserDialogs::choosePrinter(QWidget* parent,
                                                       QPageLayout::Orientation orientation) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setPageOrientation(orientation);
    QPrintDialog dialog(printer.get(), parent);
    if (dialog.exec() != QDialog::Accepted) {
        return nullptr;
    }
    return printer;
}

std::optional<QString> QtUserDialogs::saveFileName(QWidget* parent, const QString& caption,
                                                   const QString& suggestedName,
                                                   const QString& filters) {
    const QString name = QFileDialog::getSaveFileName(parent, caption, suggestedName, filters);
    if (name.isEmpty()) {
        return std::nullopt;
    }
    return name;
}

std::optional<QString> QtUserDialogs::openFileName(QWidget* parent, const QString& caption,
                                                   const QString& filters) {
    const QString name = QFileDialog::getOpenFileName(parent, caption, QString(), filters);
    if (name.isEmpty()) {
        return std::nullopt;
    }
    return name;
}

} // namespace loopcraft
