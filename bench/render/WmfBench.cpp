// Schematic drawings: reading a metafile from disk and drawing it into an 800 x 600 image, the
// work the schematic window does when it shows a configuration (goal: under 5 ms each).
#include "core/schematic/FilterCircuit.h"
#include "render/wmf/WmfPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <string>

namespace {

using namespace loopcraft;

void loadAndDraw(benchmark::State& st, const QString& path) {
    QImage image(800, 600, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : st) {
        const auto picture = WmfPicture::fromFile(path);
        if (!picture) {
            st.SkipWithError("the drawing does not load");
            return;
        }
        image.fill(Qt::white);
        QPainter painter(&image);
        picture->paint(painter, QRectF(0, 0, 800, 600));
        painter.end();
        benchmark::DoNotOptimize(image.constBits());
    }
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    for (const auto& circuit : allFilterCircuits()) {
        const QString path =
            QStringLiteral(LOOPCRAFT_DATA_DIR "/") + QString::fromStdString(circuit.file);
        benchmark::RegisterBenchmark(("BM_WmfLoadAndDraw/" + circuit.file).c_str(), loadAndDraw,
                                     path)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
