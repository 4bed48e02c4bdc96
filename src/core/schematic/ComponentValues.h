// Component values of the loop filter circuit: the designed time constants and the capacitors
// the user picks, turned into resistors and capacitors rounded to the E24 series and written
// with a unit ("51.0 kOhm", "820.0 pF").
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace loopcraft {

// The computed components, in the order of the value fields. The `_1` ones are the extra RC
// stages of section 1 of the passive filters of orders 4 and 5 (labelled R4, C4, R5, C5 there);
// R4, R5, C5 belong to section 2 of the active filters of those orders.
enum class Component { R1, R2, C2, C3, R4_1, C4_1, R5_1, C5_1, R4, R5, C5 };

enum class ComponentKind { Resistor, Capacitor };

inline constexpr const char* kNoComponentValue = "-";

// "R1", "C4_1", ...
const char* componentName(Component c);
ComponentKind componentKind(Component c);

// A value rounded to the E24 series with its unit: "4.7 kOhm", "470.0 Ohm", "33.0 nF",
// "2.2 uF", "100.0 pF". Zero, negative and non-finite values have no such form and read "-".
std::string FormatComponentValue(ComponentKind kind, float value);

// Everything the calculation reads, in ohms, farads, seconds and hertz.
struct ComponentInputs {
    int order = 2;
    LoopFilter filter = LoopFilter::PassiveLL;
    bool chargePump = false;
    PoleKind poleKind = PoleKind::Complex;
    float tau1 = 0, tau2 = 0, tau3 = 0, tau4 = 0, tau5 = 0;
    float Ka = 0;
    float fs = 0;
    float zeta = 0;
    float C1 = 0; // farads
    float C4 = 0; // farads; used only where section 2 exists
};

struct ComponentValue {
    Component component;
    float value; // ohms or farads, before rounding
    std::string text;
};

// Whether this configuration has the second-order section 2 (active filters of orders 4, 5).
bool hasSection2(int order, LoopFilter filter);

// The components this configuration has, computed and formatted, in field order.
std::vector<ComponentValue> CalcComponentValues(const ComponentInputs& in);

// What the schematic window's capacitor entries hold: typed texts and the units selected in the
// two lists (indexes into kCapacitorUnits).
struct CapacitorEntries {
    std::string c1Text;
    int c1Unit = 3;
    std::string c4Text;
    int c4Unit = 3;

    // The entries as the window fills them from the parameter set.
    static CapacitorEntries fromParameters(const ParameterSet& params);
};

// Reads C1, and C4 where section 2 exists, into the parameter set (text and value), stopping at
// the first entry that does not convert. False with the "Format error" message and the
// parameter of that entry then.
bool ReadCapacitorEntries(ParameterSet& params, const Configuration& config,
                          const CapacitorEntries& entries, std::string* message = nullptr,
                          TextId* failedField = nullptr);

// 0 when the stored capacitors are acceptable, 1 for C1 <= 0, 2 for C4 <= 0. C4 counts only
// where section 2 exists: elsewhere it is neither shown nor used.
int ValidateCapacitorEntries(const ParameterSet& params, const Configuration& config);

// The message ("Illegal entry") and the edit that gets the focus for a nonzero code.
Message CapacitorEntryError(int code);

// Everything a calculation reads, from the parameter set, the configuration and the units
// selected in the lists.
ComponentInputs componentInputs(const ParameterSet& params, const Configuration& config, int c1Unit,
                                int c4Unit);

struct ComponentCalculation {
    // Set when the calculation stopped: the title ("Format error" or "Illegal entry"), the
    // message and, for an illegal entry, the edit to focus; or kNonFiniteTitle when a value came
    // out infinite or not-a-number. No values are given then.
    std::optional<Message> error;
    std::vector<ComponentValue> values;
};

// Read, validate, compute: the schematic window's Calculate.
ComponentCalculation CalculateComponentValues(ParameterSet& params, const Configuration& config,
                                              const CapacitorEntries& entries);

} // namespace loopcraft
