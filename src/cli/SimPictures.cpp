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
        throw UserMessage("Picture", error.toStdString());
}

} // namespace

void checkPictureRequest(const std::string& size, PictureRequest& request) {
    const std::pair<const std::string*, std::pair<const char*, PictureFormat>> files[] = {
        {&request.png, {"--png", PictureFormat::Png}},
        {&request.svg, {"--svg", PictureFormat::Svg}},
        {&request.pdf, {"--pdf", PictureFormat::Pdf}},
        {&request.protocolPdf, {"--protocol-pdf", PictureFormat::Pdf}},
    };
    for (const auto& [file, option] : files) {
        if (!file->empty() && pictureFormatFor(QString::fromStdString(*file)) != option.second) {
            const char* suffix = option.second == PictureFormat::Png   ? ".png"
                                 : option.second == PictureFormat::Svg ? ".svg"
                                                                       : ".pdf";
            throw UserMessage("Illegal entry", std::string(option.first) +
                                                   " needs a file name ending in " + suffix +
                                                   ", got \"" + *file + "\"");
        }
    }
    if (!size.empty()) {
        const std::optional<QSize> parsed = pictureSizeFromText(QString::fromStdString(size));
        if (!parsed)
            throw UserMessage("Illegal entry",
                              "--size expects WIDTHxHEIGHT from 1x1 to 20000x20000, got \"" + size +
                                  "\"");
        request.width = parsed->width();
        request.height = parsed->height();
    }
    for (const auto& [file, option] : files) {
        if (file->empty())
            continue;
        if (option.second == PictureFormat::Png)
            if (const QString problem =
                    pictureSizeProblem(QSize(request.width, request.height), option.second);
                !problem.isEmpty())
                throw UserMessage("Illegal entry", "--size " + size + ": " + problem.toStdString());
        requireOutputFile(*file);
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
    const QSize size(request.width, request.height);
    // Every picture is drawn before the first file is written.
    QString error;
    std::vector<std::pair<const std::string*, QByteArray>> drawn;
    for (const std::string* file : {&request.png, &request.svg, &request.pdf}) {
        if (file->empty())
            continue;
        std::optional<QByteArray> bytes =
            renderPicture(plot, size, QString::fromStdString(*file), error);
        check(bytes.has_value(), error);
        drawn.emplace_back(file, std::move(*bytes));
    }
    if (!request.protocolPdf.empty()) {
        const ProtocolPagePainter page(plot, request.width, fonts.PrinterFont,
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
void checkPictureRequest(const std::string&, PictureRequest& request) {
    if (request.any())
        throw UserMessage("Picture", "this build of loopcraft-cli writes no pictures");
}

void writeSimulationPictures(const SimulationSession&, const ParameterSet&, const PictureRequest&) {
}
#endif

} // namespace loopcraft::cli
