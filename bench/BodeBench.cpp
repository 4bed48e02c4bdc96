// The Bode window's computation on the default loop (3 decades at 50 points per decade), and
// what the user waits for after "Plot Bode" or "Redraw" at 100 points per decade over six
// decades: the computation and the repaint of the whole picture into an image.
#include "core/base/ParameterSet.h"
#include "core/bode/FrequencyResponse.h"
#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopModel.h"
#include "render/base/OffscreenGui.h"
#include "render/bode/BodePlotPainter.h"

#include <QImage>
#include <QPainter>
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

// Order 5, active lead-lag with complex section-2 poles (the longest evaluation), 601 points,
// painted at the size of a Bode window on a 1280-pixel screen. Must stay under 10 ms.
void BodeComputeAndPaint601Points(benchmark::State& state) {
    ensureOffscreenGui();
    ParameterSet params;
    params.selectFlag(FlagId::rbConfigPLLOrder5);
    params.selectFlag(FlagId::rbConfigActiveLL);
    const Configuration config = Configuration::fromFlags(params);
    const FilterDesignState design = FilterDesignState::fromParameters(params, config);
    const LoopEvaluator evaluate = [&design, &config](float f) {
        return EvaluateLoop(design, config, f);
    };
    const QSize window(1267, 920);
    BodePlotPainter picture;
    picture.setWindowSize(window);
    FrequencyResponse response;
    picture.setResponse(&response);
    response.accept(10.0F, 1.0e7F, 100);
    QImage image(picture.pictureSize(), QImage::Format_RGB32);
    for (auto _ : state) {
        response.compute(evaluate, BodePlotPainter::frameFor(window));
        QPainter painter(&image);
        picture.paint(painter, image.rect());
    }
    state.counters["points"] = static_cast<double>(response.pointCount);
}
BENCHMARK(BodeComputeAndPaint601Points)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace loopcraft
