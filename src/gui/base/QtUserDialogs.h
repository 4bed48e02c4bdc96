// The real dialogs: QMessageBox, QInputDialog, QColorDialog, QFontDialog, QPrintDialog.
#pragma once

#include "gui/base/UserDialogs.h"

namespace loopcraft {

class QtUserDialogs final : public UserDialogs {
public:
    void message(QWidget* parent, const QString& title, const QString& text) override;
    QString inputBox(QWidget* parent, const QString& caption, const QString& prompt,
                     const QString& defaultText) override;
    std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) override;
    void setCustomColors(const std::array<std::uint32_t, 16>& colors) override;
    std::array<std::uint32_t, 16> customColors() const override;
    std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial) override;
    std::unique_ptr<QPrinter> choosePrinter(QWidget* parent,
                                            QPageLayout::Orientation orientation) override;
    std::optional<QString> saveFileName(QWidget* parent, const QString& caption,
                                        const QString& suggestedName,
                                        const QString& filters) override;
    std::optional<QString> openFileName(QWidget* parent, const QString& caption,
                                        const QString& filters) override;
};

} // namespace loopcraft
