// A design state whose values all differ, so that a swapped time constant, gain or pole shows in
// the loop model's results; shared by the loop-model tests.
#pragma once

#include "core/design/FilterDesignState.h"

namespace loopcraft::test {

inline const FilterDesignState kDistinctDesign{.tau1 = 0.0005F,
                                               .tau2 = 0.00005F,
                                               .tau3 = 0.000007F,
                                               .tau4 = 0.000002F,
                                               .tau5 = 0.0000013F,
                                               .Ka = 7.0F,
                                               .Kd = 0.9F,
                                               .Kp = 0.0002F,
                                               .K0 = 150000.0F,
                                               .N = 3,
                                               .fs = 30000.0F,
                                               .zeta2 = 0.6F,
                                               .C1 = 20e-9F};

} // namespace loopcraft::test
