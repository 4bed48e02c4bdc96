// Scripted user dialogs for tests: records every message box and hands out queued answers.
// With nothing queued, every chooser behaves as if the user pressed Cancel.
#pragma once

#include "gui/base/UserDialogs.h"

#include <QStringList>
#include <deque>
#include <vector>

namespace loopcraft {

struct RecordedMessage {
    QString title;
    QString text;
    bool operator==(const RecordedMessage&) const = default;
};

class FakeUserDialogs final : public UserDialogs {
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

    // Forgets everything recorded and queued (the test main calls it before every test).
    void reset();

    // What the windows did.
    std::vector<RecordedMessage> messages;
    struct InputRequest {
        QString caption, prompt, defaultText;
    };
    std::vector<InputRequest> inputRequests;
    std::vector<QColor> colorRequests;
    std::vector<FontChoice> fontRequests;
    int printerRequests = 0;
    std::vector<QPageLayout::Orientation> printerOrientations; // how each dialog offered the page

    // What the user answers next; std::nullopt stands for Cancel.
    std::deque<std::optional<QString>> inputAnswers;
    std::deque<std::optional<QColor>> colorAnswers;
    std::deque<std::optional<FontChoice>> fontAnswers;
    // A confirmed print dialog prints into this PDF file.
    std::deque<std::optional<QString>> printerAnswers;
    std::deque<std::optional<QString>> saveFileAnswers;
    std::deque<std::optional<QString>> openFileAnswers;

    std::array<std::uint32_t, 16> customColorTable{};

    // The recorded messages' texts, handy for EXPECT_THAT.
    QStringList messageTexts() const;
};

} // namespace loopcraft
