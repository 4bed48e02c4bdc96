#include "gui/app/EntryFieldReader.h"

#include "tests/gui/GuiTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QWidget>

namespace loopcraft::test {
namespace {

class EntryFieldReaderTest : public ::testing::Test {
protected:
    EntryFieldReaderTest() {
        auto* layout = new QVBoxLayout(&window);
        other = new QLineEdit(&window);
        edit = new QLineEdit(&window);
        layout->addWidget(other);
        layout->addWidget(edit);
        window.show();
        other->setFocus();
    }
    QWidget window;
    QLineEdit* other = nullptr;
    QLineEdit* edit = nullptr;
    ParameterSet params;
};

TEST_F(EntryFieldReaderTest, BadEntryShowsFormatErrorSelectsAllFocusesAndKeepsOldValue) {
    edit->setText(QStringLiteral("1.5"));
    EXPECT_FALSE(readEntryField(edit, params, TextId::ConfigN, fakeDialogs()));
    ASSERT_EQ(fakeDialogs().messages.size(), 1u);
    EXPECT_EQ(fakeDialogs().messages[0],
              (RecordedMessage{QStringLiteral("Format error"),
                               QStringLiteral("Invalid integer format")}));
    EXPECT_EQ(edit->selectedText(), QStringLiteral("1.5"));
    EXPECT_EQ(window.focusWidget(), edit);
    EXPECT_EQ(params.text(TextId::ConfigN), "1");
    EXPECT_EQ(params.ConfigN, 1);
}

} // namespace
} // namespace loopcraft::test
