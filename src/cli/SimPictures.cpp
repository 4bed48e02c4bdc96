#include "cli/SimPictures.h"

#include "cli/Cli.h"

#ifndef LOOPCRAFT_CLI_WITHOUT_PICTURES
#include "core/sim/SimulationSession.h"
#include "render/base/DrawingSurface.h"
#include "render/base/OffscreenGui.h"
#include "render/base/PictureOutput.h"
#include "render/sim/ProtocolPagePainter.h"
#include "render/sim/SimulationPlotPainter.h"

#include <string_view>
#include <utility>
#include <vector>
#endif

namespace loopcraft::cli {

#ifndef LOOPCRAFT_CLI_WITHOUT_PICTURES
namespace {

void check(bool ok, const QString& error) {
    if (!ok)
        throw UserMessage(kPictureErrorTitle, error.toStdString());
}

} // namespace

void checkPictureRequest(PictureRequest& request) {
    checkPictureFiles(request.plot);
    if (!request.protocolPdf.empty()) {
        requireExtension(request.protocolPdf, "--protocol-pdf", ".pdf");
        requireOutputFile(request.protocolPdf);
    }
}

void writeSimulationPictures(const SimulationSession& session, const ParameterSet& options,
                             const PictureRequest& request) {
    if (!request.any())
        return;
    ensureOffscreenGui();
    const DisplayFonts fonts = fontsFromOptions(options);
    SimulationPlotPainter plot(session.state(), options, fonts.AxisFont);
    plot.setBlocks(&session.blocks());
    if (options.sidecar.SimShowModel && session.model())
        plot.setModelCurve(&session.model()->curve);
    const QSize size(request.plot.width, request.plot.height);
    // Every picture is drawn before the first file is written.
    QString error;
    std::vector<std::pair<const std::string*, QByteArray>> drawn;
    for (const std::string* file : request.plot.files()) {
        std::optional<QByteArray> bytes =
            renderPicture(plot, size, QString::fromStdString(*file), error);
        check(bytes.has_value(), error);
        drawn.emplace_back(file, std::move(*bytes));
    }
    if (!request.protocolPdf.empty()) {
        const ProtocolPagePainter page(plot, request.plot.width, fonts.PrinterFont,
                                       colorFromBgr(options.ColorPrinterFont),
                                       session.ProtocolLines(currentProtocolTimestamp()));
        std::optional<QByteArray> bytes =
            renderPages({&page}, QString::fromStdString(request.protocolPdf), error);
        check(bytes.has_value(), error);
        drawn.emplace_back(&request.protocolPdf, std::move(*bytes));
    }
    for (const auto& [file, bytes] : drawn)
        writeOutputFile(*file, bytesOf(bytes));
}
#else
void checkPictureRequest(PictureRequest& request) {
    if (request.any())
        throw UserMessage(kPictureErrorTitle, "this build of loopcraft-cli writes no pictures");
}

void writeSimulationPictures(const SimulationSession&, const ParameterSet&, const PictureRequest&) {
}
#endif

} // namespace loopcraft::cli
