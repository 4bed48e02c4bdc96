// The Bode picture drawn into images: grid lines, labels, curves and scaled printing, looked at
// pixel by pixel.
#include "render/bode/BodePlotPainter.h"

#include "core/bode/BodeAxes.h"
#include "render/base/PictureOutput.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace loopcraft {
namespace {

const QColor kGrey(128, 128, 128);
const QSize kWindow(1000, 700);

// A loop whose ends decide the axes: open loop |G|² 5000 at 1 kHz falling to 0.01 at 1 MHz,
// closed loop 1 down to 0.002, phases from -95 to -265 degrees: +40..-30 dB, -90..-270 deg.
LoopResponse shapedLoop(float f) {
    const double t = std::log10(f / 1000.0) / 3.0; // 0 at the first point, 1 at the last
    LoopResponse r;
    r.openLoopMagSq = static_cast<float>(5000.0 * std::pow(0.01 / 5000.0, t));
    r.closedLoopMagSq = static_cast<float>(std::pow(0.002, t));
    r.openLoopPhase = static_cast<float>((-95.0 - 170.0 * t) * M_PI / 180.0);
    r.closedLoopPhase = static_cast<float>((-100.0 - 60.0 * t) * M_PI / 180.0);
    return r;
}

class BodePlotPainterTest : public ::testing::Test {
protected:
    void compute(float fMin, float fMax) {
        response.accept(fMin, fMax, 20);
        ASSERT_TRUE(response.compute(shapedLoop, BodePlotPainter::frameFor(kWindow)));
    }
    QImage draw() {
        picture.setWindowSize(kWindow);
        picture.setResponse(&response);
        QImage image(picture.pictureSize(), QImage::Format_RGB32);
        image.fill(Qt::cyan); // anything the picture leaves unpainted would show
        QPainter painter(&image);
        picture.paint(painter, image.rect());
        return image;
    }
    // Dark pixels (text: the only black of the picture) in a rectangle of the image.
    static int ink(const QImage& image, const QRect& area) {
        int count = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x) {
                const QRgb p = image.valid(x, y) ? image.pixel(x, y) : qRgb(255, 255, 255);
                count += std::max({qRed(p), qGreen(p), qBlue(p)}) < 90 ? 1 : 0;
            }
        return count;
    }
    static int countColour(const QImage& image, const QColor& colour) {
        int count = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                count += image.pixelColor(x, y) == colour ? 1 : 0;
        return count;
    }

    FrequencyResponse response;
    BodePlotPainter picture;
    const PlotFrame frame = BodePlotPainter::frameFor(kWindow);
};

TEST_F(BodePlotPainterTest, GainGridHasEightLinesThickAndLabelledEveryTwentyDb) {
    compute(1000, 1e6);
    ASSERT_EQ(response.dbTop, 40.0F);
    ASSERT_EQ(response.dbBottom, -30.0F);
    const QImage image = draw();
    const BodeAxes axes = MakeBodeAxes(response);
    ASSERT_EQ(axes.gain.size(), 8u);
    const bool major[] = {true, false, true, false, true, false, true, false}; // 40 .. -30
    for (std::size_t i = 0; i < axes.gain.size(); ++i) {
        const int y = axes.gain[i].pos;
        // The lowest line shares its height with the phase axis's top label.
        if (i + 1 < axes.gain.size()) {
            EXPECT_EQ(ink(image, QRect(frame.xLeft - 30, y - 6, 28, 12)) > 0, major[i]) << i;
        }
        if (y <= frame.yTop + 1 || y >= frame.yMid - 1) {
            continue; // under the blue frame
        }
        // Width in the gap after each decade's second line; a curve may cross one of them.
        int width = 0;
        for (int d = 0; d < 3; ++d) {
            const int x = (axes.freq[9 * d + 1].pos + axes.freq[9 * d + 2].pos) / 2;
            int rows = 0;
            for (int dy = -2; dy <= 2; ++dy)
                rows += image.pixelColor(x, y + dy) == kGrey ? 1 : 0;
            width = std::max(width, rows);
        }
        EXPECT_EQ(width, major[i] ? 2 : 1) << "line " << i << " at y " << y;
    }
}

TEST_F(BodePlotPainterTest, PhaseAndDecadeLinesAreGreyAndLabelled) {
    compute(0.01F, 90.0F);
    const QImage image = draw();
    const BodeAxes axes = MakeBodeAxes(response);
    EXPECT_EQ(axes.freq.front().label, "1e-2");
    const int x = (axes.freq[1].pos + axes.freq[2].pos) / 2;
    for (const BodeGridLine& line : axes.phase) {
        if (line.pos > frame.yMid + 1 && line.pos < frame.yBottom - 1) {
            EXPECT_EQ(image.pixelColor(x, line.pos), kGrey) << line.label;
        }
        EXPECT_GT(ink(image, QRect(frame.xLeft - 40, line.pos - 6, 38, 12)), 0) << line.label;
    }
    const int below = frame.yBottom + 3;
    for (std::size_t i = 0; i < axes.freq.size(); ++i) {
        const BodeGridLine& line = axes.freq[i];
        const int y = (frame.yTop + frame.yMid) / 2 + 40;
        if (line.pos > frame.xLeft + 1 && line.pos < frame.xRight - 1) {
            EXPECT_EQ(image.pixelColor(line.pos, y), kGrey) << line.pos;
        }
        // "1e<k>" and "5" under their lines; nothing under 2 and 3 (lines 8 and 9 crowd the
        // next decade's label).
        const int j = static_cast<int>(i % 9) + 1;
        if (!line.label.empty() || j == 2 || j == 3) {
            EXPECT_EQ(ink(image, QRect(line.pos - 3, below, 7, 14)) > 0, !line.label.empty())
                << "line " << j << " of decade " << i / 9;
        }
    }
    EXPECT_GT(ink(image, QRect(frame.xRight - 10, below, 20, 14)), 0) << "stop label";
}

TEST_F(BodePlotPainterTest, EmptyFrameBeforeTheFirstComputationThenRedAndGreenCurves) {
    QImage image = draw();
    EXPECT_EQ(image.pixelColor(frame.xRight - 1, frame.yTop + 100), QColor(0, 0, 255));
    for (int x = frame.xLeft + 2; x < frame.xRight - 2; ++x)
        ASSERT_EQ(image.pixelColor(x, (frame.yMid + frame.yBottom) / 2), QColor(Qt::white)) << x;
    compute(1000, 1e6);
    image = draw();
    EXPECT_GT(countColour(image, QColor(255, 0, 0)), 600);
    EXPECT_GT(countColour(image, QColor(0, 128, 0)), 600);
    EXPECT_EQ(countColour(image, Qt::cyan), 0) << "the whole picture is painted";
}

TEST_F(BodePlotPainterTest, ValuesOffTheAxesOrNotANumberDrawWithoutFailing) {
    response.accept(1000, 1e6, 20);
    ASSERT_TRUE(response.compute(
        [](float f) {
            LoopResponse r = shapedLoop(f);
            r.openLoopMagSq = f > 5e4F ? 0.0F : r.openLoopMagSq; // -inf dB
            r.closedLoopPhase = f > 5e4F ? NAN : r.closedLoopPhase;
            r.closedLoopMagSq = f > 5e5F ? 1e30F : r.closedLoopMagSq;
            return r;
        },
        frame));
    EXPECT_GT(countColour(draw(), QColor(0, 128, 0)), 100);
}

// A page at printer resolution gets the window's picture scaled up: text must grow with the
// lines, not by the device's dots per inch.
TEST_F(BodePlotPainterTest, ScaledOntoAHighResolutionPageTextKeepsItsProportion) {
    compute(1000, 1e6);
    const QImage screen = draw();
    QImage page(picture.pictureSize() * 2, QImage::Format_RGB32);
    page.setDotsPerMeterX(47244); // 1200 dpi
    page.setDotsPerMeterY(47244);
    page.fill(Qt::white);
    {
        QPainter painter(&page);
        paintScaled(painter, picture, picture.pictureSize(), QRectF(page.rect()));
    }
    const double ratio = static_cast<double>(ink(page, page.rect())) / ink(screen, screen.rect());
    EXPECT_GT(ratio, 2.5);
    EXPECT_LT(ratio, 6.0);
}

} // namespace
} // namespace loopcraft

namespace loopcraft {
namespace {

// The open-loop gain starts at 37 dB under "Magnitude [db]" and "Red: open loop", and the
// open-loop phase ends at -265 degrees under "f [Hz]": the captions stay whole above them.
TEST_F(BodePlotPainterTest, CaptionsStayReadableAboveTheCurves) {
    compute(1000, 1e6);
    const QImage image = draw();
    // Where a caption written from its top-left corner lies.
    const auto box = [](const QFont& font, const QString& text, QPoint topLeft) {
        const QFontMetrics metrics(font);
        return QRect(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height()));
    };
    QFont ten(QStringLiteral("Arial"));
    ten.setPointSizeF(10);
    ten = layoutFont(ten);
    QFont eight(QStringLiteral("Arial"));
    eight.setPointSizeF(8);
    eight = layoutFont(eight);
    const int h10 = QFontMetrics(ten).height();
    const QString f = QStringLiteral("f [Hz]");
    const QRect captions[] = {
        box(ten, QStringLiteral("Magnitude [db]"), QPoint(frame.xLeft + 2, frame.yTop + 2)),
        box(ten, QStringLiteral("Red: open loop"), QPoint(frame.xLeft + 2, frame.yTop + 2 + h10)),
        box(eight, f,
            QPoint(frame.xRight - 2 - QFontMetrics(eight).horizontalAdvance(f),
                   frame.yBottom - 2 - QFontMetrics(eight).height())),
    };
    for (const QRect& caption : captions) {
        const QRect inside = caption.adjusted(1, 1, -1, -1);
        int red = 0;
        for (int y = inside.top(); y <= inside.bottom(); ++y)
            for (int x = inside.left(); x <= inside.right(); ++x)
                red += image.pixelColor(x, y).red() > 200 && image.pixelColor(x, y).green() < 100;
        EXPECT_EQ(red, 0) << "curve over the caption at " << caption.x() << "," << caption.y();
        EXPECT_GT(ink(image, inside), 20) << "caption at " << caption.x() << "," << caption.y();
    }
    // ... and the curve does run through those rows, right of the captions.
    const int right = frame.xLeft + 2 + QFontMetrics(ten).horizontalAdvance("Green: closed loop");
    int redBeside = 0;
    for (int y = frame.yTop + 2; y < frame.yTop + 2 + 3 * h10; ++y)
        for (int x = right + 2; x < right + 40; ++x)
            redBeside += image.pixelColor(x, y) == QColor(255, 0, 0);
    EXPECT_GT(redBeside, 0);
}

// An all-digital loop's open-loop phase is -90 degrees at every frequency: the phase axis then
// ends there, and the red curve lies on the frame's bottom edge, drawn over it.
TEST_F(BodePlotPainterTest, CurveOnTheFrameEdgeStaysVisible) {
    response.accept(10, 1e5, 20);
    ASSERT_TRUE(response.compute(
        [](float f) {
            LoopResponse r;
            r.openLoopMagSq = 1e6F / (f * f);
            r.openLoopPhase = static_cast<float>(-M_PI / 2);
            r.closedLoopMagSq = 1.0F / (1.0F + f * f / 1e6F);
            r.closedLoopPhase = -std::atan(f / 1000.0F);
            return r;
        },
        frame));
    ASSERT_EQ(response.phaseBottom, -90.0F);
    const QImage image = draw();
    int red = 0;
    for (int x = frame.xLeft + 100; x < frame.xRight - 100; ++x) {
        bool found = false;
        for (int y = frame.yBottom - 2; y <= frame.yBottom + 1; ++y)
            found = found || image.pixelColor(x, y) == QColor(255, 0, 0);
        red += found ? 1 : 0;
    }
    EXPECT_EQ(red, frame.xRight - frame.xLeft - 200);
}

// The print-out is laid out for its page, not scaled from the window: the same page whatever size
// the window had, with its captions at their point sizes (10-point headings about 13 pixels
// high at the layout's 96 dpi).
TEST_F(BodePlotPainterTest, SheetIsLaidOutForThePageWhateverTheWindow) {
    const QSize landscapeA4(898, 635); // 80 % of an A4 page turned, in layout pixels
    const auto sheetFrom = [&](const QSize& window) {
        FrequencyResponse shown;
        shown.accept(1000, 1e6, 20);
        EXPECT_TRUE(shown.compute(shapedLoop, BodePlotPainter::frameFor(window)));
        BodePlotPainter onScreen;
        onScreen.setWindowSize(window);
        onScreen.setResponse(&shown);
        QImage image(landscapeA4, QImage::Format_RGB32);
        image.fill(Qt::cyan);
        QPainter painter(&image);
        BodeSheetPainter(onScreen).paint(painter, image.rect());
        return image;
    };
    const QImage small = sheetFrom(QSize(1013, 675));
    EXPECT_EQ(small, sheetFrom(QSize(1900, 1000)));
    EXPECT_EQ(countColour(small, Qt::cyan), 0);
    for (const QPoint corner :
         {QPoint(0, 0), QPoint(landscapeA4.width() - 1, 0), QPoint(0, landscapeA4.height() - 1)})
        EXPECT_EQ(small.pixelColor(corner), QColor(Qt::white)) << "no window background";
    EXPECT_GT(countColour(small, QColor(255, 0, 0)), 600);

    const PlotFrame page = BodePlotPainter::frameFor(BodePlotPainter::windowSizeFor(landscapeA4));
    int top = -1;
    int bottom = -1;
    for (int y = page.yTop + 2; y < page.yTop + 22; ++y) {
        if (ink(small, QRect(page.xLeft + 3, y, 90, 1)) > 0) {
            top = top < 0 ? y : top;
            bottom = y;
        }
    }
    EXPECT_GE(bottom - top + 1, 11) << "\"Magnitude [db]\" from row " << top << " to " << bottom;
}

} // namespace
} // namespace loopcraft
