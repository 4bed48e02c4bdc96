// The designed loop's response beside a run: the model's curve for a 0.1 s run at 4 samples per
// reference period with the lock figures of model and run, as a run's end computes them with
// "Model" on. Target: under 5 ms. The run itself is timed alongside as the yardstick.
#include "core/sim/ModelResponse.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"

#include <benchmark/benchmark.h>

namespace loopcraft {
namespace {

void prepare(SimState& s) {
    ParameterSet p; // EXOR, passive lead-lag, order 2; f-step at 102 kHz
    p.SimulT = 0.1f;
    p.SimulnSamp = 4;
    s.setParameters(p);
    s.cbSimulFilter = false; // every step recorded: the longest model curve
    runSimulation(s);
}

void BM_ModelResponse(benchmark::State& state) {
    SimState s;
    prepare(s);
    const double tolerance = LockTolerance(s, 0);
    for (auto _ : state) {
        auto model = ModelStepResponse(s, tolerance, true);
        auto run = RunLockFigures(s, tolerance);
        benchmark::DoNotOptimize(model);
        benchmark::DoNotOptimize(run);
    }
    state.counters["points"] = static_cast<double>(s.Results.size());
}
BENCHMARK(BM_ModelResponse)->Unit(benchmark::kMillisecond);

// The same run's simulation, for the ratio.
void BM_ModelResponseRunYardstick(benchmark::State& state) {
    SimState s;
    for (auto _ : state) {
        prepare(s);
        benchmark::DoNotOptimize(s.Results.back());
    }
}
BENCHMARK(BM_ModelResponseRunYardstick)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace loopcraft
