// simulate: a time-domain run as the simulation panel makes it after opening, with the
// recorded curves as CSV and a summary of the run and its plot axes.
#include "cli/Cli.h"
#include "core/config/Configuration.h"
#include "core/design/FilterDesignState.h"
#include "core/sim/DISPLAY.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationRun.h"

#include <fstream>
#include <memory>
#include <ostream>

namespace loopcraft::cli {
namespace {

struct SimulateOptions {
    std::string stimulus;
    bool noise = false;
    bool filter = false;
    std::string csv;
    bool proposedTime = false;
};

nlohmann::json axisJson(float lo, float hi, float tick, int exp, const std::string& title) {
    return {{"min", lo}, {"max", hi}, {"tick", tick}, {"exp", exp}, {"title", title}};
}

int simulate(CliContext& ctx, const SimulateOptions& opt) {
    ParameterSet& params = ctx.params;
    if (opt.stimulus == "f")
        params.selectFlag(FlagId::rbSimulfstep);
    else if (opt.stimulus == "phi")
        params.selectFlag(FlagId::rbSimulphistep);
    else if (opt.stimulus == "N")
        params.selectFlag(FlagId::rbSimulNstep);

    // The panel turns the oscillator into a VCO with scaler whenever a mixed-signal loop gets
    // the divider step.
    if (params.rbConfigDPLL == 1 && params.rbSimulNstep != 0)
        params.selectFlag(FlagId::rbConfigVCOScaler);
    const Configuration config = Configuration::fromFlags(params);
    const std::string storedT = params.text(TextId::SimulT);
    const PanelPreparation prep =
        PrepareSimulationPanel(params, config, FilterDesignState::fromParameters(params, config));
    if (!opt.proposedTime && params.text(TextId::SimulT) != storedT)
        params.setEntry(TextId::SimulT, storedT);

    const Stimulus stimulus = StimulusFromFlags(params);
    if (auto failure = ReadSimulationEntries(params, SimulationEntries::fromParameters(params),
                                             stimulus, config.isAdpll()))
        throw UserMessage(failure->title, failure->text);

    auto state = std::make_unique<SimState>();
    state->setParameters(params);
    state->cbSimulAddNoise = opt.noise;
    state->cbSimulFilter = opt.filter && prep.filterVisible;
    const SimulationRunResult run = runSimulation(*state);
    if (!run.ok())
        throw UserMessage(run.refusal->title, run.refusal->text);
    const SimState& s = *state;

    if (!opt.csv.empty()) {
        std::ofstream file(opt.csv, std::ios::binary);
        if (!file)
            throw UserMessage("CSV", "cannot write " + opt.csv);
        file << "t_s,curve1,curve2\n";
        char line[96];
        const double dt = run.pointInterval;
        for (std::size_t i = 0; i < s.Results.size(); ++i) {
            std::snprintf(line, sizeof line, "%.9g,%.9g,%.9g\n", static_cast<double>(i) * dt,
                          static_cast<double>(s.Results[i].Curve1),
                          static_cast<double>(s.Results[i].Curve2));
            file << line;
        }
        if (!file.flush())
            throw UserMessage("CSV", "cannot write " + opt.csv);
    }

    DISPLAY plot(MakePlotSetup(s, PlotRect{0, 0, 1000, 600}));
    plot.ScaleValueAxes();
    plot.ScaleTimeAxis(0);
    const ResultPair last = s.Results.back();
    nlohmann::json summary = {
        {"points", s.Results.size()},
        {"steps", s.SimulNumSteps},
        {"referencePeriods", s.NumRefPeriods},
        {"dt", run.pointInterval},
        {"SimulT", params.text(TextId::SimulT)},
        {"curve1", {{"min", s.Curve1Min}, {"max", s.Curve1Max}, {"final", last.Curve1}}},
        {"curve2", {{"min", s.Curve2Min}, {"max", s.Curve2Max}, {"final", last.Curve2}}},
        {"axes",
         {{"time", axisJson(plot.XMin, plot.XMax, plot.XTick, plot.XExp, plot.timeTitle())},
          {"curve1", axisJson(plot.Y1Min, plot.Y1Max, plot.Y1Tick, plot.Y1Exp, plot.curve1Title())},
          {"curve2",
           axisJson(plot.Y2Min, plot.Y2Max, plot.Y2Tick, plot.Y2Exp, plot.curve2Title())}}},
    };
    if (run.filterUnchecked)
        summary["filterUnchecked"] = true;
    if (ctx.json) {
        printJson(ctx, summary);
    } else {
        std::ostream& out = *ctx.out;
        out << "points " << s.Results.size() << ", steps " << s.SimulNumSteps
            << ", reference periods " << s.NumRefPeriods << ", dt " << run.pointInterval << " s\n";
        out << "curve1 min " << s.Curve1Min << " max " << s.Curve1Max << " final " << last.Curve1
            << "\n";
        out << "curve2 min " << s.Curve2Min << " max " << s.Curve2Max << " final " << last.Curve2
            << "\n";
    }
    return 0;
}

} // namespace

void registerSimCommands(CommandRegistry& registry) {
    auto opt = std::make_shared<SimulateOptions>();
    CLI::App* sub =
        registry.add("simulate", "Run the time-domain simulation as the simulation panel does",
                     [opt](CliContext& ctx) { return simulate(ctx, *opt); });
    sub->add_option("--stimulus", opt->stimulus,
                    "Stimulus: f (frequency), phi (phase), N (divider)")
        ->check(CLI::IsMember({"f", "phi", "N"}));
    sub->add_flag("--noise", opt->noise, "Add band-limited noise to the reference");
    sub->add_flag("--filter", opt->filter, "Record the moving average over one reference period");
    sub->add_option("--csv", opt->csv, "Write the recorded points as t_s,curve1,curve2");
    sub->add_flag("--proposed-time", opt->proposedTime,
                  "Run for 4/f3db as the panel proposes instead of the stored T");
}

} // namespace loopcraft::cli
