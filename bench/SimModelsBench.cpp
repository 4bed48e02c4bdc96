// Throughput of the model chain alone (detector, loop filter, oscillator), steady state, for every
// detector with every filter: the floor under the whole run's speed.
#include "core/sim/SimState.h"
#include "core/sim/models/LF_ActiveLL.h"
#include "core/sim/models/LF_ActivePI.h"
#include "core/sim/models/LF_PassiveLL.h"
#include "core/sim/models/OSC_VCO.h"
#include "core/sim/models/PD_EXOR.h"
#include "core/sim/models/PD_JK.h"
#include "core/sim/models/PD_MUL.h"
#include "core/sim/models/PD_PFD.h"

#include <benchmark/benchmark.h>

namespace loopcraft {
namespace {

constexpr std::uint32_t kPeriods = 4096;

void prepare(SimState& s, FlagId detector, FlagId filter) {
    s.selectFlag(detector);
    s.selectFlag(filter);
    s.SimulnSamp = 4;
    s.SimulfRef = s.Simulf0 + 2000.0f; // a frequency step keeps every edge case busy
    s.UMid = (s.ConfigUSupP + s.ConfigUSupN) * 0.5f;
    RefPeriodRecord rec;
    if (detector != FlagId::rbConfigLPLLMul) {
        rec.EdgeCount = 2;
        rec.EdgeTime = {0.0f, 0.5f, -1.0f, -1.0f};
        rec.QuarterSample = {0.0f, 1.0f, 0.0f, -1.0f};
    }
    // The ideal reference as a noise-free run prepares it: one record for every period.
    s.RefPeriodRecords.assign(1, rec);
    s.RefRecordsShared = true;
    s.Ud = s.Uf = s.UMid;
}

template <class PD, class LF>
void chain(benchmark::State& state, std::unique_ptr<PD> SimState::*pdSlot,
           std::unique_ptr<LF> SimState::*lfSlot, FlagId detector, FlagId filter) {
    SimState s;
    prepare(s, detector, filter);
    PD& pd = s.ensureModel(s.*pdSlot);
    LF& lf = s.ensureModel(s.*lfSlot);
    OSC_VCO& osc = s.ensureModel(s.OscVco);
    std::uint64_t steps = 0;
    for (auto _ : state) {
        pd.Init();
        lf.Init();
        s.Theta2Start = 0.5;
        s.Theta2End = s.Theta2Start + 6.28318 / 4;
        for (std::uint32_t k = 1; k <= kPeriods * 4; ++k) {
            s.StepIndex = k;
            pd.Step();
            lf.Step();
            osc.Step();
        }
        benchmark::DoNotOptimize(s.Uf);
        steps += kPeriods * 4;
    }
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

#define LOOPCRAFT_CHAIN(PD, pdSlot, pdFlag, LF, lfSlot, lfFlag)                                    \
    void BM_Chain_##PD##_##LF(benchmark::State& state) {                                           \
        chain<PD, LF>(state, &SimState::pdSlot, &SimState::lfSlot, FlagId::pdFlag,                 \
                      FlagId::lfFlag);                                                             \
    }                                                                                              \
    BENCHMARK(BM_Chain_##PD##_##LF);

#define LOOPCRAFT_CHAINS(PD, pdSlot, pdFlag)                                                       \
    LOOPCRAFT_CHAIN(PD, pdSlot, pdFlag, LF_PassiveLL, LfPassiveLL, rbConfigPassiveLL)              \
    LOOPCRAFT_CHAIN(PD, pdSlot, pdFlag, LF_ActiveLL, LfActiveLL, rbConfigActiveLL)                 \
    LOOPCRAFT_CHAIN(PD, pdSlot, pdFlag, LF_ActivePI, LfActivePI, rbConfigActivePI)

LOOPCRAFT_CHAINS(PD_EXOR, PdExor, rbConfigDPLLExor)
LOOPCRAFT_CHAINS(PD_MUL, PdMul, rbConfigLPLLMul)
LOOPCRAFT_CHAINS(PD_JK, PdJk, rbConfigDPLLJK)
LOOPCRAFT_CHAINS(PD_PFD, PdPfd, rbConfigDPLLPFD)

// The charge pump differs from the voltage PFD only in the filter's drive.
void BM_Chain_PD_PFD_CP_LF_ActivePI(benchmark::State& state) {
    chain<PD_PFD, LF_ActivePI>(state, &SimState::PdPfd, &SimState::LfActivePI,
                               FlagId::rbConfigDPLLPFD_CP, FlagId::rbConfigActivePI);
}
BENCHMARK(BM_Chain_PD_PFD_CP_LF_ActivePI);

} // namespace
} // namespace loopcraft
