#include "tests/gui/FakeUserDialogs.h"

#include <QPrinter>

namespace loopcraft {

namespace {

template <typename T> std::optional<T> takeFront(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) {
        return std::nullopt;
    }
    std::optional<T> answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

void FakeUserDialogs::message(QWidget*, const QString& title, const QString& text) {
    messages.push_back({title, text});
}

QString FakeUserDialogs::inputBox(QWidget*, const QString& caption, const QString& prompt,
                                  const QString& defaultText) {
    inputRequests.push_back({caption, prompt, defaultText});
    return takeFront(inputAnswers).value_or(defaultText);
}

std::optional<QColor> FakeUserDialogs::chooseColor(QWidget*, const QColor& initial) {
    colorRequests.push_back(initial);
    return takeFront(colorAnswers);
}

void FakeUserDialogs::setCustomColors(const std::array<std::uint32_t, 16>& colors) {
    customColorTable = colors;
}

std::array<std::uint32_t, 16> FakeUserDialogs::customColors() const {
    return customColorTable;
}

std::optional<FontChoice> FakeUserDialogs::chooseFont(QWidget*, const FontChoice& initial) {
    fontRequests.push_back(initial);
    return takeFront(fontAnswers);
}

std::unique_ptr<QPrinter> FakeUserDialogs::choosePrinter(QWidget*,
                                                         QPageLayout::Orientation orientation) {
    ++printerRequests;
    printerOrientations.push_back(orientation);
    const std::optional<QString> file = takeFront(printerAnswers);
    if (!file) {
        return nullptr;
    }
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(*file);
    printer->setPageOrientation(orientation); // the user kept the page as offered
    return printer;
}

std::optional<QString> FakeUserDialogs::saveFileName(QWidget*, const QString&, const QString&,
                                                     const QString&) {
    return takeFront(saveFileAnswers);
}

std::optional<QString> FakeUserDialogs::openFileName(QWidget*, const QString&, const QString&) {
    return takeFront(openFileAnswers);
}

void FakeUserDialogs::reset() {
    *this = FakeUserDialogs();
}

QStringList FakeUserDialogs::messageTexts() const {
    QStringList texts;
    for (const RecordedMessage& m : messages) {
        texts << m.text;
    }
    return texts;
}

} // namespace loopcraft
