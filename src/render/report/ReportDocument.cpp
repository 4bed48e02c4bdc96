#include "render/report/ReportDocument.h"

#include "core/base/Version.h"
#include "render/base/DrawingSurface.h"
#include "render/base/PictureOutput.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <functional>

namespace loopcraft {
namespace {

// The Bode plot at the size of the window's picture, for the HTML page; its proportions bound
// the plot on the printed page.
const QSize kBodePictureSize{1000, 720};
const QSize kNoisePictureSize{1000, 700};
// The simulation plot as the panel shows it on a usual screen.
const QSize kPlotPictureSize{800, 600};
constexpr int kMargin = 56; // layout pixels, about 15 mm on A4

QFont reportFont(int pixels, bool bold = false) {
    QFont f(QStringLiteral("Sans Serif"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

QString timestampText(const ProtocolTimestamp& t) {
    return QStringLiteral("%1-%2-%3 %4:%5")
        .arg(t.year, 4, 10, QLatin1Char('0'))
        .arg(t.month, 2, 10, QLatin1Char('0'))
        .arg(t.day, 2, 10, QLatin1Char('0'))
        .arg(t.hour, 2, 10, QLatin1Char('0'))
        .arg(t.minute, 2, 10, QLatin1Char('0'));
}

// A page of the report: the report's title line and the page's heading on white, and its body
// in what is left inside the margins.
class ReportPage final : public PagePainter {
public:
    using Body = std::function<void(QPainter&, const QRect&)>;
    ReportPage(QString heading, QString footer, Body body)
        : mHeading(std::move(heading)), mFooter(std::move(footer)), mBody(std::move(body)) {}

    void paint(QPainter& painter, const QRect& target) const override {
        painter.save();
        painter.fillRect(target, Qt::white);
        const QRect inner = target.adjusted(kMargin, kMargin, -kMargin, -kMargin);
        painter.setPen(Qt::black);
        painter.setFont(reportFont(20, true));
        const int headingHeight = QFontMetrics(painter.font()).height();
        painter.drawText(QRect(inner.left(), inner.top(), inner.width(), headingHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, mHeading);
        painter.setFont(reportFont(10));
        const int footerHeight = QFontMetrics(painter.font()).height();
        painter.setPen(Qt::darkGray);
        painter.drawText(
            QRect(inner.left(), inner.bottom() - footerHeight, inner.width(), footerHeight),
            Qt::AlignLeft | Qt::AlignVCenter, mFooter);
        const int y = inner.top() + headingHeight + 6;
        painter.drawLine(inner.left(), y, inner.right(), y);
        painter.restore();
        painter.save();
        mBody(painter, QRect(inner.left(), y + 12, inner.width(),
                             inner.bottom() - footerHeight - 12 - (y + 12)));
        painter.restore();
    }

private:
    QString mHeading;
    QString mFooter;
    Body mBody;
};

// Draws a section heading and its two-column rows; returns the y below them.
int drawTable(QPainter& painter, int x, int y, int nameWidth, const QString& heading,
              const std::vector<ReportItem>& rows) {
    painter.setPen(Qt::black);
    painter.setFont(reportFont(14, true));
    y += QFontMetrics(painter.font()).ascent();
    painter.drawText(x, y, heading);
    y += QFontMetrics(painter.font()).descent() + 6;
    painter.setFont(reportFont(13));
    const QFontMetrics m(painter.font());
    for (const ReportItem& row : rows) {
        y += m.ascent();
        painter.drawText(x + 8, y, QString::fromStdString(row.name));
        painter.drawText(x + 8 + nameWidth, y, QString::fromStdString(row.value));
        y += m.descent() + 3;
    }
    return y + 14;
}

std::vector<ReportItem> asRows(const std::vector<std::string>& lines) {
    std::vector<ReportItem> rows;
    for (const std::string& line : lines) {
        rows.push_back({line, ""});
    }
    return rows;
}

void appendTable(QByteArray& html, const char* heading, const std::vector<ReportItem>& rows) {
    html += "<h2>" + QByteArray(heading) + "</h2>\n<table>\n";
    for (const ReportItem& r : rows) {
        html += "<tr><td>" + QString::fromStdString(r.name).toHtmlEscaped().toUtf8() + "</td><td>" +
                QString::fromStdString(r.value).toHtmlEscaped().toUtf8() + "</td></tr>\n";
    }
    html += "</table>\n";
}

// An SVG document without its XML prologue, ready to stand inside HTML.
QByteArray inlineSvg(const PagePainter& picture, const QSize& size, const QString& title) {
    QByteArray svg = svgDocument(picture, size, title);
    const qsizetype start = svg.indexOf("<svg");
    return start < 0 ? QByteArray() : svg.mid(start);
}

} // namespace

ReportDocument::ReportDocument(ReportSession& session, WmfPicture drawing,
                               const ProtocolTimestamp& when)
    : mSession(session), mWhen(when) {
    const ParameterSet& params = session.params();
    mBode.setWindowSize(BodePlotPainter::windowSizeFor(kBodePictureSize));
    session.response().mapOnto(BodePlotPainter::frameFor(mBode.windowSize()));
    mBode.setResponse(&session.response());
    mBode.setConfigText(MakeBodeConfigText(params, session.configuration()));
    mBode.setBackground(Qt::white);

    const PhaseNoiseRun& noise = session.noise();
    mNoise.setResult(noise.result ? &*noise.result : nullptr);
    mNoise.setMessage(QString::fromStdString(noise.error));

    mSchematic.setContent(session.schematic());
    mSchematic.setDrawing(std::move(drawing));

    const DisplayFonts fonts = fontsFromOptions(params);
    mAxisFont = fonts.AxisFont;
    mPlot =
        std::make_unique<SimulationPlotPainter>(session.simulation().state(), params, mAxisFont);
    if (params.sidecar.SimShowModel && session.simulation().model())
        mPlot->setModelCurve(&session.simulation().model()->curve);
    mProtocol = std::make_unique<ProtocolPagePainter>(
        *mPlot, kPlotPictureSize.width(), fonts.PrinterFont, colorFromBgr(params.ColorPrinterFont),
        session.protocolLines(when));

    const QString footer = QStringLiteral("Loopcraft %1, %2")
                               .arg(QString::fromLatin1(kLoopcraftVersion), timestampText(when));
    mPages.push_back(std::make_unique<ReportPage>(
        QStringLiteral("Loop design"), footer, [this](QPainter& painter, const QRect& body) {
            const int nameWidth = body.width() / 3;
            int y =
                drawTable(painter, body.left(), body.top(), nameWidth,
                          QStringLiteral("Configuration"), asRows(mSession.configurationLines()));
            y = drawTable(painter, body.left(), y, nameWidth, QStringLiteral("Design figures"),
                          mSession.figures());
            y = drawTable(painter, body.left(), y, nameWidth, QStringLiteral("Filter entries"),
                          mSession.entries());
            // Laid out for the room left on the page, in the window's proportions at most,
            // so its captions keep their point sizes.
            const int height =
                std::min(body.bottom() - y,
                         body.width() * kBodePictureSize.height() / kBodePictureSize.width());
            BodeSheetPainter(mBode).paint(painter, QRect(body.left(), y, body.width(), height));
        }));
    mPages.push_back(std::make_unique<ReportPage>(
        QStringLiteral("Schematic and parts"), footer,
        [this](QPainter& painter, const QRect& body) {
            if (const QString none = noFilterText(); !none.isEmpty()) {
                painter.setPen(Qt::black);
                painter.setFont(reportFont(13));
                painter.drawText(body, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, none);
                return;
            }
            paintScaled(painter, mSchematic, SchematicPainter::sheetSizeFor(body.size()), body,
                        Qt::AlignTop | Qt::AlignHCenter);
        }));
    mPages.push_back(std::make_unique<ReportPage>(
        QStringLiteral("Step response"), footer,
        [this](QPainter& painter, const QRect& body) { mProtocol->paint(painter, body); }));
    mPages.push_back(std::make_unique<ReportPage>(
        QStringLiteral("Phase noise"), footer, [this](QPainter& painter, const QRect& body) {
            // The plot in the proportions of a landscape page, laid out at the page's own size;
            // the figures and the sources' settings beneath it.
            const int height = std::min(body.height() * 3 / 5, body.width() * 7 / 10);
            mNoise.paint(painter, QRect(body.left(), body.top(), body.width(), height));
            const int nameWidth = body.width() / 3;
            const int y = drawTable(painter, body.left(), body.top() + height + 8, nameWidth,
                                    QStringLiteral("Phase noise figures"), mSession.noiseFigures());
            drawTable(painter, body.left(), y, nameWidth, QStringLiteral("Noise sources"),
                      mSession.noiseSources());
        }));
}

ReportDocument::~ReportDocument() = default;

QString ReportDocument::noFilterText() const {
    if (!mSession.schematic().layout().file.empty()) {
        return {};
    }
    if (mSession.configuration().isAdpll()) {
        return QStringLiteral("The all-digital loop filters with its K counter (M, K and N on the "
                              "first page); it has no analogue loop filter to build.");
    }
    return QStringLiteral("A first-order loop has no loop filter: the phase detector drives the "
                          "oscillator directly, so there are no parts to build.");
}

std::optional<QByteArray> ReportDocument::pdf(const QString& fileName, QString& error) const {
    std::vector<const PagePainter*> pages;
    for (const auto& p : mPages) {
        pages.push_back(p.get());
    }
    return renderPages(pages, fileName, error);
}

bool ReportDocument::writePdf(const QString& fileName, QString& error) const {
    std::vector<const PagePainter*> pages;
    for (const auto& p : mPages) {
        pages.push_back(p.get());
    }
    return exportPages(pages, fileName, error);
}

QByteArray ReportDocument::html() const {
    QByteArray html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
                      "<title>Loopcraft design report</title>\n<style>\n"
                      "body{font-family:sans-serif;max-width:60em;margin:2em auto;padding:0 1em}\n"
                      "td{padding:0.1em 1.5em 0.1em 0}\nsvg{width:100%;height:auto;display:block}\n"
                      "pre{font-size:0.95em}\n</style>\n</head>\n<body>\n";
    html += "<h1>Loopcraft design report</h1>\n<p>Loopcraft " + QByteArray(kLoopcraftVersion) +
            ", " + timestampText(mWhen).toUtf8() + "</p>\n";
    appendTable(html, "Configuration", asRows(mSession.configurationLines()));
    appendTable(html, "Design figures", mSession.figures());
    appendTable(html, "Filter entries", mSession.entries());
    html += "<h2>Bode plot</h2>\n" +
            inlineSvg(mBode, mBode.pictureSize(), QStringLiteral("Bode plot")) + "\n";
    html += "<h2>Schematic and parts</h2>\n";
    if (const QString none = noFilterText(); !none.isEmpty()) {
        html += "<p>" + none.toHtmlEscaped().toUtf8() + "</p>\n";
    } else {
        html += inlineSvg(mSchematic, kSchematicSheetSize, QStringLiteral("Schematic")) + "\n";
    }
    html += "<h2>Step response</h2>\n" +
            inlineSvg(*mPlot, kPlotPictureSize, QStringLiteral("Simulation")) + "\n<pre>";
    for (const std::string& line : mSession.protocolLines(mWhen)) {
        QString text = QString::fromStdString(line);
        text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        html += text.toHtmlEscaped().toUtf8() + "\n";
    }
    html += "</pre>\n<h2>Phase noise</h2>\n" +
            inlineSvg(mNoise, kNoisePictureSize, QStringLiteral("Phase noise")) + "\n";
    appendTable(html, "Phase noise figures", mSession.noiseFigures());
    appendTable(html, "Noise sources", mSession.noiseSources());
    html += "</body>\n</html>\n";
    return html;
}

bool ReportDocument::writeHtml(const QString& fileName, QString& error) const {
    if (const QString problem = outputFileProblem(fileName); !problem.isEmpty()) {
        error = problem;
        return false;
    }
    return writeFileBytes(fileName, html(), error);
}

} // namespace loopcraft
