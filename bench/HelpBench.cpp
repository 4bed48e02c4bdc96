// Parsing a help file with many pages: each page is looked up once while parsing, so the time
// must grow with the number of pages, not with its square.
#include "core/base/HelpDocument.h"

#include <benchmark/benchmark.h>
#include <string>

namespace {

void BM_HelpParseTopics(benchmark::State& state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i)
        text += "@topic T" + std::to_string(i) + " | Page " + std::to_string(i) + "\nBody.\n";
    for (auto _ : state)
        benchmark::DoNotOptimize(loopcraft::HelpDocument::parse(text));
    state.SetComplexityN(state.range(0));
}
BENCHMARK(BM_HelpParseTopics)
    ->RangeMultiplier(8)
    ->Range(4096, 262144)
    ->Complexity(benchmark::oN)
    ->Unit(benchmark::kMillisecond);

} // namespace
