// The schematic window without its widgets: which drawing, title and rows it shows, the two
// capacitor entries, the value fields and the figures of the rounded parts, and the operations
// behind Show schematic, Calculate and Done. The desktop window copies its entries in before an
// operation and shows the outcome; the command-line tool runs the same operations on the stored
// parameters.
#pragma once

#include "core/base/Message.h"
#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/schematic/ComponentValues.h"
#include "core/schematic/RoundedParts.h"
#include "core/schematic/SchematicLayout.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

// What a value field reads before the first calculation fills it.
inline const std::string kBlankValueText(16, ' ');

// One row of a section as the window shows it and the print-out lists it.
struct SchematicRow {
    int section = 1;
    std::string caption;         // the designator ("C1", "R4")
    std::string key;             // the layout's row ("C1", "R4_1")
    std::optional<TextId> entry; // the capacitor typed in this row (SchemaC1Val, SchemaC4Val)
    std::string value;           // "22 nF" for the entered capacitors, "51.0 kOhm" for the others
    bool operator==(const SchematicRow&) const = default;
};

struct CapacitorChoice {
    std::string text;
    int unit = 0; // index into kCapacitorUnits
};

struct SchematicOutcome {
    bool ok = false;                // the operation ran to its end
    std::optional<Message> message; // why it stopped
};

class SchematicSession {
public:
    explicit SchematicSession(ParameterSet& params);

    // The window was asked to show the designed filter: drawing, title and rows of the stored
    // configuration, the value fields blanked, the capacitor entries from the parameter set, and
    // then Calculate.
    SchematicOutcome ShowSchematic();
    // Reads and checks the capacitor entries (storing each number with its unit), then computes
    // the component values and the figures of the rounded parts. On a refused entry nothing
    // changes but what was read before it.
    SchematicOutcome Calculate();
    // Reads and checks the capacitor entries; ok means C1 goes back to the design.
    SchematicOutcome Done();
    // C1 as Done stored it, for the design: the stored text and the index of its unit.
    CapacitorChoice chosenC1() const;

    CapacitorEntries& entries() { return mEntries; }
    const CapacitorEntries& entries() const { return mEntries; }
    // Show schematic has run at least once.
    bool shown() const { return mShown; }
    const SchematicLayout& layout() const { return mLayout; }
    // The text of a value field (kBlankValueText until a calculation fills it).
    const std::string& valueText(Component c) const;
    const RoundedPartsCheck& check() const { return mCheck; }
    // The visible rows in window order, section 1 before section 2.
    std::vector<SchematicRow> rows() const;

private:
    bool readEntries(const Configuration& config, std::optional<Message>& error);

    ParameterSet& mParams;
    CapacitorEntries mEntries;
    SchematicLayout mLayout;
    std::array<std::string, 11> mValues;
    RoundedPartsCheck mCheck;
    bool mShown = false;
};

} // namespace loopcraft
