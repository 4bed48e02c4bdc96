// Which drawing, title and component rows the schematic window shows for a configuration.
#pragma once

#include "core/config/Configuration.h"

#include <string>
#include <utility>
#include <vector>

namespace loopcraft {

struct SchematicLayout {
    std::string file;  // metafile name ("PassiveLL1_U.wmf"); empty when there is no filter
    std::string title; // written under the drawing

    bool section1 = false; // gbFilterSection1 with C1 and R2
    bool R1 = false;
    bool C2 = false;
    bool C3 = false;
    bool C4_1 = false; // extra RC stages of the passive filters of orders 4 and 5
    bool R4_1 = false;
    bool C5_1 = false;
    bool R5_1 = false;
    bool section2 = false; // gbFilterSection2 with C4, C5, R4, R5

    // Visibility of every row label ("stSchemaR1") and group box, by object name, in row order.
    // A row's value field, edit and unit list follow its label.
    std::vector<std::pair<std::string, bool>> byObjectName() const;
    bool operator==(const SchematicLayout&) const = default;
};

// Drawing, title and rows for the PLL order, filter and detector of `config`; "No filter" for
// order 1 and for an all-digital loop.
SchematicLayout SchematicLayoutFor(const Configuration& config);

// The drawing of a filter of `filterOrder` (the PLL order minus one): "_I" when the charge
// pump's current drives it, "_U" for a voltage ("PassiveLL1_U.wmf").
std::string schematicFileName(LoopFilter filter, int filterOrder, bool chargePump);

} // namespace loopcraft
