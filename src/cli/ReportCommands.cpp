// report: the design report of the stored parameters as a four-page PDF or one HTML page.
#include "cli/Cli.h"
#include "cli/PictureOptions.h"
#include "cli/Progress.h"
#include "core/base/DataFiles.h"
#include "core/report/ReportSession.h"
#include "render/base/OffscreenGui.h"
#include "render/base/PictureOutput.h"
#include "render/report/ReportDocument.h"

#include <iomanip>
#include <memory>
#include <ostream>

namespace loopcraft::cli {
namespace {

struct ReportOptions {
    std::string pdf;
    std::string html;
};

int runReport(CliContext& ctx, const ReportOptions& options) {
    if (options.pdf.empty() && options.html.empty()) {
        throw UserMessage(kIllegalEntryTitle, "report needs --pdf FILE, --html FILE or both");
    }
    if (!options.pdf.empty()) {
        requireExtension(options.pdf, "--pdf", ".pdf");
    }
    if (!options.html.empty()) {
        requireExtension(options.html, "--html", ".html");
    }
    for (const std::string* file : {&options.pdf, &options.html}) {
        requireOutputFile(*file);
    }
    checkStoredEntries(ctx.params);

    ReportSession session(ctx.params);
    {
        ProgressLine progress(ctx, "report");
        if (std::optional<Message> refused =
                session.Prepare([&progress](float done) { progress.update(done); })) {
            throw UserMessage(*refused);
        }
    }
    ensureOffscreenGui();
    WmfPicture drawing;
    if (const std::string& file = session.schematic().layout().file; !file.empty()) {
        Message error;
        auto loaded =
            loadSchematicDrawing(QString::fromStdString(file),
                                 QString::fromStdString(findDataFile(file).string()), &error);
        if (!loaded) {
            throw UserMessage(error);
        }
        drawing = std::move(*loaded);
    }
    const ReportDocument document(session, std::move(drawing), currentProtocolTimestamp());
    // Both documents are made before either file is written.
    QString error;
    std::optional<QByteArray> pdf;
    if (!options.pdf.empty() && !(pdf = document.pdf(QString::fromStdString(options.pdf), error))) {
        throw UserMessage(kPictureErrorTitle, error.toStdString());
    }
    const QByteArray html = options.html.empty() ? QByteArray() : document.html();
    if (pdf) {
        writeOutputFile(options.pdf, bytesOf(*pdf));
    }
    if (!options.html.empty()) {
        writeOutputFile(options.html, bytesOf(html));
    }

    if (ctx.json) {
        nlohmann::json figures = nlohmann::json::object();
        for (const ReportItem& f : session.figures()) {
            figures[f.name] = f.value;
        }
        printJson(ctx, {{"pdf", options.pdf}, {"html", options.html}, {"figures", figures}});
        return 0;
    }
    std::ostream& out = *ctx.out;
    for (const std::string* file : {&options.pdf, &options.html}) {
        if (!file->empty()) {
            out << "Report written to " << *file << "\n";
        }
    }
    for (const ReportItem& f : session.figures()) {
        out << "  " << std::left << std::setw(26) << f.name << f.value << "\n";
    }
    return 0;
}

} // namespace

void registerReportCommands(CommandRegistry& registry) {
    auto options = std::make_shared<ReportOptions>();
    CLI::App* cmd = registry.add(
        "report",
        "The design report of the stored parameters: the loop, its figures and Bode plot, the "
        "schematic with its parts, and the step response of the stored stimulus",
        [options](CliContext& ctx) { return runReport(ctx, *options); });
    cmd->add_option("--pdf", options->pdf, "Write the report as a four-page A4 PDF")
        ->type_name("FILE");
    cmd->add_option("--html", options->html, "Write the report as one self-contained HTML page")
        ->type_name("FILE");
}

} // namespace loopcraft::cli
