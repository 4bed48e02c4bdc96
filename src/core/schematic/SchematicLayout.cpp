// Drawing, title and rows of the schematic window per configuration.
#include "core/schematic/SchematicLayout.h"

#include <array>

namespace loopcraft {

namespace {

constexpr std::array<const char*, 4> kOrderWords{"First", "Second", "Third", "Fourth"};

const char* filterFileStem(LoopFilter filter) {
    switch (filter) {
    case LoopFilter::ActiveLL:
        return "ActiveLL";
    case LoopFilter::ActivePI:
        return "ActivePI";
    case LoopFilter::PassiveLL:
        break;
    }
    return "PassiveLL";
}

const char* filterTitle(LoopFilter filter) {
    switch (filter) {
    case LoopFilter::ActiveLL:
        return "active lead-lag filter";
    case LoopFilter::ActivePI:
        return "active PI filter";
    case LoopFilter::PassiveLL:
        break;
    }
    return "passive lead-lag filter";
}

} // namespace

SchematicLayout SchematicLayoutFor(const Configuration& config) {
    SchematicLayout layout;
    // An all-digital loop filters with its K counter: there is no circuit to draw.
    if (config.isAdpll() || config.order < 2 || config.order > 5) {
        layout.title = "No filter";
        return layout;
    }
    // The drawing shows the filter, whose order is one below the loop's; "_I" is the filter
    // driven by the charge pump's current, "_U" by a voltage.
    const int filterOrder = config.order - 1;
    layout.file = schematicFileName(config.filter, filterOrder, config.chargePump());
    layout.title = std::string(kOrderWords[static_cast<std::size_t>(filterOrder - 1)]) + "-order " +
                   filterTitle(config.filter);

    layout.section1 = true;
    const bool activeLL = config.filter == LoopFilter::ActiveLL;
    const bool passive = config.filter == LoopFilter::PassiveLL;
    layout.R1 = activeLL || !config.chargePump();
    layout.C2 = activeLL;
    layout.C3 = config.order == 3 || (passive && config.order >= 4) || config.order == 5;
    layout.C4_1 = layout.R4_1 = passive && config.order >= 4;
    layout.C5_1 = layout.R5_1 = passive && config.order == 5;
    layout.section2 = !passive && config.order >= 4;
    return layout;
}

std::string schematicFileName(LoopFilter filter, int filterOrder, bool chargePump) {
    return std::string(filterFileStem(filter)) + std::to_string(filterOrder) +
           (chargePump ? "_I.wmf" : "_U.wmf");
}

std::vector<SchematicLayoutRow> SchematicLayout::rows() const {
    return {
        {1, "C1", section1},           {1, "C2", section1 && C2},     {1, "C3", section1 && C3},
        {1, "C4_1", section1 && C4_1}, {1, "C5_1", section1 && C5_1}, {1, "R1", section1 && R1},
        {1, "R2", section1},           {1, "R4_1", section1 && R4_1}, {1, "R5_1", section1 && R5_1},
        {2, "C4", section2},           {2, "C5", section2},           {2, "R4", section2},
        {2, "R5", section2},
    };
}

} // namespace loopcraft
