// Throughput of whole simulation runs as the panel starts them: reference preparation, model
// set-up, the step loop and the recording, for every detector with every filter; the ADPLL's
// event loop; and the noisy reference preparation alone.
#include "core/design/DesignSession.h"
#include "core/sim/ReferenceSignal.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"

#include <benchmark/benchmark.h>
#include <string>
#include <utility>

namespace loopcraft {
namespace {

// 0.25 s at the default 102 kHz reference: 25500 periods, 102000 mixed-signal steps.
constexpr float kRunSeconds = 0.25f;

// `designed`: the filter designed for the stored f3db first, as a user does before a run. The
// stored time constants alone are no designed loop at orders 3 to 5: some of those never lock,
// and a loop that never locks has pulses all along, which times the detector as much as the
// filter.
void mixedRun(benchmark::State& state, FlagId detector, FlagId filter, FlagId order,
              bool designed) {
    ParameterSet p;
    p.selectFlag(detector);
    p.selectFlag(filter);
    p.selectFlag(order);
    if (designed) {
        DesignSession session(p);
        session.PrepareDesignWindow();
        if (!session.CalcFilterParams().ok) {
            state.SkipWithError("the design failed");
            return;
        }
    }
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

void adpllRun(benchmark::State& state, FlagId detector) {
    ParameterSet p;
    p.selectFlag(FlagId::rbConfigADPLL);
    p.selectFlag(detector);
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
    // The all-digital loop's step is one reference period.
    state.counters["steps/s"] =
        benchmark::Counter(static_cast<double>(periods), benchmark::Counter::kIsRate);
}

// Named "BM_Run/<detector>/<filter>" for the summary table of the benchmark program.
const bool kRunsRegistered = [] {
    const std::pair<const char*, FlagId> detectors[] = {{"Multiplier", FlagId::rbConfigLPLLMul},
                                                        {"EXOR", FlagId::rbConfigDPLLExor},
                                                        {"JK", FlagId::rbConfigDPLLJK},
                                                        {"PFD", FlagId::rbConfigDPLLPFD},
                                                        {"PFD+CP", FlagId::rbConfigDPLLPFD_CP}};
    const std::pair<const char*, FlagId> filters[] = {{"PassiveLL", FlagId::rbConfigPassiveLL},
                                                      {"ActiveLL", FlagId::rbConfigActiveLL},
                                                      {"ActivePI", FlagId::rbConfigActivePI}};
    // Order 2 first; then the same rows at orders 3 to 5, where the whole filter circuit runs
    // (complex section-2 poles, the default); then all of them again with designed filters.
    const std::pair<const char*, FlagId> orders[] = {{"", FlagId::rbConfigPLLOrder2},
                                                     {" o3", FlagId::rbConfigPLLOrder3},
                                                     {" o4", FlagId::rbConfigPLLOrder4},
                                                     {" o5", FlagId::rbConfigPLLOrder5}};
    for (const bool designed : {false, true}) {
        for (const auto& [orderName, order] : orders) {
            for (const auto& [detectorName, detector] : detectors) {
                for (const auto& [filterName, filter] : filters) {
                    const std::string name = std::string("BM_Run/") + detectorName + orderName +
                                             (designed ? " designed/" : "/") + filterName;
                    benchmark::RegisterBenchmark(name.c_str(), mixedRun, detector, filter, order,
                                                 designed)
                        ->Unit(benchmark::kMillisecond);
                }
            }
        }
    }
    const std::pair<const char*, FlagId> adpll[] = {{"ADPLL-EXOR", FlagId::rbConfigADPLLExor},
                                                    {"ADPLL-JK", FlagId::rbConfigADPLLJK}};
    for (const auto& [detectorName, detector] : adpll) {
        const std::string name = std::string("BM_Run/") + detectorName + "/KCounter";
        benchmark::RegisterBenchmark(name.c_str(), adpllRun, detector)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

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
