// The part values the circuit tests run their filters with: time constants a few microseconds
// to half a millisecond apart, so every section's modes stand clear of each other.
#pragma once

#include "core/config/Configuration.h"
#include "core/schematic/ComponentValues.h"

#include <initializer_list>
#include <vector>

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

// Every filter at orders 2..5 with both kinds of section-2 poles, for each of `detectors`.
inline std::vector<Configuration> circuitConfigurations(std::initializer_list<Detector> detectors) {
    std::vector<Configuration> all;
    for (const Detector detector : detectors)
        for (const LoopFilter filter :
             {LoopFilter::PassiveLL, LoopFilter::ActiveLL, LoopFilter::ActivePI})
            for (int order = 2; order <= 5; ++order)
                for (const PoleKind poles : {PoleKind::Real, PoleKind::Complex}) {
                    Configuration c;
                    c.order = order;
                    c.filter = filter;
                    c.detector = detector;
                    c.poleKind = poles;
                    all.push_back(c);
                }
    return all;
}

} // namespace loopcraft::testing
