#include "gui/base/SessionView.h"

#include <QLineEdit>
#include <gtest/gtest.h>
#include <string>

namespace loopcraft {
namespace {

// The smallest view: one entry over a session that is one string.
class EntryView final : public QWidget, public SessionView {
public:
    explicit EntryView(std::string& session) : SessionView(this), mSession(session) {}
    void copyIn() override { mSession = mEdit->text().toStdString(); }
    void copyOut() override {
        mShownWhenCopiedOut = isVisible();
        mEdit->setText(QString::fromStdString(mSession));
    }

    QLineEdit* mEdit = new QLineEdit(this);
    bool mShownWhenCopiedOut = false;

private:
    std::string& mSession;
};

TEST(SessionView, ShowingAViewBringsItUpWithTheSessionsState) {
    std::string session = "1.5e6";
    EntryView view(session);
    view.showView();
    EXPECT_TRUE(view.isVisible());
    EXPECT_TRUE(view.mShownWhenCopiedOut);
    EXPECT_EQ(view.mEdit->text(), "1.5e6");

    view.mEdit->setText(QStringLiteral("2e6"));
    view.copyIn();
    EXPECT_EQ(session, "2e6");
}

TEST(SessionView, AMinimisedWindowComesBackAsTheUserLeftIt) {
    QWidget window;
    window.resize(300, 200);
    window.showMinimized();
    ASSERT_TRUE(window.isMinimized());
    bringToFront(&window);
    EXPECT_FALSE(window.isMinimized());
    EXPECT_TRUE(window.isVisible());
}

} // namespace
} // namespace loopcraft
