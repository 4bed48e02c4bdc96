#include "gui/base/DoneOnlyDialog.h"

#include <QLineEdit>
#include <QTest>
#include <gtest/gtest.h>

namespace loopcraft {
namespace {

// Escape must not leave a dialog past Done's checks, from the dialog or from an edit in it;
// every other key still reaches the controls.
TEST(DoneOnlyDialog, EscapeDoesNotLeaveButOtherKeysStillType) {
    DoneOnlyDialog dialog;
    auto* edit = new QLineEdit(&dialog);
    dialog.show();
    edit->setFocus();
    QTest::keyClick(edit, Qt::Key_Escape);
    QTest::keyClick(&dialog, Qt::Key_Escape);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected); // never set: still open
    QTest::keyClicks(edit, "12");
    EXPECT_EQ(edit->text(), QStringLiteral("12"));
    dialog.accept();
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace
} // namespace loopcraft
