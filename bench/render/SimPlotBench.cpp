// The simulation plot: painting a finished run into an 800 x 600 picture, as the window does at
// every expose. Goals: a run of 10^6 points in under 30 ms (and 10^7 not much slower, read block
// by block); the dense 2040-point run (an EXOR loop
// without "Filter") far faster than stroking every point, which the "full" rows measure in the
// same session, in alternating rounds.
#include "core/sim/CurveBlocks.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"
#include "render/base/DrawingSurface.h"
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
        blocks = CurveBlocks(state.Results);
    }
    CurveBlocks blocks;
};

DenseRun& denseRun(std::size_t points) {
    static std::map<std::size_t, std::unique_ptr<DenseRun>> runs;
    auto& run = runs[points];
    if (!run)
        run = std::make_unique<DenseRun>(points);
    return *run;
}

void paintPlot(benchmark::State& st, std::size_t points, bool reduce, bool useBlocks) {
    DenseRun& run = denseRun(points);
    if (!run.state.ResultsValid) {
        st.SkipWithError("the run did not finish");
        return;
    }
    const QFont font = fontsFromOptions(run.params).AxisFont;
    SimulationPlotPainter painter(run.state, run.params, font);
    painter.setCurveReduction(reduce);
    if (useBlocks)
        painter.setBlocks(&run.blocks);
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
    // Point by point, and block by block as the window and the command line paint a run.
    for (const std::size_t points : {1000000, 10000000}) {
        const std::string name = "BM_PlotPaint/" + std::to_string(points);
        benchmark::RegisterBenchmark((name + "/reduced").c_str(), paintPlot, points, true, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((name + "/blocks").c_str(), paintPlot, points, true, true)
            ->Unit(benchmark::kMillisecond);
    }
    // Stroking every point of the dense run is slow: one iteration a round.
    for (int round = 1; round <= 3; ++round) {
        const std::string suffix = "/round:" + std::to_string(round);
        benchmark::RegisterBenchmark(("BM_PlotPaint/2040/full" + suffix).c_str(), paintPlot, 2040,
                                     false, false)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1);
        benchmark::RegisterBenchmark(("BM_PlotPaint/2040/reduced" + suffix).c_str(), paintPlot,
                                     2040, true, true)
            ->Unit(benchmark::kMillisecond);
    }
    return true;
}();

} // namespace
