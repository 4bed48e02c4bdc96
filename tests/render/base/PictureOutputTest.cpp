#include "render/base/PictureOutput.h"

#include "render/base/DrawingSurface.h"
#include "render/sim/ProtocolPagePainter.h"
#include "render/sim/SimulationPlotPainter.h"
#include "tests/render/RenderTestSupport.h"

#include <QFile>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace loopcraft::test {
namespace {

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Pages of a PDF, and the size of its first page in whole points.
int pageCount(const QByteArray& pdf) {
    static const QRegularExpression page(QStringLiteral("/Type\\s*/Page\\b(?!s)"));
    return static_cast<int>(QString::fromLatin1(pdf).count(page));
}
QSize pageSize(const QByteArray& pdf) {
    static const QRegularExpression box(
        QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)\\s*\\]"));
    const QRegularExpressionMatch m = box.match(QString::fromLatin1(pdf));
    return {qRound(m.captured(1).toDouble()), qRound(m.captured(2).toDouble())};
}

class PictureOutputTest : public ::testing::Test {
protected:
    void SetUp() override { run.run(); }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    QTemporaryDir dir;
    FinishedRun run;
    DisplayFonts fonts = fontsFromOptions(run.params);
    SimulationPlotPainter plot{run.state, run.params, fonts.AxisFont};
};

TEST_F(PictureOutputTest, EachFormatHoldsThePlotAtItsSize) {
    QString error;
    ASSERT_TRUE(exportPicture(plot, QSize(800, 600), file("plot.png"), error))
        << error.toStdString();
    ASSERT_TRUE(exportPicture(plot, QSize(800, 600), file("plot.svg"), error));
    ASSERT_TRUE(exportPicture(plot, QSize(800, 600), file("plot.pdf"), error));

    const QImage png(file("plot.png"));
    EXPECT_EQ(png.size(), QSize(800, 600));
    EXPECT_GT(countColour(png, png.rect(), colorFromBgr(run.params.ColorCurve1)), 200);

    const QByteArray svg = readAll(file("plot.svg"));
    EXPECT_TRUE(svg.contains("viewBox=\"0 0 800 600\""));
    EXPECT_GE(svg.count("<path"), 2) << "the curves are vector paths";
    EXPECT_GT(svg.count("<polyline"), 5) << "so is the grid";
    EXPECT_TRUE(svg.contains(">Uf [mV]</text>"));

    const QByteArray pdf = readAll(file("plot.pdf"));
    EXPECT_TRUE(pdf.startsWith("%PDF-"));
    EXPECT_EQ(pageCount(pdf), 1);
    EXPECT_EQ(pageSize(pdf), QSize(600, 450)) << "800 x 600 pixels at 96 dpi";
}

TEST_F(PictureOutputTest, WrongNamesAndSizesAreRefused) {
    QString error;
    EXPECT_FALSE(exportPicture(plot, QSize(800, 600), file("plot.bmp"), error));
    EXPECT_TRUE(error.contains(QStringLiteral(".png, .svg or .pdf")));
    EXPECT_FALSE(exportPicture(plot, QSize(0, 600), file("plot.png"), error));
    EXPECT_FALSE(exportPicture(plot, QSize(800, 600), file("no/such/dir/plot.png"), error));
}

TEST_F(PictureOutputTest, ProtocolPageIsOneA4PageWithSmallLabelsOverItsLines) {
    const std::vector<std::string> lines = run.session.ProtocolLines({1, 2, 2025, 3, 4});
    const ProtocolPagePainter page(plot, 600, fonts.PrinterFont, Qt::black, lines);
    QString error;
    ASSERT_TRUE(exportPage(page, file("protocol.pdf"), error)) << error.toStdString();
    const QByteArray pdf = readAll(file("protocol.pdf"));
    EXPECT_EQ(pageCount(pdf), 1);
    EXPECT_EQ(pageSize(pdf), QSize(595, 842)) << "A4 portrait";

    // The page as a 1200 dpi printer gets it: fonts given in points must not grow with the
    // device's resolution.
    QImage paper(1000, 1414, QImage::Format_RGB32);
    paper.setDotsPerMeterX(47244);
    paper.setDotsPerMeterY(47244);
    paper.fill(Qt::white);
    const QSize layout(794, 1123); // A4 at the layout resolution
    {
        QPainter p(&paper);
        p.setRenderHint(QPainter::TextAntialiasing, false);
        paintScaled(p, page, layout, paper.rect());
    }
    const double toPaper = 1000.0 / 794;
    const QRect square = page.printArea(QRect(QPoint(0, 0), layout));
    EXPECT_EQ(square.width(), square.height());
    EXPECT_EQ(square.left(), 79) << "10 % of the page width";
    const QRect onPaper(square.topLeft() * toPaper, square.size() * toPaper);
    // The curve-2 title (the filter voltage stays far from the frame's top edge).
    const QRect title = boundsOf(paper, onPaper.adjusted(0, 0, 0, -onPaper.height() * 9 / 10),
                                 colorFromBgr(run.params.ColorCurve2));
    ASSERT_FALSE(title.isEmpty());
    EXPECT_LT(title.height(), onPaper.height() / 30) << "the curve title is small beside the plot";
    // Eight text lines below the square, inside the page.
    const QRect text = boundsOf(paper, QRect(0, onPaper.bottom() + 1, 1000, 1414), Qt::black);
    ASSERT_FALSE(text.isEmpty());
    EXPECT_GE(text.left(), onPaper.left());
    EXPECT_LT(text.bottom(), 1414 * 95 / 100);
    EXPECT_GT(text.height(), 7 * title.height()) << "eight lines";
}

} // namespace
} // namespace loopcraft::test
