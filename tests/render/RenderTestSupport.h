// Shared by the painter tests: a finished short run, and counting colours in pictures.
#pragma once

#include "core/sim/SimulationSession.h"

#include <QColor>
#include <QImage>
#include <QRect>
#include <cstdlib>
#include <gtest/gtest.h>

namespace loopcraft::test {

// A parameter set, its simulation record and a finished run of `seconds`.
struct FinishedRun {
    ParameterSet params;
    SimState state;
    SimulationSession session{params, state};

    explicit FinishedRun(const char* seconds = "0.0005") {
        session.panel().entries.SimulT = seconds;
    }
    void run() { ASSERT_TRUE(session.Run().ok); }
};

// Whether a pixel shows `colour`; edges of text and lines blend with their background a little.
inline bool shows(const QImage& image, int x, int y, const QColor& colour) {
    const QColor c = image.pixelColor(x, y);
    return std::abs(c.red() - colour.red()) <= 48 && std::abs(c.green() - colour.green()) <= 48 &&
           std::abs(c.blue() - colour.blue()) <= 48;
}

// Pixels of `colour` inside `area` of `image`.
inline int countColour(const QImage& image, const QRect& area, const QColor& colour) {
    int n = 0;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += shows(image, x, y, colour) ? 1 : 0;
    return n;
}

// The smallest rectangle holding every pixel of `colour` inside `area`; empty when none.
inline QRect boundsOf(const QImage& image, const QRect& area, const QColor& colour) {
    QRect bounds;
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            if (shows(image, x, y, colour))
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

} // namespace loopcraft::test
