// Throughput of whole simulation runs as the panel starts them: reference preparation, model
// set-up, the step loop and the recording, for every detector with every filter; the ADPLL's
// event loop; and the noisy reference preparation alone.
#include "core/sim/ReferenceSignal.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"

#include <benchmark/benchmark.h>

namespace loopcraft {
namespace {

// 0.25 s at the default 102 kHz reference: 25500 periods, 102000 mixed-signal steps.
constexpr float kRunSeconds = 0.25f;

void mixedRun(benchmark::State& state, FlagId detector, FlagId filter) {
    ParameterSet p;
    p.selectFlag(detector);
    p.selectFlag(filter);
    p.SimulT = kRunSeconds;
    SimState s;
    std::uint64_t steps = 0;
    for (auto _ : state) {
        s.setParameters(p);
        const SimulationRunResult r = runSimulation(s);
        if (!r.ok())
            state.SkipWithError(r.refusal->text.c_str());
        steps += s.SimulNumSteps;
        benchmark::DoNotOptimize(s.Results.back());
    }
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(steps), benchmark::Counter::kIsRate);
}

#define LOOPCRAFT_RUN(det, lf)                                                                     \
    void BM_Run_##det##_##lf(benchmark::State& state) {                                            \
        mixedRun(state, FlagId::det, FlagId::lf);                                                  \
    }                                                                                              \
    BENCHMARK(BM_Run_##det##_##lf)->Unit(benchmark::kMillisecond);

#define LOOPCRAFT_RUNS(det)                                                                        \
    LOOPCRAFT_RUN(det, rbConfigPassiveLL)                                                          \
    LOOPCRAFT_RUN(det, rbConfigActiveLL)                                                           \
    LOOPCRAFT_RUN(det, rbConfigActivePI)

LOOPCRAFT_RUNS(rbConfigDPLLExor)
LOOPCRAFT_RUNS(rbConfigLPLLMul)
LOOPCRAFT_RUNS(rbConfigDPLLJK)
LOOPCRAFT_RUNS(rbConfigDPLLPFD)
LOOPCRAFT_RUNS(rbConfigDPLLPFD_CP)

void BM_Run_Adpll(benchmark::State& state) {
    ParameterSet p;
    p.selectFlag(FlagId::rbConfigADPLL);
    p.selectFlag(state.range(0) == 0 ? FlagId::rbConfigADPLLExor : FlagId::rbConfigADPLLJK);
    p.SimulT = kRunSeconds;
    SimState s;
    std::uint64_t periods = 0;
    for (auto _ : state) {
        s.setParameters(p);
        const SimulationRunResult r = runSimulation(s);
        if (!r.ok())
            state.SkipWithError(r.refusal->text.c_str());
        periods += s.SimulNumSteps;
        benchmark::DoNotOptimize(s.Results.back());
    }
    state.counters["periods/s"] =
        benchmark::Counter(static_cast<double>(periods), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Run_Adpll)->Arg(0)->Arg(1)->ArgName("jk")->Unit(benchmark::kMillisecond);

// The band-pass filtering dominates: 257 multiply-adds per quarter period.
void BM_ReferenceWithNoise(benchmark::State& state) {
    SimState s;
    s.SimulT = kRunSeconds;
    s.SimulfRef = 102000;
    s.cbSimulAddNoise = true;
    s.selectFlag(state.range(0) == 0 ? FlagId::rbConfigDPLLExor : FlagId::rbConfigADPLL);
    std::uint64_t periods = 0;
    for (auto _ : state) {
        BuildReference(s);
        periods += static_cast<std::uint64_t>(s.NumRefPeriods);
        benchmark::DoNotOptimize(s.RefPeriodRecords.back());
    }
    state.counters["periods/s"] =
        benchmark::Counter(static_cast<double>(periods), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReferenceWithNoise)->Arg(0)->Arg(1)->ArgName("adpll")->Unit(benchmark::kMillisecond);

} // namespace
} // namespace loopcraft
