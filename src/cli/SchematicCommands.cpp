// schematic: the schematic window's content for the stored design, as text or JSON, and its
// print-out (drawing, title, parts and the figures of the rounded parts) as PNG, SVG or PDF.
#include "cli/Cli.h"
#include "core/base/DataFiles.h"
#include "core/schematic/SchematicSession.h"
#include "render/base/OffscreenGui.h"
#include "render/base/PictureOutput.h"
#include "render/schematic/SchematicPainter.h"

#include <iomanip>
#include <memory>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

namespace loopcraft::cli {
namespace {

struct SchematicOptions {
    std::string png;
    std::string svg;
    std::string pdf;
    std::string size;
};

QSize parseSize(const std::string& text) {
    const std::optional<QSize> size = pictureSizeFromText(QString::fromStdString(text));
    if (!size) {
        throw UserMessage(kIllegalEntryTitle,
                          "--size expects WIDTHxHEIGHT in pixels, 1 to 20000 each, got \"" + text +
                              "\"");
    }
    return *size;
}

// The size and every output, checked before the design is shown or anything is written.
void checkOutputs(const SchematicOptions& options) {
    if (options.png.empty() && options.svg.empty() && options.pdf.empty()) {
        return;
    }
    const QSize size = parseSize(options.size);
    const std::pair<const std::string*, PictureFormat> files[] = {
        {&options.png, PictureFormat::Png},
        {&options.svg, PictureFormat::Svg},
        {&options.pdf, PictureFormat::Pdf}};
    for (const auto& [file, format] : files) {
        if (file->empty()) {
            continue;
        }
        if (pictureFormatFor(QString::fromStdString(*file)) != format) {
            throw UserMessage(kIllegalEntryTitle,
                              *file + ": the file name must end in .png, .svg or .pdf, as its "
                                      "option says");
        }
        if (const QString problem = pictureSizeProblem(size, format); !problem.isEmpty()) {
            throw UserMessage(kIllegalEntryTitle,
                              "--size " + options.size + ": " + problem.toStdString());
        }
        requireOutputFile(*file);
    }
}

void writePictures(const SchematicSession& session, const SchematicOptions& options) {
    const QSize size = parseSize(options.size);
    ensureOffscreenGui();
    SchematicPainter picture;
    picture.setContent(session);
    if (const std::string& file = session.layout().file; !file.empty()) {
        Message error;
        auto drawing =
            loadSchematicDrawing(QString::fromStdString(file),
                                 QString::fromStdString(findDataFile(file).string()), &error);
        if (!drawing) {
            throw UserMessage(error.title, error.text);
        }
        picture.setDrawing(std::move(*drawing));
    }
    // Every picture is drawn before the first file is written.
    std::vector<std::pair<const std::string*, QByteArray>> pictures;
    for (const std::string* name : {&options.png, &options.svg, &options.pdf}) {
        if (name->empty()) {
            continue;
        }
        QString why;
        std::optional<QByteArray> bytes =
            renderPicture(picture, size, QString::fromStdString(*name), why);
        if (!bytes) {
            throw UserMessage("Save Picture As", why.toStdString());
        }
        pictures.emplace_back(name, std::move(*bytes));
    }
    for (const auto& [name, bytes] : pictures) {
        writeOutputFile(*name, bytesOf(bytes));
    }
}

nlohmann::json figuresJson(const std::optional<PartsFigures>& f) {
    if (!f) {
        return nullptr;
    }
    return {{"f3db", f->f3db}, {"phaseMarginDeg", f->phaseMarginDeg}, {"zeta", f->zeta}};
}

int runSchematic(CliContext& ctx, const SchematicOptions& options) {
    checkOutputs(options);
    // The figures of the parts are only worth printing for entries the design accepts.
    checkStoredEntries(ctx.params);
    SchematicSession session(ctx.params);
    const SchematicOutcome outcome = session.ShowSchematic();
    if (!outcome.ok) {
        const Message m = outcome.message.value_or(Message{});
        throw UserMessage(m.title, m.text);
    }
    if (!options.png.empty() || !options.svg.empty() || !options.pdf.empty()) {
        writePictures(session, options);
    }

    const SchematicLayout& layout = session.layout();
    const std::vector<SchematicRow> rows = session.rows();
    if (ctx.json) {
        nlohmann::json rowsJson = nlohmann::json::array();
        for (const SchematicRow& r : rows) {
            rowsJson.push_back({{"section", r.section},
                                {"designator", r.caption},
                                {"field", r.field},
                                {"value", r.value}});
        }
        printJson(ctx, {{"file", drawingFileJson(layout)},
                        {"title", layout.title},
                        {"rows", rowsJson},
                        {"designed", figuresJson(session.check().designed)},
                        {"roundedParts", figuresJson(session.check().rounded)}});
        return 0;
    }
    std::ostream& out = *ctx.out;
    printDrawingTitle(out, layout);
    int section = 0;
    for (const SchematicRow& r : rows) {
        if (r.section != section) {
            section = r.section;
            out << "Section " << section << "\n";
        }
        out << "  " << std::left << std::setw(6) << r.caption << r.value << "\n";
    }
    if (session.check().designed || session.check().rounded) {
        out << std::left << std::setw(16) << "Loop" << std::setw(14) << kDesignedColumn
            << kRoundedColumn << "\n";
        for (const PartsFigureRow& f : partsFigureRows(session.check())) {
            out << "  " << std::left << std::setw(14) << f.name << std::setw(14) << f.designed
                << f.rounded << "\n";
        }
    }
    return 0;
}

} // namespace

void registerSchematicCommands(CommandRegistry& registry) {
    auto options = std::make_shared<SchematicOptions>();
    options->size = std::to_string(kSchematicSheetSize.width()) + "x" +
                    std::to_string(kSchematicSheetSize.height());
    CLI::App* cmd = registry.add(
        "schematic",
        "The schematic window's drawing, title and component values for the stored design, with "
        "the loop figures of the E24-rounded parts; optionally the print-out as pictures",
        [options](CliContext& ctx) { return runSchematic(ctx, *options); });
    cmd->add_option("--png", options->png, "Write the print-out as a PNG image");
    cmd->add_option("--svg", options->svg, "Write the print-out as an SVG drawing");
    cmd->add_option("--pdf", options->pdf, "Write the print-out as a one-page PDF");
    cmd->add_option("--size", options->size, "Picture size WIDTHxHEIGHT in pixels")
        ->capture_default_str();
}

} // namespace loopcraft::cli
