// netlist: an ngspice deck of the configured loop filter, the circuit of its schematic with its
// component values, and an AC analysis of its transfer function; with --transient the whole loop
// with behavioural detector, oscillator and divider answering the simulation panel's stimulus.
#include "cli/Cli.h"
#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopModel.h"
#include "core/schematic/ComponentValues.h"
#include "core/schematic/FilterCircuit.h"
#include "core/schematic/SchematicLayout.h"
#include "core/schematic/SpiceDeck.h"
#include "core/sim/SimulationRun.h"

#include <cctype>
#include <filesystem>
#include <memory>
#include <ostream>

namespace loopcraft::cli {
namespace {

constexpr const char* kNetlistTitle = "Netlist";

struct NetlistOptions {
    std::string out;
    std::string values = "designed";
    bool transient = false;
    std::string stimulus;
};

// The table the deck writes is named after it: "loop.cir" -> "loop.ac.txt", written where
// ngspice runs. The name goes into a deck line, so anything ngspice would read as a separator
// or the start of another line is replaced.
std::string dataFileFor(const std::string& deck, const char* kind) {
    std::string stem =
        deck.empty() ? std::string("loopcraft") : std::filesystem::path(deck).stem().string();
    for (char& ch : stem) {
        const bool plain = std::isalnum(static_cast<unsigned char>(ch)) != 0 || ch == '-' ||
                           ch == '_' || ch == '.';
        if (!plain) {
            ch = '_';
        }
    }
    if (stem.empty()) {
        stem = "loopcraft";
    }
    return stem + "." + kind + ".txt";
}

// Two decades either side of the loop's 3-dB frequency; the Bode plot's range when the loop has
// none.
AcDeckOptions sweepFor(const ParameterSet& params, const Configuration& config) {
    AcDeckOptions o;
    const auto f3db = Find3dBFrequency(FilterDesignState::fromParameters(params, config), config);
    if (f3db && std::isfinite(*f3db) && *f3db > 0) {
        o.fStart = *f3db / 100.0;
        o.fStop = *f3db * 100.0;
    } else if (params.BodefMin > 0 && params.BodefMax > params.BodefMin) {
        o.fStart = params.BodefMin;
        o.fStop = params.BodefMax;
    }
    return o;
}

int runNetlist(CliContext& ctx, const NetlistOptions& opt) {
    requireOutputFile(opt.out, kNetlistTitle);
    ParameterSet& params = ctx.params;
    if (opt.stimulus == "f") {
        params.selectFlag(FlagId::rbSimulfstep);
    } else if (opt.stimulus == "phi") {
        params.selectFlag(FlagId::rbSimulphistep);
    } else if (opt.stimulus == "N") {
        params.selectFlag(FlagId::rbSimulNstep);
    }
    Configuration config = Configuration::fromFlags(params);
    if (opt.transient && SelectDividerForNStep(params, StimulusFromFlags(params), config))
        config = Configuration::fromFlags(params);
    const std::optional<FilterCircuit> circuit = filterCircuitFor(config);
    if (!circuit) {
        throw UserMessage(kNetlistTitle, config.isAdpll()
                                             ? "the all-digital loop has no loop filter circuit"
                                             : "a PLL of order 1 has no loop filter circuit");
    }

    const CapacitorEntries entries = CapacitorEntries::fromParameters(params);
    const ComponentCalculation calc = CalculateComponentValues(params, config, entries);
    if (calc.error) {
        throw UserMessage(calc.error->title, calc.error->text);
    }
    const DeckValues rounding = opt.values == "e24" ? DeckValues::E24 : DeckValues::Designed;
    std::string why;
    const auto values =
        deckPartValues(*circuit, componentInputs(params, config, entries.c1Unit, entries.c4Unit),
                       calc.values, rounding, &why);
    if (!values) {
        throw UserMessage(kNetlistTitle, why);
    }

    const std::string title = "Loopcraft: " + SchematicLayoutFor(config).title;
    std::string deck;
    if (opt.transient) {
        // The run is checked as the simulation panel checks it, with the centre frequency the
        // panel starts from; the parameter set itself is left as it is.
        ParameterSet run = params;
        run.setEntry(TextId::Simulf0, params.text(TextId::ConfigLDPLLf0));
        const Stimulus stimulus = StimulusFromFlags(run);
        if (auto refusal = ValidateSimulation(run, stimulus, config)) {
            throw UserMessage(refusal->title, refusal->text);
        }
        LoopDeckOptions o;
        o.stimulus = stimulus;
        o.rounding = rounding;
        o.title = title + ", the whole loop with behavioural detector, VCO and divider";
        o.dataFile = dataFileFor(opt.out, "tran");
        auto text = writeLoopDeck(*circuit, *values, run, config, o, &why);
        if (!text) {
            throw UserMessage(kNetlistTitle, why);
        }
        deck = std::move(*text);
    } else {
        AcDeckOptions o = sweepFor(params, config);
        o.rounding = rounding;
        o.title = title;
        o.dataFile = dataFileFor(opt.out, "ac");
        deck = writeAcDeck(*circuit, *values, o);
    }

    if (!opt.out.empty()) {
        writeOutputFile(opt.out, deck, kNetlistTitle);
    }
    if (ctx.json) {
        printJson(ctx,
                  {{"analysis", opt.transient ? "tran" : "ac"},
                   {"title", title},
                   {"file", opt.out.empty() ? nlohmann::json(nullptr) : nlohmann::json(opt.out)},
                   {"deck", deck}});
    } else if (opt.out.empty()) {
        *ctx.out << deck;
    } else {
        *ctx.out << "Deck written to " << opt.out << "\n";
    }
    return 0;
}

} // namespace

void registerNetlistCommands(CommandRegistry& registry) {
    auto opt = std::make_shared<NetlistOptions>();
    CLI::App* sub = registry.add(
        "netlist",
        "ngspice deck of the loop filter with an AC analysis, or of the whole loop (--transient)",
        [opt](CliContext& ctx) { return runNetlist(ctx, *opt); });
    sub->add_option("--out", opt->out, "Write the deck to FILE instead of standard output");
    sub->add_option("--values", opt->values,
                    "Component values: designed (as calculated) or e24 (rounded)")
        ->check(CLI::IsMember({"designed", "e24"}));
    sub->add_flag("--transient", opt->transient,
                  "The whole loop in a transient analysis of the simulation panel's stimulus");
    sub->add_option("--stimulus", opt->stimulus,
                    "Stimulus of the transient: f (frequency), phi (phase), N (divider)")
        ->check(CLI::IsMember({"f", "phi", "N"}));
}

} // namespace loopcraft::cli
