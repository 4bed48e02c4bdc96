// The simulation plot: painting a finished run into an 800 x 600 picture, as the window does at
// every expose. Goals: a run of 10^6 points in under 30 ms; the dense 2040-point run (an EXOR loop
// without "Filter") far faster than stroking every point, which the "full" rows measure in the
// same session, in alternating rounds.
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"
#include "render/app/DrawingSurface.h"
#include "render/sim/SimulationPlotPainter.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <map>
#include <memory>
#include <string>

namespace {

using namespace loopcraft;

// A finished run of the EXOR loop without "Filter": one point per step, a dense zig-zag.
struct DenseRun {
    ParameterSet params;
    SimState state;
    explicit DenseRun(std::size_t points) {
        params.selectFlag(FlagId::rbConfigDPLLExor);
        params.SimulnSamp = 4;
        // The default reference is 102 kHz; four steps a period.
        params.SimulT = static_cast<float>(static_cast<double>(points - 1) / (4 * 102000.0));
        state.setParameters(params);
        state.cbSimulFilter = false;
        const SimulationRunResult r = runSimulation(state);
        state.ResultsValid = r.ok();
    }
};

DenseRun& denseRun(std::size_t points) {
    static std::map<std::size_t, std::unique_ptr<DenseRun>> runs;
    auto& run = runs[points];
    if (!run)
        run = std::make_unique<DenseRun>(points);
    return *run;
}

void paintPlot(benchmark::State& st, std::size_t points, bool reduce) {
    DenseRun& run = denseRun(points);
    if (!run.state.ResultsValid) {
        st.SkipWithError("the run did not finish");
        return;
    }
    const QFont font = fontsFromOptions(run.params).AxisFont;
    SimulationPlotPainter painter(run.state, run.params, font);
    painter.setCurveReduction(reduce);
    QImage image(800, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : st) {
        image.fill(Qt::white);
        QPainter p(&image);
        painter.paint(p, image.rect());
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    st.counters["points"] = static_cast<double>(run.state.Results.size());
}

const bool kRegistered = [] {
    benchmark::RegisterBenchmark("BM_PlotPaint/1000000/reduced", paintPlot, 1000000, true)
        ->Unit(benchmark::kMillisecond);
    // Stroking every point of the dense run is slow: one iteration a round.
    for (int round = 1; round <= 3; ++round) {
        const std::string suffix = "/round:" + std::to_string(round);
        benchmark::RegisterBenchmark(("BM_PlotPaint/2040/full" + suffix).c_str(), paintPlot, 2040,
                                     false)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("BM_PlotPaint/2040/reduced" + suffix).c_str(), paintPlot,
                                     2040, true)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace
