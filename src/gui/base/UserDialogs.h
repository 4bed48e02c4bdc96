// Everything in Loopcraft that waits for the user goes through this one interface: message
// boxes, the input box, the colour and font choosers and the print dialog. The desktop program
// hands the Qt implementation to its windows; tests hand them a scripted fake, so no test ever
// blocks on a modal dialog and every message a window shows can be asserted on.
#pragma once

#include "render/base/DrawingSurface.h"

#include <QColor>
#include <QFont>
#include <QPageLayout>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

class QPrinter;
class QWidget;

namespace loopcraft {

// What the font chooser hands back: the font with its style, and the text colour.
struct FontChoice {
    QFont font;
    QColor color;
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // A modal message box with a title, a text and a single OK button.
    virtual void message(QWidget* parent, const QString& title, const QString& text) = 0;

    // A one-line input box. Cancelling gives back `defaultText`, so a caller that compares
    // the answer with the default sees "nothing changed".
    virtual QString inputBox(QWidget* parent, const QString& caption, const QString& prompt,
                             const QString& defaultText) = 0;

    // The colour chooser, opened with `initial`; nothing when the user cancels.
    virtual std::optional<QColor> chooseColor(QWidget* parent, const QColor& initial) = 0;
    // The chooser's 16 custom colours, as 0x00BBGGRR values.
    virtual void setCustomColors(const std::array<std::uint32_t, 16>& colors) = 0;
    virtual std::array<std::uint32_t, 16> customColors() const = 0;

    // The font chooser, opened with a copy of `initial`; nothing when the user cancels.
    virtual std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial) = 0;

    // The print dialog, opened with the page turned as `orientation` (the user may turn it): a
    // printer ready for a document, or nothing when the user cancels.
    virtual std::unique_ptr<QPrinter> choosePrinter(QWidget* parent,
                                                    QPageLayout::Orientation orientation) = 0;

    // The save-file dialog, opened at `suggestedName` with name filters such as
    // "PNG image (*.png)"; nothing when the user cancels.
    virtual std::optional<QString> saveFileName(QWidget* parent, const QString& caption,
                                                const QString& suggestedName,
                                                const QString& filters) = 0;

    // The open-file dialog with name filters; nothing when the user cancels.
    virtual std::optional<QString> openFileName(QWidget* parent, const QString& caption,
                                                const QString& filters) = 0;
};

} // namespace loopcraft
