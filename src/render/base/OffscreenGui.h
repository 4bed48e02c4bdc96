// Text needs a QGuiApplication (its font database) before anything can be painted. The
// command-line tool and the benchmarks have none; they paint offscreen, with no display.
#pragma once

namespace loopcraft {

// Creates a QGuiApplication on the offscreen platform unless an application exists already. It
// lives until the process ends. The numeric locale stays "C", as files and output expect.
void ensureOffscreenGui();

} // namespace loopcraft
