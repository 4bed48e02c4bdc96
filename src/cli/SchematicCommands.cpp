// schematic: the schematic window's content for the stored design, as text or JSON, and its
// print-out (drawing, title, parts and the figures of the rounded parts) as PNG, SVG or PDF.
#include "cli/Cli.h"
#include "cli/PictureOptions.h"
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
    PictureFiles pictures{kSchematicSheetSize.width(), kSchematicSheetSize.height()};
};

void writePictures(const SchematicSession& session, const PictureFiles& files) {
    const QSize size(files.width, files.height);
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
    for (const std::string* name : files.files()) {
        QString why;
        std::optional<QByteArray> bytes =
            renderPicture(picture, size, QString::fromStdString(*name), why);
        if (!bytes) {
            throw UserMessage(kPictureErrorTitle, why.toStdString());
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
    PictureFiles pictures = options.pictures;
    checkPictureFiles(pictures);
    // The figures of the parts are only worth printing for entries the design accepts.
    checkStoredEntries(ctx.params);
    SchematicSession session(ctx.params);
    const SchematicOutcome outcome = session.ShowSchematic();
    if (!outcome.ok) {
        const Message m = outcome.message.value_or(Message{});
        throw UserMessage(m.title, m.text);
    }
    if (pictures.any()) {
        writePictures(session, pictures);
    }

    const SchematicLayout& layout = session.layout();
    const std::vector<SchematicRow> rows = session.rows();
    if (ctx.json) {
        nlohmann::json rowsJson = nlohmann::json::array();
        for (const SchematicRow& r : rows) {
            rowsJson.push_back(
                {{"section", r.section},
                 {"designator", r.caption},
                 {"field", r.entry ? fieldJsonName(r.entry) : "stSchema" + r.key + "Val"},
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
    CLI::App* cmd = registry.add(
        "schematic",
        "The schematic window's drawing, title and component values for the stored design, with "
        "the loop figures of the E24-rounded parts; optionally the print-out as pictures",
        [options](CliContext& ctx) { return runSchematic(ctx, *options); });
    addPictureOptions(*cmd, options->pictures, "the print-out");
}

} // namespace loopcraft::cli
