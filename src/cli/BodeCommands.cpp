// bode and components: the frequency response and the filter's component values, computed as
// the Bode and schematic windows compute them.
#include "cli/Cli.h"
#include "cli/PictureOptions.h"
#include "core/base/E24.h"
#include "core/bode/BodeConfigText.h"
#include "core/bode/BodeSession.h"
#include "core/bode/FrequencyResponse.h"
#include "core/config/Configuration.h"
#include "core/schematic/ComponentValues.h"
#include "core/schematic/SchematicLayout.h"
#include "render/base/OffscreenGui.h"
#include "render/base/PictureOutput.h"
#include "render/bode/BodePlotPainter.h"

#include <array>
#include <charconv>
#include <cmath>
#include <iomanip>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <string_view>

namespace loopcraft::cli {
namespace {

// Shortest text that reads back as the same float.
std::string floatText(float v) {
    if (std::isnan(v)) {
        return "nan";
    }
    if (std::isinf(v)) {
        return v > 0 ? "inf" : "-inf";
    }
    std::array<char, 64> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), result.ptr);
}

struct BodeOptions {
    std::string csvFile;
    PictureFiles pictures{1000, 720}; // as the window's left part would be
};

// The grid frequencies, replayed exactly as the computation advanced them.
std::vector<float> gridFrequencies(const FrequencyResponse& r) {
    std::vector<float> f;
    f.reserve(r.pointCount);
    float current = r.fStart;
    for (std::uint32_t i = 0; i < r.pointCount; ++i) {
        f.push_back(current);
        current = current * r.stepRatio;
    }
    return f;
}

void writeCsv(std::ostream& out, const FrequencyResponse& r, const std::vector<float>& f) {
    out << "f_hz,open_gain_db,open_phase_deg,closed_gain_db,closed_phase_deg\n";
    for (std::size_t i = 0; i < f.size(); ++i) {
        out << floatText(f[i]) << ',' << floatText(r.openGainDb[i]) << ','
            << floatText(r.openPhaseDeg[i]) << ',' << floatText(r.closedGainDb[i]) << ','
            << floatText(r.closedPhaseDeg[i]) << '\n';
    }
}

// The pictures and the outputs, checked before anything is computed or written.
QSize checkOutputs(BodeOptions& options) {
    checkPictureFiles(options.pictures);
    requireOutputFile(options.csvFile);
    return {options.pictures.width, options.pictures.height};
}

// The Bode window's picture at the requested size, drawn offscreen for each file.
std::vector<QByteArray> drawPictures(FrequencyResponse& response, const BodeConfigText& memo,
                                     const BodeOptions& options, const QSize& size) {
    std::vector<QByteArray> pictures;
    if (!options.pictures.any()) {
        return pictures;
    }
    ensureOffscreenGui();
    BodePlotPainter picture;
    picture.setWindowSize(BodePlotPainter::windowSizeFor(size));
    response.mapOnto(BodePlotPainter::frameFor(picture.windowSize()));
    picture.setResponse(&response);
    picture.setConfigText(memo);
    for (const std::string* file : options.pictures.files()) {
        QString error;
        std::optional<QByteArray> bytes =
            renderPicture(picture, size, QString::fromStdString(*file), error);
        if (!bytes) {
            throw UserMessage(kPictureErrorTitle, error.toStdString());
        }
        pictures.push_back(std::move(*bytes));
    }
    return pictures;
}

int runBode(CliContext& ctx, BodeOptions options) {
    const QSize size = checkOutputs(options);
    checkStoredEntries(ctx.params);
    BodeSession session(ctx.params);
    const BodeRun run = session.ComputeStored();
    if (run.error) {
        throw UserMessage(*run.error);
    }
    FrequencyResponse& response = session.response();
    const std::vector<float> f = gridFrequencies(response);

    // Everything is made before the first file is written.
    const BodeConfigText& memo = session.configText();
    const std::vector<QByteArray> pictures = drawPictures(response, memo, options, size);
    if (!options.csvFile.empty()) {
        std::ostringstream csv;
        writeCsv(csv, response, f);
        writeOutputFile(options.csvFile, csv.str());
    }
    const std::vector<const std::string*> files = options.pictures.files();
    for (std::size_t i = 0; i < pictures.size(); ++i) {
        writeOutputFile(*files[i], bytesOf(pictures[i]));
    }
    if (ctx.json) {
        nlohmann::json points = nlohmann::json::array();
        for (std::size_t i = 0; i < f.size(); ++i) {
            points.push_back({{"f_hz", f[i]},
                              {"open_gain_db", response.openGainDb[i]},
                              {"open_phase_deg", response.openPhaseDeg[i]},
                              {"closed_gain_db", response.closedGainDb[i]},
                              {"closed_phase_deg", response.closedPhaseDeg[i]}});
        }
        printJson(ctx, {{"fStart", response.fStart},
                        {"fStop", response.fStop},
                        {"decadeCount", response.decadeCount},
                        {"pointCount", response.pointCount},
                        {"dbTop", response.dbTop},
                        {"dbBottom", response.dbBottom},
                        {"phaseTop", response.phaseTop},
                        {"phaseBottom", response.phaseBottom},
                        {"memo1", memo.memo1},
                        {"memo2", memo.memo2},
                        {"points", points}});
        return 0;
    }
    std::ostream& out = *ctx.out;
    out << "Grid: " << floatText(response.fStart) << " Hz to " << floatText(response.fStop)
        << " Hz, " << response.decadeCount << " decades, " << response.pointCount << " points\n";
    out << "Gain axis: " << floatText(response.dbTop) << " dB to " << floatText(response.dbBottom)
        << " dB\n";
    out << "Phase axis: " << floatText(response.phaseTop) << " deg to "
        << floatText(response.phaseBottom) << " deg\n";
    if (options.csvFile.empty()) {
        writeCsv(out, response, f);
    } else {
        out << "Curves written to " << options.csvFile << "\n";
    }
    return 0;
}

struct ComponentOptions {
    std::optional<std::string> c1;
    std::optional<std::string> c1Unit;
    std::optional<std::string> c4;
    std::optional<std::string> c4Unit;
};

int runComponents(CliContext& ctx, const ComponentOptions& options) {
    checkStoredEntries(ctx.params);
    ParameterSet& params = ctx.params;
    const Configuration config = Configuration::fromFlags(params);
    CapacitorEntries entries = CapacitorEntries::fromParameters(params);
    if (options.c1) {
        requireEntryLength("--c1", *options.c1);
        entries.c1Text = *options.c1;
    }
    if (options.c4) {
        requireEntryLength("--c4", *options.c4);
        entries.c4Text = *options.c4;
    }
    // Unit names were checked by the option parser.
    if (options.c1Unit) {
        entries.c1Unit = capacitorUnitIndex(*options.c1Unit).value_or(entries.c1Unit);
    }
    if (options.c4Unit) {
        entries.c4Unit = capacitorUnitIndex(*options.c4Unit).value_or(entries.c4Unit);
    }

    const SchematicLayout layout = SchematicLayoutFor(config);
    ComponentCalculation calc = CalculateComponentValues(params, config, entries);
    if (calc.error) {
        throw UserMessage(*calc.error);
    }
    // A saved set keeps each capacitor's number together with the unit it was read in.
    params.setEntry(TextId::SchemaC1Unit, std::to_string(entries.c1Unit));
    if (hasSection2(config.order, config.filter)) {
        params.setEntry(TextId::SchemaC4Unit, std::to_string(entries.c4Unit));
    }

    if (ctx.json) {
        nlohmann::json values = nlohmann::json::object();
        for (const auto& v : calc.values) {
            values[componentName(v.component)] = v.text;
        }
        printJson(ctx,
                  {{"file", drawingFileJson(layout)}, {"title", layout.title}, {"values", values}});
        return 0;
    }
    std::ostream& out = *ctx.out;
    printDrawingTitle(out, layout);
    if (layout.section1) {
        out << "  " << std::left << std::setw(6) << "C1" << params.text(TextId::SchemaC1Val) << ' '
            << capacitorUnitName(entries.c1Unit) << "\n";
    }
    if (layout.section2) {
        out << "  " << std::left << std::setw(6) << "C4" << params.text(TextId::SchemaC4Val) << ' '
            << capacitorUnitName(entries.c4Unit) << "\n";
    }
    for (const auto& v : calc.values) {
        out << "  " << std::left << std::setw(6) << componentName(v.component) << v.text << "\n";
    }
    return 0;
}

} // namespace

void registerBodeCommands(CommandRegistry& registry) {
    auto bodeOptions = std::make_shared<BodeOptions>();
    CLI::App* bode = registry.add(
        "bode", "Frequency response over the Bode grid (BodefMin, BodefMax, BodeNumPoints)",
        [bodeOptions](CliContext& ctx) { return runBode(ctx, *bodeOptions); });
    bode->add_option("--csv", bodeOptions->csvFile,
                     "Write the curves to FILE (f_hz, open/closed gain in dB and phase in deg)");
    addPictureOptions(*bode, bodeOptions->pictures, "the Bode plot as the window shows it");

    auto componentOptions = std::make_shared<ComponentOptions>();
    const std::vector<std::string> units(kCapacitorUnits.begin(), kCapacitorUnits.end());
    CLI::App* components = registry.add(
        "components", "Resistor and capacitor values of the designed filter, rounded to E24",
        [componentOptions](CliContext& ctx) { return runComponents(ctx, *componentOptions); });
    components->add_option("--c1", componentOptions->c1, "C1 as typed (default SchemaC1Val)");
    components->add_option("--c1-unit", componentOptions->c1Unit, "Unit of C1")
        ->check(CLI::IsMember(units));
    components->add_option("--c4", componentOptions->c4, "C4 as typed (default SchemaC4Val)");
    components->add_option("--c4-unit", componentOptions->c4Unit, "Unit of C4")
        ->check(CLI::IsMember(units));
}

} // namespace loopcraft::cli
