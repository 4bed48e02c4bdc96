// Phase-noise analysis timings: 1,000 offsets with every source (reference, detector, divider,
// five filter resistors, two op-amps, oscillator) on an order-5 active loop with a divider, and
// the default loop for comparison. The window recomputes this on every edit.
#include "core/base/ParameterSet.h"
#include "core/noise/PhaseNoiseAnalysis.h"

#include <benchmark/benchmark.h>

namespace {

using namespace loopcraft;

void runAnalysis(benchmark::State& st, const ParameterSet& params) {
    PhaseNoiseSettings settings;
    settings.points = 1000;
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(params, false);
    if (!build.loop) {
        st.SkipWithError(build.error.c_str());
        return;
    }
    for (auto _ : st) {
        PhaseNoiseRun run = analyzePhaseNoise(*build.loop, settings);
        if (!run.result) {
            st.SkipWithError(run.error.c_str());
            break;
        }
        benchmark::DoNotOptimize(run.result->figures.rmsPhaseRad);
    }
}

void BM_PhaseNoiseEverySource1000(benchmark::State& st) {
    ParameterSet params;
    params.selectFlag(FlagId::rbConfigPLLOrder5);
    params.selectFlag(FlagId::rbConfigActiveLL);
    params.selectFlag(FlagId::rbConfigVCOScaler);
    params.setEntry(TextId::ConfigN, "10");
    runAnalysis(st, params);
}
BENCHMARK(BM_PhaseNoiseEverySource1000)->Unit(benchmark::kMicrosecond);

void BM_PhaseNoiseDefaultLoop1000(benchmark::State& st) {
    runAnalysis(st, ParameterSet{});
}
BENCHMARK(BM_PhaseNoiseDefaultLoop1000)->Unit(benchmark::kMicrosecond);

} // namespace
