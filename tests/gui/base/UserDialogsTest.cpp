#include "core/sim/SimulationSession.h"
#include "gui/base/BusyCursor.h"
#include "gui/base/QtUserDialogs.h"
#include "tests/gui/GuiTestSupport.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace loopcraft::test {
namespace {

TEST(BusyCursor, RestoresThePreviousCursorWhenLeavingTheScope) {
    ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
    {
        BusyCursor busy;
        ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

// Runs `look` on the modal dialog the next call opens, then closes it with `close`.
void whileModal(const std::function<void(QWidget*)>& look, const std::function<void()>& open) {
    int seen = 0;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->isVisible()) {
            ++seen;
            look(modal);
            static_cast<QDialog*>(modal)->done(QDialog::Rejected);
        }
    });
    poll.start(5);
    open();
    EXPECT_EQ(seen, 1);
}

// A short text under a longer title: the box is wide enough for the whole title beside the
// window's buttons.
TEST(QtUserDialogs, MessageBoxFitsItsTitle) {
    QtUserDialogs dialogs;
    const QString title = QStringLiteral("Illegal Entry");
    whileModal(
        [&](QWidget* box) {
            const QFontMetrics metrics(QFontDatabase::systemFont(QFontDatabase::TitleFont));
            EXPECT_GE(box->width(), metrics.horizontalAdvance(title) + 6 * metrics.height());
            EXPECT_EQ(box->windowTitle(), title);
        },
        [&] { dialogs.message(nullptr, title, QStringLiteral("T must be > 0")); });
}

// A note written in lines, each ending where its phrase ends, longer than half a screen: the box
// holds every line whole, so Qt's own wrapping never splits one mid-phrase.
TEST(QtUserDialogs, MessageBoxKeepsTheLinesOfItsText) {
    QtUserDialogs dialogs;
    const QString text = QString::fromLatin1(kNStepNoteText);
    whileModal(
        [&](QWidget* box) {
            auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
            ASSERT_NE(label, nullptr);
            const QFontMetrics metrics(label->font());
            int longest = 0;
            for (const QString& line : QString(text).remove('\r').split('\n'))
                longest = std::max(longest, metrics.horizontalAdvance(line));
            EXPECT_GT(longest, 300) << "a line long enough to have been wrapped";
            EXPECT_GE(label->contentsRect().width(), longest);
        },
        [&] { dialogs.message(nullptr, QString::fromLatin1(kNStepNoteTitle), text); });
}

// The font chooser offers the text colour next to the font.
TEST(QtUserDialogs, FontChooserHasAColourButton) {
    QtUserDialogs dialogs;
    std::optional<FontChoice> answer;
    whileModal(
        [](QWidget* d) { EXPECT_NE(d->findChild<QPushButton*>("ButtonFontColor"), nullptr); },
        [&] {
            answer = dialogs.chooseFont(nullptr, {QFont(), QColor(1, 2, 3)});
        });
    EXPECT_FALSE(answer) << "cancelled";
}

} // namespace
} // namespace loopcraft::test
