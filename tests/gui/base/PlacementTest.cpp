#include "gui/base/Placement.h"

#include "gui/base/WorkingArea.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace loopcraft {
namespace {

TEST(Placement, RoundsEveryCoordinateDownSoNeighboursNeverOverlap) {
    // 0.3 * 333 = 99.9 and 0.7 * 333 = 233.1: both rounded down, the two halves meet.
    EXPECT_EQ(fractionRect(QSize(333, 101), 0.0, 0.5, 0.3, 0.5), QRect(0, 50, 99, 50));
    EXPECT_EQ(fractionRect(QSize(333, 101), 0.3, 0.0, 0.7, 0.99), QRect(99, 0, 233, 99));
    EXPECT_EQ(fractionOf(0.999, 1000), 999);
}

TEST(Placement, PlacesInsideAPartAtItsOffset) {
    // A group box's contents start below its title.
    EXPECT_EQ(fractionRect(QRect(10, 20, 200, 100), 0.5, 0.25, 0.25, 0.5), QRect(110, 45, 50, 50));
}

TEST(Placement, PlacesAWidgetAtFractionsOfItsParentsCurrentSize) {
    QWidget parent;
    parent.resize(400, 300);
    auto* child = new QWidget(&parent);
    placeAt(child, 0.1, 0.2, 0.5, 0.25);
    EXPECT_EQ(child->geometry(), QRect(40, 60, 200, 75));
    parent.resize(800, 600);
    placeAt(child, 0.1, 0.2, 0.5, 0.25);
    EXPECT_EQ(child->geometry(), QRect(80, 120, 400, 150));
}

TEST(Placement, LargeWindowsCoverTheWorkingAreaBelowTheToolBar) {
    // Left at 0.5 % and 99 % wide of the screen, down to 2 pixels above the client bottom.
    EXPECT_EQ(geometryOver({QRect(0, 0, 1280, 1024), 70, 960, 40}), QRect(6, 70, 1267, 918));
    // A screen to the right of another keeps its own left edge.
    EXPECT_EQ(geometryOver({QRect(1920, 0, 1000, 800), 50, 700, 30}), QRect(1925, 50, 990, 668));
    // Never an empty window, however small the main window is.
    EXPECT_EQ(geometryOver({QRect(0, 0, 1000, 800), 50, 10, 30}).height(), 1);
}

TEST(Placement, AFixedWindowKeepsTheWorkingAreasSize) {
    const WorkingArea area{QRect(0, 0, 1280, 1024), 70, 960, 40};
    QWidget fixed;
    QWidget free;
    placeOver(&fixed, area, Resizing::Fixed);
    placeOver(&free, area);
    EXPECT_EQ(fixed.minimumSize(), QSize(1267, 918));
    EXPECT_EQ(fixed.maximumSize(), QSize(1267, 918));
    EXPECT_EQ(free.geometry(), QRect(6, 70, 1267, 918));
    EXPECT_EQ(free.minimumSize(), QSize(0, 0));
}

} // namespace
} // namespace loopcraft
