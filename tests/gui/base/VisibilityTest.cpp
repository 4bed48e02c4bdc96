#include "gui/base/Visibility.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace loopcraft {
namespace {

// A window with a row inside a group: the edit's label goes with it.
struct Window {
    QWidget root;
    QGroupBox* group = new QGroupBox(&root);
    QLineEdit* edit = new QLineEdit(group);
    QLabel* label = new QLabel(group);
    QLabel* other = new QLabel(&root);

    Window() {
        group->setObjectName(QStringLiteral("GroupBox1"));
        edit->setObjectName(QStringLiteral("EditConfigKd"));
        label->setObjectName(QStringLiteral("stConfigKd"));
        other->setObjectName(QStringLiteral("stOther"));
    }
};

QStringList labelOfEdit(const QString& name) {
    return name.startsWith(QLatin1String("Edit")) ? QStringList{"st" + name.mid(4)} : QStringList{};
}

TEST(Visibility, HidesAndShowsNamedControlsAtAnyDepthWithTheirCompanions) {
    Window w;
    applyVisibility(&w.root, {{"EditConfigKd", false}}, labelOfEdit);
    EXPECT_TRUE(w.edit->isHidden());
    EXPECT_TRUE(w.label->isHidden());
    EXPECT_FALSE(w.other->isHidden());
    EXPECT_FALSE(w.group->isHidden());

    applyVisibility(&w.root, {{"EditConfigKd", true}, {"GroupBox1", false}}, labelOfEdit);
    EXPECT_FALSE(w.edit->isHidden());
    EXPECT_FALSE(w.label->isHidden());
    EXPECT_TRUE(w.group->isHidden());
}

TEST(Visibility, PassesOverNamesTheWindowDoesNotHave) {
    Window w;
    applyVisibility(&w.root, {{"EditNowhere", false}, {"stOther", false}}, labelOfEdit);
    EXPECT_TRUE(w.other->isHidden());
    EXPECT_FALSE(w.edit->isHidden());
    // Without companions only the named control changes.
    applyVisibility(&w.root, {{"EditConfigKd", false}});
    EXPECT_TRUE(w.edit->isHidden());
    EXPECT_FALSE(w.label->isHidden());
}

} // namespace
} // namespace loopcraft
