// Which drawing, title and component rows the schematic window shows for a configuration.
#pragma once

#include "core/config/Configuration.h"

#include <string>
#include <utility>
#include <vector>

namespace loopcraft {

// A row of the component list. Its key is the designator of its part, with "_1" for the extra RC
// stages of the passive filters, which share their designators with section 2 ("R4_1").
struct SchematicLayoutRow {
    int section = 1;
    std::string key;
    bool shown = false;
};

struct SchematicLayout {
    std::string file;  // metafile name ("PassiveLL1_U.wmf"); empty when there is no filter
    std::string title; // written under the drawing

    bool section1 = false; // section 1 with C1 and R2
    bool R1 = false;
    bool C2 = false;
    bool C3 = false;
    bool C4_1 = false; // extra RC stages of the passive filters of orders 4 and 5
    bool R4_1 = false;
    bool C5_1 = false;
    bool R5_1 = false;
    bool section2 = false; // section 2 with C4, C5, R4, R5

    // Every component row in row order, shown or not: section 1's, then section 2's.
    std::vector<SchematicLayoutRow> rows() const;
    bool operator==(const SchematicLayout&) const = default;
};

// Drawing, title and rows for the PLL order, filter and detector of `config`; "No filter" for
// order 1 and for an all-digital loop.
SchematicLayout SchematicLayoutFor(const Configuration& config);

// The drawing of a filter of `filterOrder` (the PLL order minus one): "_I" when the charge
// pump's current drives it, "_U" for a voltage ("PassiveLL1_U.wmf").
std::string schematicFileName(LoopFilter filter, int filterOrder, bool chargePump);

} // namespace loopcraft
