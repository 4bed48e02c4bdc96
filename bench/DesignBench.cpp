// Loop model and filter design timings: one evaluation, one 3-dB search and a whole
// "Calc filter params" on the default loop.
#include "core/base/ParameterSet.h"
#include "core/design/DesignSession.h"
#include "core/design/LoopModel.h"

#include <benchmark/benchmark.h>

namespace {

using namespace loopcraft;

FilterDesignState defaultState(const ParameterSet& params, const Configuration& config) {
    return FilterDesignState::fromParameters(params, config);
}

void BM_EvaluateLoop(benchmark::State& st) {
    const ParameterSet params;
    const Configuration config = Configuration::fromFlags(params);
    const FilterDesignState s = defaultState(params, config);
    float f = 1000.0F;
    for (auto _ : st) {
        benchmark::DoNotOptimize(EvaluateLoop(s, config, f));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EvaluateLoop);

// The longest evaluation: order 5, active lead-lag, complex section 2.
void BM_EvaluateLoopOrder5(benchmark::State& st) {
    ParameterSet params;
    params.selectFlag(FlagId::rbConfigPLLOrder5);
    params.selectFlag(FlagId::rbConfigActiveLL);
    const Configuration config = Configuration::fromFlags(params);
    const FilterDesignState s = defaultState(params, config);
    for (auto _ : st) {
        benchmark::DoNotOptimize(EvaluateLoop(s, config, 1000.0F));
    }
}
BENCHMARK(BM_EvaluateLoopOrder5);

void BM_Find3dBFrequency(benchmark::State& st) {
    const ParameterSet params;
    const Configuration config = Configuration::fromFlags(params);
    const FilterDesignState s = defaultState(params, config);
    for (auto _ : st) {
        benchmark::DoNotOptimize(Find3dBFrequency(s, config));
    }
}
BENCHMARK(BM_Find3dBFrequency)->Unit(benchmark::kMicrosecond);

void BM_CalcFilterParams(benchmark::State& st) {
    ParameterSet params;
    DesignSession session(params);
    session.window().entry(DesignField::LDPLLf3db) = "5000";
    const DesignWindowModel start = session.window();
    for (auto _ : st) {
        session.window() = start;
        benchmark::DoNotOptimize(session.CalcFilterParams());
    }
}
BENCHMARK(BM_CalcFilterParams)->Unit(benchmark::kMicrosecond);

// Every button of the design window on its longest loop: order 5, active lead-lag, complex
// section-2 poles (mixed signal), and the ADPLL's two buttons. Each must answer in under 10 ms.
void BM_DesignButtons(benchmark::State& st) {
    ParameterSet params;
    const bool adpll = st.range(0) >= 3;
    params.selectFlag(adpll ? FlagId::rbConfigADPLL : FlagId::rbConfigPLLOrder5);
    params.selectFlag(FlagId::rbConfigActiveLL);
    DesignSession session(params);
    session.window().entry(DesignField::LDPLLf3db) = "5000";
    const DesignWindowModel start = session.window();
    using Operation = DesignOutcome (DesignSession::*)();
    const Operation operations[] = {
        &DesignSession::CalcFilterParams, &DesignSession::CalcFrequencyParams, &DesignSession::Done,
        &DesignSession::CalcAdpllParams, &DesignSession::CalcAdpllFrequencyParams};
    const Operation operation = operations[st.range(0)];
    for (auto _ : st) {
        session.window() = start;
        benchmark::DoNotOptimize((session.*operation)());
    }
}
BENCHMARK(BM_DesignButtons)->ArgName("button")->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

} // namespace
