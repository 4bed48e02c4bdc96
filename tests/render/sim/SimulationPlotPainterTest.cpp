#include "render/sim/SimulationPlotPainter.h"

#include "render/base/DrawingSurface.h"
#include "tests/render/RenderTestSupport.h"

#include <QPainter>
#include <cmath>

namespace loopcraft::test {
namespace {

class PlotPicture : public ::testing::Test {
protected:
    // Draws the run into an 800 x 600 picture; returns the frame the painter used.
    QRect draw(const SimState& state, const ParameterSet& options) {
        image = QImage(800, 600, QImage::Format_RGB32);
        image.fill(Qt::white);
        const QFont font = fontsFromOptions(options).AxisFont;
        const SimulationPlotPainter painter(state, options, font);
        QPainter p(&image);
        // Text in its pure colour, so that it can be told from the background.
        p.setRenderHint(QPainter::TextAntialiasing, false);
        painter.paint(p, image.rect());
        return painter.frameIn(image.rect());
    }
    QColor colour(std::uint32_t bgr) const { return colorFromBgr(bgr); }

    // The run drawn at `scale` device pixels per layout pixel (a print), curves thinned or with
    // every point stroked.
    static QImage picture(const SimState& state, const ParameterSet& options, bool thinned,
                          int scale = 1, const QSize& size = QSize(800, 600)) {
        QImage shot(size * scale, QImage::Format_RGB32);
        shot.fill(Qt::white);
        const QFont font = fontsFromOptions(options).AxisFont;
        SimulationPlotPainter painter(state, options, font);
        painter.setCurveReduction(thinned);
        QPainter p(&shot);
        p.scale(scale, scale);
        painter.paint(p, QRect(QPoint(0, 0), size));
        return shot;
    }

    QImage image;
};

TEST_F(PlotPicture, CurvesLabelsAndTitlesInTheirPlacesAndColours) {
    FinishedRun r;
    r.run();
    const ParameterSet& o = r.params;
    const QRect frame = draw(r.state, o);
    const QRect above(frame.left(), 0, frame.width(), frame.top());
    const QRect below(frame.left(), frame.bottom() + 1, frame.width(), 600 - frame.bottom());

    EXPECT_GT(countColour(image, frame, colour(o.ColorCurve1)), 200);
    EXPECT_GT(countColour(image, frame, colour(o.ColorCurve2)), 200);
    // Tick labels inside the frame; the curve titles above it in their curve's colour, the
    // curve-1 title at the left and the curve-2 title at the right; the time title below it
    // at the right.
    EXPECT_GT(countColour(image, frame, colour(o.ColorAxisTickLabels)), 50);
    const QRect title1 = boundsOf(image, above, colour(o.ColorCurve1));
    const QRect title2 = boundsOf(image, above, colour(o.ColorCurve2));
    ASSERT_FALSE(title1.isEmpty() || title2.isEmpty());
    EXPECT_LT(title1.right(), frame.center().x());
    EXPECT_GT(title2.left(), frame.center().x());
    EXPECT_LE(title2.right(), frame.right() - 2);
    const QRect timeTitle = boundsOf(image, below, colour(o.ColorAxisTickLabels));
    ASSERT_FALSE(timeTitle.isEmpty());
    EXPECT_GT(timeTitle.left(), frame.center().x());

    // The grid is a solid line: along a horizontal grid line nearly every pixel has its colour.
    DISPLAY plot(MakePlotSetup(r.state, {frame.left(), frame.top(), frame.left() + frame.width(),
                                         frame.top() + frame.height()}));
    plot.ScaleValueAxes();
    plot.ScaleTimeAxis(0);
    const IndexRange rows = plot.value1GridIndices();
    ASSERT_FALSE(rows.empty());
    const int y = static_cast<int>(std::lround(plot.mapY1(rows.first * plot.Y1Tick)));
    int best = 0;
    for (int dy = -1; dy <= 1; ++dy)
        best = std::max(best, countColour(image, QRect(frame.left(), y + dy, frame.width(), 1),
                                          colour(o.ColorGrid)));
    EXPECT_GT(best, frame.width() * 3 / 4);
}

TEST_F(PlotPicture, CurveOnTheFrameEdgeStaysVisibleWithoutABorder) {
    // A locked ADPLL: the frequency deviation is 0 throughout and lies on the frame's bottom.
    ParameterSet options;
    SimState state;
    state.selectFlag(FlagId::rbConfigADPLL);
    state.SimulfRef = state.Simulf0 = 100000;
    state.SimulnSamp = 1;
    state.SimulNumSteps = 100;
    for (int i = 0; i <= 100; ++i)
        state.Results.push_back({45.0f, 0.0f});
    state.Curve1Min = state.Curve1Max = 45;
    const QRect frame = draw(state, options);
    const QRect bottomRows(frame.left(), frame.bottom() - 1, frame.width(), 3);
    EXPECT_GT(countColour(image, bottomRows, colour(options.ColorCurve2)), frame.width() / 2);
    EXPECT_EQ(countColour(image, image.rect(), Qt::black), 0) << "no border over the curve";
}

// Thinning the curves per device column leaves a sparse run's picture exactly as it was, on the
// screen and at a printer's finer columns.
TEST_F(PlotPicture, SparseRunIsDrawnPixelForPixelAsBefore) {
    for (const char* seconds : {"0.0005", "0.0098"}) {
        FinishedRun r(seconds);
        r.run();
        ASSERT_LE(r.state.Results.size(), 1600u) << "at most two points a column";
        for (const int scale : {1, 3}) {
            const QImage thinned = picture(r.state, r.params, true, scale);
            EXPECT_TRUE(thinned == picture(r.state, r.params, false, scale))
                << seconds << " s at scale " << scale;
        }
    }
}

// A dense run (an EXOR loop without "Filter": a zig-zag of several points a column) keeps its
// look: in every column the curve covers the rows it covers with every point stroked, give or
// take the antialiased edge and a pen's half width sideways. (A small picture: stroking every
// point of such a line is what takes Qt's stroker seconds.)
TEST_F(PlotPicture, DenseRunThinnedCoversTheSameRowsInEveryColumn) {
    FinishedRun r("0.00125");
    r.params.selectFlag(FlagId::rbConfigDPLLExor);
    r.session.panel().filter = false;
    r.run();
    ASSERT_GT(r.state.Results.size(), 500u);
    const QSize size(200, 150);
    const QImage thinned = picture(r.state, r.params, true, 1, size);
    const QImage full = picture(r.state, r.params, false, 1, size);
    const QRect frame = SimulationPlotPainter(r.state, r.params, QFont()).frameIn(thinned.rect());
    for (const std::uint32_t bgr : {r.params.ColorCurve1, r.params.ColorCurve2}) {
        auto rows = [&](const QImage& shot, int x) {
            return boundsOf(shot, QRect(x, frame.top(), 1, frame.height()), colour(bgr));
        };
        int columns = 0;
        int differing = 0;
        for (int x = frame.left() + 2; x < frame.right() - 1; ++x) {
            const QRect a = rows(thinned, x);
            if (rows(full, x).isEmpty())
                continue;
            ++columns;
            ASSERT_FALSE(a.isEmpty()) << "column " << x;
            bool topMatches = false;
            bool bottomMatches = false;
            for (int dx = -1; dx <= 1; ++dx) {
                const QRect b = rows(full, x + dx);
                topMatches = topMatches || std::abs(a.top() - b.top()) <= 1;
                bottomMatches = bottomMatches || std::abs(a.bottom() - b.bottom()) <= 1;
            }
            differing += topMatches && bottomMatches ? 0 : 1;
        }
        EXPECT_GT(columns, frame.width() / 2);
        EXPECT_LE(differing, columns / 50) << "of " << columns << " columns";
    }
}

// A run of hundreds of points a column is read block by block where a block falls inside one
// column; the picture is the one of reading every point.
TEST_F(PlotPicture, BlockByBlockGivesThePictureOfEveryPoint) {
    FinishedRun r("0.245");
    r.params.selectFlag(FlagId::rbConfigDPLLExor);
    r.session.panel().filter = false;
    r.run();
    ASSERT_GT(r.state.Results.size(), 99000u);
    ASSERT_TRUE(r.session.blocks().describe(r.state.Results));
    const QFont font = fontsFromOptions(r.params).AxisFont;
    for (const int scale : {1, 2}) {
        const QSize size(200, 150);
        QImage shots[2];
        for (const bool blocks : {false, true}) {
            QImage& shot = shots[blocks ? 1 : 0];
            shot = QImage(size * scale, QImage::Format_RGB32);
            shot.fill(Qt::white);
            SimulationPlotPainter painter(r.state, r.params, font);
            painter.setBlocks(blocks ? &r.session.blocks() : nullptr);
            QPainter p(&shot);
            p.scale(scale, scale);
            painter.paint(p, QRect(QPoint(0, 0), size));
        }
        EXPECT_TRUE(shots[0] == shots[1]) << "scale " << scale;
    }
}

TEST_F(PlotPicture, WithoutResultsOnlyTheEmptyFrame) {
    ParameterSet options;
    SimState state;
    const QRect frame = draw(state, options);
    EXPECT_EQ(countColour(image, frame, colour(options.ColorFrameBackground)),
              frame.width() * frame.height());
    EXPECT_EQ(countColour(image, image.rect(), Qt::white),
              800 * 600 - frame.width() * frame.height());
}

} // namespace
} // namespace loopcraft::test
