// The design report as a document: four A4 pages, or one self-contained HTML page, drawn from
// a prepared ReportSession by the painters the windows use, so the report shows what the
// windows show. Page 1: the loop, its figures and entries, and the Bode plot. Page 2: the
// schematic's print-out with its parts. Page 3: the simulation protocol. Page 4: the phase
// noise per source with its figures.
#pragma once

#include "core/report/ReportSession.h"
#include "render/base/PagePainter.h"
#include "render/bode/BodePlotPainter.h"
#include "render/noise/PhaseNoisePlotPainter.h"
#include "render/schematic/SchematicPainter.h"
#include "render/sim/ProtocolPagePainter.h"
#include "render/sim/SimulationPlotPainter.h"

#include <QFont>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace loopcraft {

class ReportDocument {
public:
    // `session` must have been prepared and outlive the document; `drawing` is the schematic's
    // drawing (empty for a filter without one).
    ReportDocument(ReportSession& session, WmfPicture drawing, const ProtocolTimestamp& when);
    ~ReportDocument();
    ReportDocument(const ReportDocument&) = delete;
    ReportDocument& operator=(const ReportDocument&) = delete;

    static constexpr int kPageCount = 4;
    const PagePainter& page(int index) const { return *mPages.at(static_cast<std::size_t>(index)); }

    // False with a reason when the file cannot be written.
    bool writePdf(const QString& fileName, QString& error) const;
    // The bytes writePdf writes (`fileName` only names it in a message).
    std::optional<QByteArray> pdf(const QString& fileName, QString& error) const;
    bool writeHtml(const QString& fileName, QString& error) const;
    QByteArray html() const;

private:
    // What the schematic page says instead of a drawing when the loop has no filter to build;
    // empty when it has one.
    QString noFilterText() const;

    ReportSession& mSession;
    ProtocolTimestamp mWhen;
    BodePlotPainter mBode;
    SchematicPainter mSchematic;
    PhaseNoisePlotPainter mNoise;
    QFont mAxisFont; // the plot painter reads it at every paint
    std::unique_ptr<SimulationPlotPainter> mPlot;
    std::unique_ptr<ProtocolPagePainter> mProtocol;
    std::vector<std::unique_ptr<PagePainter>> mPages;
};

} // namespace loopcraft
