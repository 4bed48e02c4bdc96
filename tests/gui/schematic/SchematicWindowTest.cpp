#include "gui/schematic/SchematicWindow.h"

#include "tests/core/ConfigFlagsSupport.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RecordingHelpService.h"

#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <gmock/gmock.h>

using namespace loopcraft;
using loopcraft::test::fakeDialogs;

namespace {

const char* const kRowLabels[] = {"stSchemaC1",   "stSchemaC2", "stSchemaC3", "stSchemaC4_1",
                                  "stSchemaC5_1", "stSchemaR1", "stSchemaR2", "stSchemaR4_1",
                                  "stSchemaR5_1", "stSchemaC4", "stSchemaC5", "stSchemaR4",
                                  "stSchemaR5"};

QString dataFile(const QString& name) {
    return QStringLiteral(LOOPCRAFT_DATA_DIR "/") + name;
}

class SchematicWindowTest : public ::testing::Test {
protected:
    ParameterSet params;
    test::RecordingHelpService help;
    SchematicWindow window{params, help, fakeDialogs()};

    void SetUp() override {
        window.setDataFileFinder(dataFile);
        window.resize(1200, 850);
    }
    void configure(int order, LoopFilter filter, bool chargePump) {
        test::selectMixedSignal(params, order, filter, chargePump);
    }
    template <typename T = QWidget> T* widget(const char* name) {
        return test::child<T>(&window, name);
    }
    QString text(const char* name) { return widget<QLabel>(name)->text(); }
    // The row captions the window shows, in window order, "|" before section 2's.
    std::string visibleRows() {
        std::string rows;
        for (const char* label : kRowLabels) {
            if (std::string(label) == "stSchemaC4") {
                rows += "|";
            }
            if (widget(label)->isVisibleTo(&window)) {
                // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict) on
                // "literal" + string.
                if (!rows.empty() && rows.back() != '|') {
                    rows += ' ';
                }
                rows += label + 8;
            }
        }
        return rows;
    }
};

struct RowsCase {
    int order;
    LoopFilter filter;
    const char* file; // stem; "_U" or "_I" follows
    const char* rows; // with a voltage-driven filter; the charge pump drops R1 but for ActiveLL
};

class SchematicRows : public SchematicWindowTest, public ::testing::WithParamInterface<RowsCase> {};

// What the window shows for every order, filter and drive: the drawing, the rows (each with its
// value, or its edit and unit list, beside the caption) and both group boxes.
TEST_P(SchematicRows, EveryConfigurationShowsItsDrawingAndRows) {
    const RowsCase& c = GetParam();
    for (const bool chargePump : {false, true}) {
        SCOPED_TRACE(chargePump ? "charge pump" : "voltage");
        configure(c.order, c.filter, chargePump);
        window.showView();
        EXPECT_TRUE(fakeDialogs().messages.empty());
        std::string expected = c.rows;
        if (const auto r1 = expected.find(" R1");
            chargePump && c.filter != LoopFilter::ActiveLL && r1 != std::string::npos) {
            expected.erase(r1, 3);
        }
        EXPECT_EQ(visibleRows(), expected);
        EXPECT_EQ(widget("gbFilterSection1")->isVisibleTo(&window), c.order > 1);
        EXPECT_EQ(widget("gbFilterSection2")->isVisibleTo(&window), expected.back() != '|');
        for (const char* label : kRowLabels) {
            if (!widget(label)->isVisibleTo(&window)) {
                continue;
            }
            const QString name = QString::fromLatin1(label + 2);
            if (auto* value = window.findChild<QLabel*>(QStringLiteral("st") + name + "Val")) {
                EXPECT_TRUE(value->isVisibleTo(&window)) << label;
                EXPECT_FALSE(value->text().trimmed().isEmpty()) << label;
            } else {
                EXPECT_TRUE(widget(("Edit" + name + "Val").toLatin1())->isVisibleTo(&window));
                EXPECT_TRUE(widget(("lb" + name + "Unit").toLatin1())->isVisibleTo(&window));
            }
        }
        const std::string file =
            *c.file ? c.file + std::string(chargePump ? "_I.wmf" : "_U.wmf") : std::string();
        EXPECT_EQ(window.session().layout().file, file);
        EXPECT_EQ(window.picture().drawing().isEmpty(), file.empty());
    }
}

constexpr LoopFilter PLL = LoopFilter::PassiveLL;
constexpr LoopFilter ALL = LoopFilter::ActiveLL;
constexpr LoopFilter API = LoopFilter::ActivePI;

std::string rowsCaseName(const ::testing::TestParamInfo<RowsCase>& info) {
    const char* filter = info.param.filter == PLL   ? "PassiveLL"
                         : info.param.filter == ALL ? "ActiveLL"
                                                    : "ActivePI";
    return filter + std::string("Order") + std::to_string(info.param.order);
}

INSTANTIATE_TEST_SUITE_P(
    EveryConfiguration, SchematicRows,
    ::testing::Values(RowsCase{1, PLL, "", "|"}, RowsCase{1, API, "", "|"},
                      RowsCase{2, PLL, "PassiveLL1", "C1 R1 R2|"},
                      RowsCase{2, ALL, "ActiveLL1", "C1 C2 R1 R2|"},
                      RowsCase{2, API, "ActivePI1", "C1 R1 R2|"},
                      RowsCase{3, PLL, "PassiveLL2", "C1 C3 R1 R2|"},
                      RowsCase{3, ALL, "ActiveLL2", "C1 C2 C3 R1 R2|"},
                      RowsCase{3, API, "ActivePI2", "C1 C3 R1 R2|"},
                      RowsCase{4, PLL, "PassiveLL3", "C1 C3 C4_1 R1 R2 R4_1|"},
                      RowsCase{4, ALL, "ActiveLL3", "C1 C2 R1 R2|C4 C5 R4 R5"},
                      RowsCase{4, API, "ActivePI3", "C1 R1 R2|C4 C5 R4 R5"},
                      RowsCase{5, PLL, "PassiveLL4", "C1 C3 C4_1 C5_1 R1 R2 R4_1 R5_1|"},
                      RowsCase{5, ALL, "ActiveLL4", "C1 C2 C3 R1 R2|C4 C5 R4 R5"},
                      RowsCase{5, API, "ActivePI4", "C1 C3 R1 R2|C4 C5 R4 R5"}),
    rowsCaseName);

TEST_F(SchematicWindowTest, DoneSendsC1BackAndHides) {
    configure(3, API, true);
    window.showView();
    QSignalSpy sent(&window, &SchematicWindow::c1Chosen);

    // A refused C1 keeps the window open and sends nothing.
    widget<QLineEdit>("EditSchemaC1Val")->setText(QStringLiteral("0"));
    widget<QPushButton>("ButtonSchemaDone")->click();
    EXPECT_THAT(fakeDialogs().messageTexts(), ::testing::ElementsAre("C1 must be positive"));
    EXPECT_EQ(sent.count(), 0);
    EXPECT_TRUE(window.isVisible());

    widget<QLineEdit>("EditSchemaC1Val")->setText(QStringLiteral("22"));
    widget<QListWidget>("lbSchemaC1Unit")->setCurrentRow(3);
    widget<QPushButton>("ButtonSchemaDone")->click();
    ASSERT_EQ(sent.count(), 1);
    EXPECT_EQ(window.session().chosenC1().text, "22");
    EXPECT_EQ(window.session().chosenC1().unit, 3); // "nF"
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(params.text(TextId::SchemaC1Val), "22");
}

TEST_F(SchematicWindowTest, CalculateFollowsTheEnteredCapacitor) {
    window.showView();
    EXPECT_EQ(text("stSchemaR1Val"), "51.0 kOhm");
    widget<QLineEdit>("EditSchemaC1Val")->setText(QStringLiteral("100"));
    widget<QPushButton>("ButtonSchemaCalculate")->click();
    EXPECT_EQ(text("stSchemaR1Val"), "5.1 kOhm");
    EXPECT_EQ(params.SchemaC1Val, 100.0F);

    // A malformed entry is reported, selected and focused; the values stay.
    widget<QLineEdit>("EditSchemaC1Val")->setText(QStringLiteral("1,5"));
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    widget<QPushButton>("ButtonSchemaCalculate")->click();
    EXPECT_EQ(fakeDialogs().messages.at(0).title, "Format error");
    EXPECT_EQ(QApplication::focusWidget(), widget("EditSchemaC1Val"));
    EXPECT_EQ(text("stSchemaR1Val"), "5.1 kOhm");
}

// No drawing for order 1; a drawing that cannot be read is named with the reason, and the
// values are still worked out.
TEST_F(SchematicWindowTest, OrderOneAndAMissingDrawing) {
    configure(1, PLL, false);
    window.showView();
    EXPECT_EQ(window.picture().title(), "No filter");
    EXPECT_TRUE(fakeDialogs().messages.empty());

    QTemporaryDir empty;
    window.setDataFileFinder([&empty](const QString& name) { return empty.filePath(name); });
    configure(2, PLL, false);
    window.showView();
    ASSERT_EQ(fakeDialogs().messages.size(), 1U);
    EXPECT_THAT(fakeDialogs().messages[0].text.toStdString(),
                ::testing::HasSubstr("PassiveLL1_U.wmf"));
    EXPECT_TRUE(window.picture().drawing().isEmpty());
    EXPECT_EQ(window.picture().title(), "First-order passive lead-lag filter");
    EXPECT_EQ(text("stSchemaR2Val"), "5.1 kOhm");
}

TEST_F(SchematicWindowTest, HelpPrintAndSavePicture) {
    window.showView();
    widget<QPushButton>("ButtonSchemaHelp")->click();
    EXPECT_THAT(help.requests, ::testing::ElementsAre("Schematic"));

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("print.pdf"));
    fakeDialogs().printerAnswers = {std::nullopt, pdf};
    widget<QPushButton>("ButtonSchemaPrint")->click(); // cancelled
    EXPECT_FALSE(QFile::exists(pdf));
    widget<QPushButton>("ButtonSchemaPrint")->click();
    EXPECT_GT(QFileInfo(pdf).size(), 2000);

    const QString svg = dir.filePath(QStringLiteral("schematic.svg"));
    fakeDialogs().saveFileAnswers = {svg};
    window.findChild<QAction*>(QStringLiteral("ActionSavePicture"))->trigger();
    const std::string saved = test::readAll(svg);
    for (const char* text : {"51.0 kOhm", "5.1 kOhm", "10 nF", "E24 parts"}) {
        EXPECT_THAT(saved, ::testing::HasSubstr(text));
    }
    EXPECT_TRUE(fakeDialogs().messages.empty());
}

// The design dialog is modal; the schematic window it opens must still take the user's input.
TEST_F(SchematicWindowTest, OpenedFromAModalDialogTakesInput) {
    QDialog design;
    design.setAttribute(Qt::WA_ShowModal, true); // as exec() shows it, without blocking
    design.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&design));
    window.showView();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.parentWidget(), &design);

    widget<QLineEdit>("EditSchemaC1Val")->setText(QStringLiteral("100"));
    auto* calculate = widget<QPushButton>("ButtonSchemaCalculate");
    QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {},
                      calculate->mapTo(&window, calculate->rect().center()));
    QTest::qWait(20);
    EXPECT_EQ(text("stSchemaR1Val"), "5.1 kOhm");
    window.hide();
    window.setParent(nullptr, Qt::Window); // the dialog goes before the fixture's window
}

// The drawing's title stays above the memo even in a wide, low window.
TEST_F(SchematicWindowTest, PictureRectangleLeavesTheTitleAboveTheMemo) {
    window.show();
    for (const QSize size : {QSize(1200, 850), QSize(1900, 600)}) {
        window.resize(size);
        const QRect picture = window.pictureRect();
        EXPECT_EQ(picture.left(), size.width() / 10);
        EXPECT_LT(picture.bottom() + 20, widget("Memo1")->y()) << size.width();
    }
}

} // namespace
