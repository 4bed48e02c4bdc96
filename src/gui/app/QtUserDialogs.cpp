#include "gui/app/QtUserDialogs.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace loopcraft {

namespace {

QtUserDialogs& qtDialogs() {
    static QtUserDialogs dialogs;
    return dialogs;
}

UserDialogs* gInstalled = nullptr;

} // namespace

UserDialogs& UserDialogs::instance() {
    return gInstalled ? *gInstalled : qtDialogs();
}

void UserDialogs::install(UserDialogs* dialogs) {
    gInstalled = dialogs;
}

void QtUserDialogs::message(QWidget* parent, const QString& title, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
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
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial.font, parent);
    if (!ok) {
        return std::nullopt;
    }
    // The Qt chooser has no colour; the text colour stays as it was.
    return FontChoice{font, initial.color};
}

std::unique_ptr<QPrinter> QtUserDialogs::choosePrinter(QWidget* parent) {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
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

} // namespace loopcraft
