// The phase-noise picture drawn into images: every source's colour shows where its curve runs,
// the band is shaded, and an empty picture never fails.
#include "render/noise/PhaseNoisePlotPainter.h"

#include "core/noise/NoisePlotAxes.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace loopcraft::test {
namespace {

PhaseNoiseResult defaultResult() {
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(ParameterSet{}, false);
    EXPECT_TRUE(build.loop) << build.error;
    PhaseNoiseRun run = analyzePhaseNoise(*build.loop, PhaseNoiseSettings{});
    EXPECT_TRUE(run.result) << run.error;
    return *run.result;
}

QImage draw(const PhaseNoisePlotPainter& picture, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::gray);
    QPainter p(&image);
    picture.paint(p, QRect(QPoint(0, 0), size));
    return image;
}

int pixelsOf(const QImage& image, const QColor& colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) == colour)
                ++n;
    return n;
}

TEST(PhaseNoisePlotPainter, EverySourceAndTheBandAreVisible) {
    const PhaseNoiseResult r = defaultResult();
    PhaseNoisePlotPainter picture;
    picture.setResult(&r);
    const QImage image = draw(picture, {900, 640});
    for (const NoiseContribution& c : r.contributions) {
        if (c.source == NoiseSource::Resistor)
            continue; // dotted and thin: few pixels of the exact colour
        EXPECT_GT(pixelsOf(image, PhaseNoisePlotPainter::colourOf(c)), 40) << c.name;
    }
    EXPECT_GT(pixelsOf(image, Qt::black), 1000); // the bold total, frame and texts
    // The band's shade lies right of the 10 Hz line and stops before 50 kHz.
    const NoisePlotAxes axes = makeNoisePlotAxes(r);
    EXPECT_EQ(axes.fMin, 1.0);
    EXPECT_EQ(axes.fMax, 1e5);
    const QColor inBand = image.pixelColor(450, 560);
    const QColor outside = image.pixelColor(70, 560);
    EXPECT_NE(inBand, outside);
    EXPECT_EQ(outside, QColor(Qt::white));
}

TEST(PhaseNoisePlotPainter, EmptyPictureShowsItsMessageAndTinyTargetsDoNotFail) {
    PhaseNoisePlotPainter picture;
    picture.setMessage(QStringLiteral("the reference table has no points"));
    const QImage image = draw(picture, {600, 400});
    EXPECT_GT(pixelsOf(image, Qt::black), 200);
    const PhaseNoiseResult r = defaultResult();
    picture.setResult(&r);
    draw(picture, {3, 2});
    draw(picture, {1, 1});
}

} // namespace
} // namespace loopcraft::test
