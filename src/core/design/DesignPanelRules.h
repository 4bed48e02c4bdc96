// What the design window shows for a configuration, and the two texts that describe the
// configuration at its top. Pure functions; the window applies the result.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"

#include <string>
#include <utility>
#include <vector>

namespace loopcraft {

// Each entry flag covers the edit and its "st" label; C1 also covers the unit list.
struct DesignPanelVisibility {
    bool Panel2 = true;  // mixed-signal panel
    bool Panel3 = false; // ADPLL panel
    bool GroupBox2 = true;
    bool ButtonFiltDesignCalcFilterParams = true;
    bool ButtonFiltDesignCalcADPLLParams = true;
    bool GroupBox4 = false;   // section 2
    bool RadioGroup1 = false; // with both pole-kind radio buttons
    bool Ka = false;
    bool Tau1 = true;
    bool Tau3 = false;
    bool Tau4 = false;
    bool Tau5 = false;
    bool fs = false;
    bool zeta = false;
    bool C1 = false;
    bool damping = true; // StaticText5 and StaticText6

    bool operator==(const DesignPanelVisibility&) const = default;
};

// The rules for the configuration and the section-2 choice currently shown.
DesignPanelVisibility ApplyDesignPanelRules(const Configuration& config, PoleKind selected);

struct ConfigurationMemos {
    std::string memo1;
    std::string memo2;
};

// The configuration description of the design window's Memo1 and Memo2.
ConfigurationMemos DescribeConfiguration(const ParameterSet& params, const Configuration& config);

} // namespace loopcraft
