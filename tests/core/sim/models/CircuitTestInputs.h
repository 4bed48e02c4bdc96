// The part values the circuit tests run their filters with: time constants a few microseconds
// to half a millisecond apart, so every section's modes stand clear of each other.
#pragma once

#include "core/config/Configuration.h"
#include "core/schematic/ComponentValues.h"

namespace loopcraft::testing {

inline ComponentInputs circuitTestInputs(const Configuration& c) {
    ComponentInputs in;
    in.order = c.order;
    in.filter = c.filter;
    in.chargePump = c.chargePump();
    in.poleKind = c.poleKind;
    in.tau1 = 500e-6f;
    in.tau2 = 50e-6f;
    in.tau3 = 12e-6f;
    in.tau4 = 7e-6f;
    in.tau5 = 4e-6f;
    in.Ka = c.filter == LoopFilter::ActiveLL ? 5.0f : 1.0f;
    in.fs = 30000;
    in.zeta = 0.6f;
    in.C1 = 10e-9f;
    in.C4 = 1e-9f;
    return in;
}

} // namespace loopcraft::testing
