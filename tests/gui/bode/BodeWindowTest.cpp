#include "gui/bode/BodeWindow.h"

#include "core/design/DesignSession.h"
#include "gui/app/MessagePresenter.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RecordingHelpService.h"

#include <QAction>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace loopcraft::test {
namespace {

class BodeWindowTest : public ::testing::Test {
protected:
    BodeWindowTest() {
        window.setDesign(&design);
        window.resize(1000, 700);
    }
    void type(const char* name, const char* text) {
        child<QLineEdit>(&window, name)->setText(QString::fromLatin1(text));
    }
    void click(const char* name) { child<QPushButton>(&window, name)->click(); }
    void showAndCompute() {
        window.showAndCompute();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }
    QString focused() {
        QWidget* f = window.focusWidget();
        return f ? f->objectName() : QString();
    }

    ParameterSet params;
    DesignSession design{params};
    RecordingHelpService help;
    BodeWindow window{params, help, fakeDialogs()};
};

TEST_F(BodeWindowTest, ControlsSitAtTheirFractionsOfTheWindow) {
    EXPECT_EQ(window.objectName(), "Form4");
    EXPECT_EQ(window.windowTitle(), "Bode Plot");
    const std::tuple<const char*, const char*, QPoint> controls[] = {
        {"stBodefMin", "fmin (Hz)", {800, -1}},
        {"EditBodefMin", "1000", {870, -1}},
        {"stBodefMax", "fmax (Hz)", {800, -1}},
        {"EditBodefMax", "1000000", {870, -1}},
        {"stBodeNumPoints", "Pts/Dec", {800, -1}},
        {"EditBodeNumPoints", "50", {870, -1}},
        {"ButtonBodeHelp", "Help", {800, 280}},
        {"ButtonBodeRedraw", "Redraw", {800, 350}},
        {"ButtonBodePrint", "Print", {800, 420}},
        {"ButtonBodeDone", "Done", {800, 560}},
        {"Memo1", "", {50, 560}},
        {"Memo2", "", {400, 560}}};
    for (const auto& [name, caption, topLeft] : controls) {
        QWidget* w = child<QWidget>(&window, name);
        ASSERT_NE(w, nullptr);
        EXPECT_EQ(w->x(), topLeft.x()) << name;
        if (topLeft.y() >= 0) {
            EXPECT_EQ(w->y(), topLeft.y()) << name;
        }
        QString text;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
        } else if (auto* b = qobject_cast<QPushButton*>(w)) {
            text = b->text();
        } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
            text = e->text();
        }
        EXPECT_EQ(text, caption) << name;
    }
    EXPECT_EQ(window.picture().pictureSize(), QSize(790, 700));
}

// Every field the Bode checks can name is a control of the real window.
TEST_F(BodeWindowTest, EveryFieldAMessageCanNameIsAControl) {
    for (int code = 1; code <= 5; ++code)
        EXPECT_TRUE(showMessage(fakeDialogs(), &window, BodeEntryError(code))) << code;
    for (TextId id : {TextId::BodefMin, TextId::BodefMax, TextId::BodeNumPoints})
        EXPECT_NE(window.findChild<QLineEdit*>(QString::fromStdString(editFieldName(id))), nullptr);
}

TEST_F(BodeWindowTest, RefusedEntryIsReportedAndThePreviousPlotStays) {
    showAndCompute();
    ASSERT_TRUE(window.response().hasCurves());
    ASSERT_EQ(window.response().pointCount, 151u);
    type("EditBodeNumPoints", "10");
    type("EditBodefMax", "500");
    click("ButtonBodeRedraw");
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList{"fMax must be greater than fMin"});
    EXPECT_EQ(focused(), "EditBodefMax");
    EXPECT_EQ(window.response().pointCount, 151u);

    fakeDialogs().reset();
    type("EditBodefMax", "1e5");
    click("ButtonBodeRedraw");
    EXPECT_TRUE(fakeDialogs().messages.empty());
    EXPECT_EQ(window.response().pointCount, 21u);
    EXPECT_EQ(params.BodefMax, 1e5F);
}

TEST_F(BodeWindowTest, DoneChecksTheEntriesBeforeHiding) {
    showAndCompute();
    type("EditBodefMin", "1k");
    click("ButtonBodeDone");
    EXPECT_EQ(fakeDialogs().messages.at(0),
              (RecordedMessage{"Format error", "Invalid floating format"}));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(focused(), "EditBodefMin");
    type("EditBodefMin", "100");
    click("ButtonBodeDone");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(params.text(TextId::BodefMin), "100");
    click("ButtonBodeHelp");
    EXPECT_EQ(help.requests, QStringList{"Bode"});
}

TEST_F(BodeWindowTest, PrintsAndSavesThePictureOnlyWhenConfirmed) {
    showAndCompute();
    QTemporaryDir dir;
    click("ButtonBodePrint"); // cancelled
    fakeDialogs().printerAnswers.push_back(dir.filePath("print.pdf"));
    click("ButtonBodePrint");
    EXPECT_EQ(fakeDialogs().printerRequests, 2);
    EXPECT_EQ(readAll(dir.filePath("print.pdf")).substr(0, 5), "%PDF-");

    fakeDialogs().saveFileAnswers.push_back(dir.filePath("bode.png"));
    child<QAction>(&window, "ActionSavePicture")->trigger();
    const QImage saved(dir.filePath("bode.png"));
    EXPECT_EQ(saved.size(), window.picture().pictureSize());
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

} // namespace
} // namespace loopcraft::test
