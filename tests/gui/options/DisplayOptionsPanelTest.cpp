#include "gui/options/DisplayOptionsPanel.h"

#include "render/base/DrawingSurface.h"
#include "tests/gui/MainWindowFixture.h"

#include <QListWidget>

namespace loopcraft::test {
namespace {

class DisplayOptionsPanelTest : public MainWindowFixture {
protected:
    void select(int row) {
        click("SpeedButton4");
        find<QListWidget>("ListBox1")->setCurrentRow(row);
    }
};

TEST_F(DisplayOptionsPanelTest, ButtonsFollowTheSelectedEntry) {
    open();
    click("SpeedButton4");
    auto* list = find<QListWidget>("ListBox1");
    ASSERT_EQ(list->count(), 6);
    // Pen width for the curves, font for the tick labels and the printer.
    const bool expected[6][2] = {{false, true},  {true, false},  {true, false},
                                 {false, false}, {false, false}, {false, true}};
    for (int row = 0; row < 6; ++row) {
        list->setCurrentRow(row);
        EXPECT_TRUE(shown("ButtonOptionsSelectColor"));
        EXPECT_EQ(shown("ButtonOptionsSelectPenWidth"), expected[row][0]) << row;
        EXPECT_EQ(shown("ButtonOptionsSelectFont"), expected[row][1]) << row;
    }
}

TEST_F(DisplayOptionsPanelTest, PenWidthBelowOneBecomesOneAndGarbageIsRefused) {
    open();
    select(2);
    fakeDialogs().inputAnswers = {QStringLiteral("-3"), QStringLiteral("x1")};
    click("ButtonOptionsSelectPenWidth");
    EXPECT_EQ(window->params().PenWidthCurve2, 1);
    click("ButtonOptionsSelectPenWidth");
    EXPECT_EQ(window->params().PenWidthCurve2, 1);
    EXPECT_EQ(fakeDialogs().messages,
              (std::vector<RecordedMessage>{{"Error", "Invalid integer format, try again"}}));
    ASSERT_EQ(fakeDialogs().inputRequests.size(), 2u);
    EXPECT_EQ(fakeDialogs().inputRequests[0].caption, "Enter PenWidth");
    EXPECT_EQ(fakeDialogs().inputRequests[0].prompt, "PenWidth = ");
    EXPECT_EQ(fakeDialogs().inputRequests[0].defaultText, "2");
}

TEST_F(DisplayOptionsPanelTest, ColourIsKeptEvenWhenThePanelIsCancelled) {
    open();
    select(3);
    fakeDialogs().colorAnswers = {QColor(1, 2, 3)};
    click("ButtonOptionsSelectColor");
    click("ButtonOptionsCancel");
    EXPECT_EQ(window->params().ColorFrameBackground, 0x030201u);
    EXPECT_EQ(fakeDialogs().colorRequests.at(0), QColor(255, 255, 0));
}

// The font chooser answers with face, size, style and colour; each entry keeps all four.
TEST_F(DisplayOptionsPanelTest, FontChoiceCarriesItsColour) {
    open();
    QFont bold(QStringLiteral("Liberation Serif"), 14);
    bold.setBold(true);
    fakeDialogs().fontAnswers = {FontChoice{bold, QColor(10, 20, 30)},
                                 FontChoice{bold, QColor(40, 50, 60)}};
    select(0);
    click("ButtonOptionsSelectFont");
    select(5);
    click("ButtonOptionsSelectFont");
    EXPECT_TRUE(window->fonts().AxisFont.bold());
    EXPECT_EQ(window->fonts().PrinterFont.pointSize(), 14);
    EXPECT_EQ(window->params().ColorAxisTickLabels, bgrFromColor(QColor(10, 20, 30)));
    EXPECT_EQ(window->params().ColorPrinterFont, bgrFromColor(QColor(40, 50, 60)));
    ASSERT_EQ(fakeDialogs().fontRequests.size(), 2u);
    EXPECT_EQ(fakeDialogs().fontRequests[0].color, QColor(0, 0, 255)) << "the tick labels' blue";
    EXPECT_EQ(fakeDialogs().fontRequests[1].color, QColor(Qt::black));

    trigger("SetDefaultColors1");
    EXPECT_FALSE(window->fonts().AxisFont.bold());
    EXPECT_EQ(window->params().ColorPrinterFont, 0u);
}

TEST_F(DisplayOptionsPanelTest, OpeningTheOptionsForgetsThePlot) {
    open();
    runFor("0.0002");
    ASSERT_TRUE(simulation().resultsValid());
    click("SpeedButton4");
    EXPECT_FALSE(simulation().resultsValid());
    EXPECT_TRUE(widget("Panel1")->isHidden());
}

} // namespace
} // namespace loopcraft::test
