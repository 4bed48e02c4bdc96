// What a session shows and hides, by the object names of the controls, applied to a window.
// The sessions decide; every window shows the outcome the same way.
#pragma once

#include <QStringList>
#include <functional>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace loopcraft {

using VisibilityList = std::vector<std::pair<std::string, bool>>;
// The controls that are shown and hidden together with a named one (an edit's label, a row's
// value field or unit list).
using CompanionNames = std::function<QStringList(const QString& name)>;

// Shows or hides each named control among `window`'s descendants, and its companions with it.
// A name the window has no control for is passed over: a session also names controls that only
// some windows over it have.
void applyVisibility(QWidget* window, const VisibilityList& visibility,
                     const CompanionNames& companionsOf = {});

} // namespace loopcraft
