#include "gui/bode/BodeWindow.h"

#include "core/design/DesignSession.h"
#include "gui/base/MessagePresenter.h"
#include "gui/base/WidgetNames.h"
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
    void showView() {
        window.showView();
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

// At fractions of a 1000 x 700 window: the entries' column at 0.8 and 0.87 of the width, the
// buttons at 0.4, 0.5, 0.6 and 0.8 of the height, the memos at 0.05 / 0.4 and 0.8.
TEST_F(BodeWindowTest, ControlsSitAtTheirFractionsOfTheWindow) {
    EXPECT_EQ(window.objectName(), "Form4");
    EXPECT_EQ(window.windowTitle(), "Bode Plot");
    const QString controls = QStringLiteral(
        "stBodefMin=fmin (Hz)@800;EditBodefMin=1000@870;stBodefMax=fmax (Hz)@800;"
        "EditBodefMax=1000000@870;stBodeNumPoints=Pts/Dec@800;EditBodeNumPoints=50@870;"
        "ButtonBodeHelp=Help@800,280;ButtonBodeRedraw=Redraw@800,350;"
        "ButtonBodePrint=Print@800,420;ButtonBodeDone=Done@800,560;Memo1=@50,560;Memo2=@400,560");
    for (const QString& item : controls.split(QLatin1Char(';'))) {
        const QString name = item.section(QLatin1Char('='), 0, 0);
        const QString caption = item.section(QLatin1Char('='), 1).section(QLatin1Char('@'), 0, 0);
        const QStringList at = item.section(QLatin1Char('@'), 1).split(QLatin1Char(','));
        QWidget* w = window.findChild<QWidget*>(name);
        ASSERT_NE(w, nullptr) << name.toStdString();
        EXPECT_EQ(w->x(), at[0].toInt()) << name.toStdString();
        if (at.size() > 1) {
            EXPECT_EQ(w->y(), at[1].toInt()) << name.toStdString();
        }
        const auto* l = qobject_cast<QLabel*>(w);
        const auto* b = qobject_cast<QPushButton*>(w);
        const auto* e = qobject_cast<QLineEdit*>(w);
        EXPECT_EQ(l ? l->text() : b ? b->text() : e ? e->text() : QString(), caption);
    }
    EXPECT_EQ(window.picture().pictureSize(), QSize(790, 700));
}

// Every field the Bode checks can name is a control of the real window.
TEST_F(BodeWindowTest, EveryFieldAMessageCanNameIsAControl) {
    for (int code = 1; code <= 5; ++code)
        EXPECT_TRUE(showMessage(fakeDialogs(), &window, BodeEntryError(code))) << code;
    for (TextId id : {TextId::BodefMin, TextId::BodefMax, TextId::BodeNumPoints})
        EXPECT_NE(findField(&window, id), nullptr);
}

// Redraw and Done check the entries; a refused one keeps the plot and the window.
TEST_F(BodeWindowTest, RedrawAndDoneCheckTheEntries) {
    showView();
    ASSERT_EQ(window.response().pointCount, 151u);
    type("EditBodeNumPoints", "10");
    type("EditBodefMax", "500");
    click("ButtonBodeRedraw");
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList{"fMax must be greater than fMin"});
    EXPECT_EQ(focused(), "EditBodefMax");
    EXPECT_EQ(window.response().pointCount, 151u);
    type("EditBodefMax", "1e5");
    click("ButtonBodeRedraw");
    EXPECT_EQ(window.response().pointCount, 21u);

    fakeDialogs().reset();
    type("EditBodefMin", "1k");
    click("ButtonBodeDone");
    EXPECT_EQ(fakeDialogs().messageTexts(), QStringList{"Invalid floating format"});
    EXPECT_TRUE(window.isVisible());
    type("EditBodefMin", "100");
    click("ButtonBodeDone");
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(params.text(TextId::BodefMin), "100");
    EXPECT_EQ(window.response().fMinUsed, 1000.0F) << "Done computes nothing";
    click("ButtonBodeHelp");
    EXPECT_EQ(help.requests, QStringList{"Bode"});
}

TEST_F(BodeWindowTest, PrintsAndSavesThePictureOnlyWhenConfirmed) {
    showView();
    QTemporaryDir dir;
    click("ButtonBodePrint"); // cancelled
    fakeDialogs().printerAnswers.push_back(dir.filePath("print.pdf"));
    click("ButtonBodePrint");
    EXPECT_EQ(fakeDialogs().printerRequests, 2);
    // Offered turned, as the plot is wider than tall; the page comes out so.
    EXPECT_EQ(fakeDialogs().printerOrientations,
              std::vector<QPageLayout::Orientation>(2, QPageLayout::Landscape));
    const std::string pdf = readAll(dir.filePath("print.pdf"));
    EXPECT_EQ(pdf.substr(0, 5), "%PDF-");
    EXPECT_NE(pdf.find("/MediaBox [0 0 84"), std::string::npos) << "A4 landscape, 842 x 595";

    fakeDialogs().saveFileAnswers.push_back(dir.filePath("bode.png"));
    child<QAction>(&window, "ActionSavePicture")->trigger();
    const QImage saved(dir.filePath("bode.png"));
    EXPECT_EQ(saved.size(), window.picture().pictureSize());
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

} // namespace
} // namespace loopcraft::test
