// Selects the stored flags of a mixed-signal configuration, as the configuration dialog and the
// design window store them; shared by the tests that start from a configuration.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"

namespace loopcraft::test {

inline void selectMixedSignal(ParameterSet& p, int order, LoopFilter filter, bool chargePump,
                              PoleKind poles = PoleKind::Complex) {
    constexpr FlagId orders[] = {FlagId::rbConfigPLLOrder1, FlagId::rbConfigPLLOrder2,
                                 FlagId::rbConfigPLLOrder3, FlagId::rbConfigPLLOrder4,
                                 FlagId::rbConfigPLLOrder5};
    constexpr FlagId filters[] = {FlagId::rbConfigPassiveLL, FlagId::rbConfigActiveLL,
                                  FlagId::rbConfigActivePI};
    p.selectFlag(orders[order - 1]);
    p.selectFlag(filters[static_cast<int>(filter)]);
    p.selectFlag(chargePump ? FlagId::rbConfigDPLLPFD_CP : FlagId::rbConfigDPLLExor);
    p.selectFlag(poles == PoleKind::Real ? FlagId::rbFiltDesignRealPoles
                                         : FlagId::rbFiltDesignComplexPoles);
}

} // namespace loopcraft::test
