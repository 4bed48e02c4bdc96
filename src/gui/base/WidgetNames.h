// Where the engine's results meet the windows' widgets. The engine names a field by the
// parameter it edits and says which of a window's parts its rules show; the object names of the
// edits, labels and groups that stand for them are written here and nowhere else.
#pragma once

#include "core/base/ParameterSet.h"

#include <QString>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace loopcraft {

struct ConfigVisibility;
struct DesignPanelVisibility;
struct SimulationPanelVisibility;
enum class NoiseField;

struct FieldNames {
    QString edit;  // "EditConfigKd"; empty for a text no window edits
    QString label; // "stConfigKd"
};

// The edit of `id` and its label in the window that owns the parameter. C1 is typed in the
// design window first; the schematic window has an edit of its own for it (see findField).
FieldNames fieldNames(TextId id);

// The edit of `id` inside `window` (for C1: the design window's or the schematic window's,
// whichever `window` holds), or null; `labelName` gets its label's object name.
QWidget* findField(QWidget* window, TextId id, QString* labelName = nullptr);

// The phase-noise window's edits ("EditNoiseFrom").
QString noiseEditName(NoiseField field);

// The simulation panel's noise seed and its button.
inline constexpr const char* kNoiseSeedLabel = "stSimulNoiseSeed";
inline constexpr const char* kNewNoiseButton = "ButtonSimulNewNoise";

// Visible state of every control a window's rules touch, by object name (labels included).
std::vector<std::pair<std::string, bool>> objectVisibility(const ConfigVisibility& v);
std::vector<std::pair<std::string, bool>> objectVisibility(const DesignPanelVisibility& v);
std::vector<std::pair<std::string, bool>> objectVisibility(const SimulationPanelVisibility& v);

} // namespace loopcraft
