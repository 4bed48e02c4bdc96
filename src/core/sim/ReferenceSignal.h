// Preparation of a run's reference signal, period by period: the ideal square-wave edges, or a
// sine buried in band-limited noise whose zero crossings are found by 8-fold band-limited
// interpolation; for the all-digital loop, the continuous list of reference edge times.
#pragma once

#include "core/sim/SimState.h"

#include <cstddef>
#include <cstdint>

namespace loopcraft {

// The noise source: a 32-bit linear congruential generator returning 0..32767. Its state
// belongs to the caller (SimState::RandState, set from the noise seed at every noisy run).
inline int NextRandom(std::uint32_t& state) {
    state = state * 22695477u + 1u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

// Number of reference periods of a run: floor(SimulT * SimulfRef), at least 1.
std::int32_t ReferencePeriodCount(float SimulT, float SimulfRef);

// Fills NumRefPeriods, the noise arrays and RefPeriodRecords from SimulT, SimulfRef, SimulSNR,
// SimulNoiseBW, cbSimulAddNoise, sidecar.NoiseSeed and the category/detector flags; ends with
// BuildADPLLEdges for the all-digital loop. Without noise RefPeriodRecords holds one record shared
// by every period (RefRecordsShared). The run size must have been checked before (see
// EstimateRunSize).
void BuildReference(SimState& s);

// Fills RefEdgeList, U1Bit, TRefEdge and RefEdgeIndex and sets SimulNumSteps = NumRefPeriods.
// The list ends with an entry at or beyond the end of the run.
void BuildADPLLEdges(SimState& s);

// Entries BuildADPLLEdges reserves for RefEdgeList: exactly the ideal grid without noise, the
// most a noisy reference can give with it.
std::size_t RefEdgeListCapacity(std::int32_t periods, bool noise);

// The entry after RefEdgeList[index], extending the list on the half-period grid when a run
// reaches past its end.
double NextRefEdge(SimState& s, std::int32_t index);

} // namespace loopcraft
