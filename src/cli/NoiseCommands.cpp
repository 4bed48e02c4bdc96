// noise and jitter: the loop's phase noise per source with its RMS phase error and jitter, and
// the same figures of a measured curve alone.
#include "cli/Cli.h"
#include "cli/PictureOptions.h"
#include "core/base/FileAccess.h"
#include "core/noise/NoisePlotAxes.h"
#include "core/noise/PhaseNoiseAnalysis.h"
#include "render/base/OffscreenGui.h"
#include "render/base/PictureOutput.h"
#include "render/noise/PhaseNoisePlotPainter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <memory>
#include <optional>
#include <ostream>

namespace loopcraft::cli {
namespace {

std::string numberText(double v) {
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), r.ptr);
}

NoiseTable readTable(const std::string& file, const std::string& what) {
    const FileRead read = ReadRegularFile(file, kMaxNoiseCsvBytes);
    if (read.status == FileRead::Status::Missing)
        throw UserMessage(kPhaseNoiseTitle, file + " does not exist");
    if (!read.ok())
        throw UserMessage(kPhaseNoiseTitle, read.error);
    NoiseTableRead table = parseNoiseCsv(read.bytes, file + " (" + what + ")");
    if (!table.error.empty())
        throw UserMessage(kPhaseNoiseTitle, table.error);
    return std::move(table.table);
}

// The figures every command reports, under the names both commands share.
nlohmann::json figuresJson(const IntegratedNoise& f) {
    return {{"rmsPhaseRad", f.rmsPhaseRad},     {"rmsPhaseDeg", f.rmsPhaseDeg},
            {"jitterSeconds", f.jitterSeconds}, {"outputFrequency", f.carrier},
            {"integrationFrom", f.from},        {"integrationTo", f.to}};
}

void printFigures(std::ostream& out, const IntegratedNoise& f) {
    for (const std::string& line : noiseFigureLines(f))
        out << line << "\n";
}

std::string curvesCsv(const PhaseNoiseResult& r) {
    std::string text = "offset_hz,total";
    for (const NoiseContribution& c : r.contributions)
        text.append(",").append(c.name);
    text += "\n";
    for (std::size_t i = 0; i < r.offsets.size(); ++i) {
        text += numberText(r.offsets[i]);
        text.append(",").append(numberText(r.total[i]));
        for (const NoiseContribution& c : r.contributions)
            text.append(",").append(numberText(c.dbc[i]));
        text += "\n";
    }
    return text;
}

struct NoiseOptions {
    std::string refCsv;
    std::string vcoCsv;
    std::optional<double> from;
    std::optional<double> to;
    std::optional<int> points;
    std::string values;
    std::string csvFile;
    PictureFiles pictures{1000, 700};
};

int runNoise(CliContext& ctx, const NoiseOptions& opt) {
    checkStoredEntries(ctx.params);
    PhaseNoiseSettings settings = phaseNoiseSettingsFrom(ctx.params.sidecar);
    if (!opt.refCsv.empty())
        settings.reference = readTable(opt.refCsv, "reference");
    if (!opt.vcoCsv.empty())
        settings.oscillator = readTable(opt.vcoCsv, "oscillator");
    if (opt.from)
        settings.from = *opt.from;
    if (opt.to)
        settings.to = *opt.to;
    if (opt.points)
        settings.points = *opt.points;
    if (!opt.values.empty())
        settings.e24Values = opt.values == "e24";

    // Everything is checked before the first file is written.
    PictureFiles pictures = opt.pictures;
    checkPictureFiles(pictures);
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(ctx.params, settings.e24Values);
    if (!build.loop)
        throw UserMessage(kPhaseNoiseTitle, build.error);
    const PhaseNoiseRun run = analyzePhaseNoise(*build.loop, settings);
    if (!run.result)
        throw UserMessage(kPhaseNoiseTitle, run.error);
    const PhaseNoiseResult& r = *run.result;
    // What the command used becomes the stored settings; --save writes them to the file.
    storePhaseNoiseSettings(ctx.params.sidecar, settings);

    if (!opt.csvFile.empty()) {
        std::string why;
        if (!ReplaceFileAtomic(opt.csvFile, curvesCsv(r), &why))
            throw UserMessage("Error", why);
    }
    if (pictures.any()) {
        ensureOffscreenGui();
        PhaseNoisePlotPainter picture;
        picture.setResult(&r);
        for (const std::string* file : pictures.files()) {
            QString error;
            if (!exportPicture(picture, QSize(pictures.width, pictures.height),
                               QString::fromStdString(*file), error))
                throw UserMessage(kPictureErrorTitle, error.toStdString());
        }
    }

    if (ctx.json) {
        nlohmann::json contributions = nlohmann::json::object();
        for (const NoiseContribution& c : r.contributions)
            contributions[c.name] = c.dbc;
        nlohmann::json j = {
            {"offsets", r.offsets}, {"total", r.total}, {"contributions", contributions}};
        j.update(figuresJson(r.figures));
        if (!r.note.empty())
            j["note"] = r.note;
        printJson(ctx, j);
        return 0;
    }
    std::ostream& out = *ctx.out;
    printFigures(out, r.figures);
    if (!r.note.empty())
        out << "Note: " << r.note << "\n";
    if (!opt.csvFile.empty())
        out << "Curves written to " << opt.csvFile << "\n";
    return 0;
}

struct JitterOptions {
    std::string csvFile;
    double carrier = 0;
    std::optional<double> from;
    std::optional<double> to;
};

int runJitter(CliContext& ctx, const JitterOptions& opt) {
    const NoiseTable table = readTable(opt.csvFile, "measured phase noise");
    if (!std::isfinite(opt.carrier) || !(opt.carrier > 0))
        throw UserMessage(kPhaseNoiseTitle, "the carrier frequency must be positive");
    std::vector<double> offsets;
    std::vector<double> dbc;
    for (const NoisePoint& p : table) {
        offsets.push_back(p.offset);
        dbc.push_back(p.dbc);
    }
    const double from = opt.from.value_or(offsets.front());
    const double to = opt.to.value_or(offsets.back());
    if (auto why = checkIntegrationBand(offsets, from, to))
        throw UserMessage(kPhaseNoiseTitle, *why);
    const IntegratedNoise f = integrateNoise(offsets, dbc, from, to, opt.carrier);
    if (ctx.json) {
        printJson(ctx, figuresJson(f));
        return 0;
    }
    printFigures(*ctx.out, f);
    return 0;
}

} // namespace

void registerNoiseCommands(CommandRegistry& registry) {
    auto noise = std::make_shared<NoiseOptions>();
    CLI::App* sub = registry.add(
        "noise", "Phase noise at the oscillator per source, RMS phase error and jitter",
        [noise](CliContext& ctx) { return runNoise(ctx, *noise); });
    sub->add_option("--ref-csv", noise->refCsv, "Reference phase noise table (offset Hz, dBc/Hz)")
        ->type_name("FILE");
    sub->add_option("--vco-csv", noise->vcoCsv,
                    "Free-running oscillator phase noise table (offset Hz, dBc/Hz)")
        ->type_name("FILE");
    sub->add_option("--from", noise->from, "Lower integration limit (default 10 Hz)")
        ->type_name("HZ");
    sub->add_option("--to", noise->to, "Upper integration limit (default half the reference)")
        ->type_name("HZ");
    sub->add_option("--points", noise->points, "Offsets of the analysis (default 400)")
        ->type_name("N");
    sub->add_option("--values", noise->values,
                    "Filter parts: designed (as calculated) or e24 (rounded)")
        ->check(CLI::IsMember({"designed", "e24"}));
    sub->add_option("--csv", noise->csvFile,
                    "Write the curves to FILE (offset_hz, total and each source in dBc/Hz)")
        ->type_name("FILE");
    addPictureOptions(*sub, noise->pictures, "the phase noise plot");

    auto jitter = std::make_shared<JitterOptions>();
    CLI::App* j =
        registry.add("jitter", "RMS phase error and jitter of a measured phase noise curve",
                     [jitter](CliContext& ctx) { return runJitter(ctx, *jitter); });
    j->add_option("--csv", jitter->csvFile, "The curve (offset Hz, dBc/Hz)")
        ->type_name("FILE")
        ->required();
    j->add_option("--carrier", jitter->carrier, "Carrier frequency")->type_name("HZ")->required();
    j->add_option("--from", jitter->from, "Lower limit (default the first offset)")
        ->type_name("HZ");
    j->add_option("--to", jitter->to, "Upper limit (default the last offset)")->type_name("HZ");
}

} // namespace loopcraft::cli
