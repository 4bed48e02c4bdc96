// The Bode window's computation on the default loop: 3 decades at 50 points per decade, 151
// evaluations plus the two end points, ranges and mapping factors.
#include "core/app/ParameterSet.h"
#include "core/bode/FrequencyResponse.h"
#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopModel.h"

#include <benchmark/benchmark.h>

namespace loopcraft {
namespace {

void BodeResponse151Points(benchmark::State& state) {
    ParameterSet params;
    const Configuration config = Configuration::fromFlags(params);
    const FilterDesignState design = FilterDesignState::fromParameters(params, config);
    const LoopEvaluator evaluate = [&design, &config](float f) {
        return EvaluateLoop(design, config, f);
    };
    const PlotFrame frame = PlotFrame::fromEdges(50, 750, 30, 450);
    FrequencyResponse response;
    response.accept(params.BodefMin, params.BodefMax, params.BodeNumPoints);
    for (auto _ : state) {
        response.compute(evaluate, frame);
        benchmark::DoNotOptimize(response.closedPhaseDeg.data());
    }
    state.counters["points"] = static_cast<double>(response.pointCount);
}
BENCHMARK(BodeResponse151Points)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace loopcraft
