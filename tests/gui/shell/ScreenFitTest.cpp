// The large windows on the small and the wide screen the program is used on: every caption,
// entry and list fits its control, no configuration box scrolls, rows stay inside their group
// boxes and the schematic's figures stay clear of its buttons. The test program's screen has one
// fixed size, so each window is placed for the screen in question as the main window would place
// it, and its geometry is checked.
#include "gui/base/WorkingArea.h"
#include "gui/bode/BodeWindow.h"
#include "gui/design/DesignDialog.h"
#include "gui/schematic/SchematicWindow.h"
#include "tests/core/ConfigFlagsSupport.h"
#include "tests/gui/GuiTestSupport.h"
#include "tests/gui/RecordingHelpService.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <functional>

namespace loopcraft::test {
namespace {

// What the main window hands its windows on a screen of this size: the working area from just
// below its tool bar (menu and tool bar take 58 pixels) down to its client bottom.
WorkingArea areaFor(const QSize& screen) {
    WorkingArea area;
    area.screen = QRect(QPoint(0, 0), screen);
    area.top = 58;
    area.toolBarHeight = 39;
    area.mainClientHeight = screen.height() - 52;
    return area;
}

std::string where(const QWidget* w) {
    return w->objectName().toStdString() + " in " +
           (w->parentWidget() ? w->parentWidget()->objectName().toStdString() : "");
}

// Every control the user sees shows its whole text and lies inside its parent.
void expectEverythingFits(QWidget* window) {
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window) || w->isWindow() || w->objectName().startsWith("qt_")) {
            continue;
        }
        if (w->parentWidget() == window || qobject_cast<QGroupBox*>(w->parentWidget()) ||
            qobject_cast<QFrame*>(w->parentWidget())) {
            EXPECT_TRUE(w->parentWidget()->rect().contains(w->geometry()))
                << where(w) << " leaves its parent";
        }
        if (auto* label = qobject_cast<QLabel*>(w); label && !label->wordWrap()) {
            const QRect need = label->fontMetrics().boundingRect(
                QRect(0, 0, 10000, 10000), Qt::AlignLeft | Qt::AlignTop, label->text());
            EXPECT_LE(need.width(), label->contentsRect().width()) << where(w);
            EXPECT_LE(label->fontMetrics().height(), label->contentsRect().height()) << where(w);
        } else if (auto* push = qobject_cast<QPushButton*>(w)) {
            EXPECT_LE(push->fontMetrics().horizontalAdvance(push->text()) + 8, push->width())
                << where(w);
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_LE(button->sizeHint().width(), button->width()) << where(w);
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            EXPECT_LE(edit->fontMetrics().horizontalAdvance(edit->text()) + 6, edit->width())
                << where(w);
            EXPECT_LE(edit->fontMetrics().height(), edit->height()) << where(w);
        } else if (auto* list = qobject_cast<QListWidget*>(w)) {
            EXPECT_FALSE(list->verticalScrollBar()->isVisible()) << where(w);
            for (int i = 0; i < list->count(); ++i) {
                const QRect item = list->visualItemRect(list->item(i));
                EXPECT_TRUE(list->viewport()->rect().contains(item)) << where(w) << " row " << i;
                EXPECT_LE(list->fontMetrics().horizontalAdvance(list->item(i)->text()) + 4,
                          item.width())
                    << where(w) << " row " << i;
            }
        } else if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) {
            EXPECT_FALSE(memo->verticalScrollBar()->isVisible()) << where(w) << " scrolls";
        }
    }
}

void settle(QWidget* window) {
    window->show();
    for (int i = 0; i < 3; ++i) {
        QCoreApplication::processEvents();
    }
}

struct Road {
    const char* name;
    std::function<void(ParameterSet&)> configure;
};

const Road kRoads[] = {
    {"ChargePumpOrder3PI",
     [](ParameterSet& p) { selectMixedSignal(p, 3, LoopFilter::ActivePI, true); }},
    {"ExorOrder2Passive",
     [](ParameterSet& p) { selectMixedSignal(p, 2, LoopFilter::PassiveLL, false); }},
    {"AdpllJK",
     [](ParameterSet& p) {
         p.selectFlag(FlagId::rbConfigADPLL);
         p.selectFlag(FlagId::rbConfigADPLLJK);
     }},
    {"MultiplierOrder5ActiveLeadLag",
     [](ParameterSet& p) {
         selectMixedSignal(p, 5, LoopFilter::ActiveLL, false);
         p.selectFlag(FlagId::rbConfigLPLLMul);
     }},
};

class ScreenFit : public ::testing::TestWithParam<std::tuple<QSize, int>> {
protected:
    void SetUp() override { road().configure(params); }
    const Road& road() const { return kRoads[std::get<1>(GetParam())]; }
    WorkingArea area() const { return areaFor(std::get<0>(GetParam())); }
    bool adpll() const { return params.rbConfigADPLL == 1; }

    ParameterSet params;
    RecordingHelpService help;
    BodeWindow bode{params, help, fakeDialogs()};
    SchematicWindow schematic{params, help, fakeDialogs()};
    DesignDialog design{params, help, fakeDialogs(), bode, schematic};
};

TEST_P(ScreenFit, DesignDialogShowsItsConfigurationWhole) {
    design.PrepareDesignWindow();
    design.ApplyDesignPanelRules();
    design.place(area());
    settle(&design);
    expectEverythingFits(&design);
}

TEST_P(ScreenFit, BodeWindowFitsItsCaptions) {
    bode.place(area());
    bode.showView();
    settle(&bode);
    expectEverythingFits(&bode);
}

TEST_P(ScreenFit, SchematicKeepsRowsListsAndFiguresApart) {
    if (adpll()) {
        GTEST_SKIP() << "the all-digital loop has no filter to draw";
    }
    schematic.setDataFileFinder(
        [](const QString& name) { return QStringLiteral(LOOPCRAFT_DATA_DIR "/") + name; });
    schematic.place(area());
    schematic.showView();
    settle(&schematic);
    expectEverythingFits(&schematic);
    for (const char* name : {"gbFilterSection1", "gbFilterSection2"}) {
        auto* group = child<QGroupBox>(&schematic, name);
        for (QWidget* row : group->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (row->isVisibleTo(&schematic)) {
                EXPECT_TRUE(group->contentsRect().contains(row->geometry()))
                    << where(row) << " on the group's frame or title";
            }
        }
    }
    const QRect figures = schematic.figuresRect();
    const int buttons = child<QWidget>(&schematic, "ButtonSchemaPrint")->geometry().top();
    EXPECT_LT(figures.bottom(), buttons - 2);
    EXPECT_GT(figures.top(), child<QWidget>(&schematic, "gbFilterSection2")->geometry().bottom());
    EXPECT_GE(figures.height(), 4 * 20) << "four lines of text";
    EXPECT_LT(schematic.pictureRect().right(), figures.left());
}

INSTANTIATE_TEST_SUITE_P(SmallAndWideScreens, ScreenFit,
                         ::testing::Combine(::testing::Values(QSize(1024, 768), QSize(1920, 1080)),
                                            ::testing::Range(0,
                                                             static_cast<int>(std::size(kRoads)))),
                         [](const ::testing::TestParamInfo<std::tuple<QSize, int>>& info) {
                             const QSize s = std::get<0>(info.param);
                             return std::string(kRoads[std::get<1>(info.param)].name) + "_" +
                                    std::to_string(s.width()) + "x" + std::to_string(s.height());
                         });

} // namespace
} // namespace loopcraft::test
