// simulate: a time-domain run as the simulation panel makes it after opening, with the
// recorded curves as CSV, a summary of the run and its plot axes, and pictures of the plot and
// the protocol page.
#include "cli/Cli.h"
#include "cli/Progress.h"
#include "cli/SimPictures.h"
#include "cli/SimulationCsv.h"
#include "core/sim/DISPLAY.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationSession.h"

#include <cmath>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>

namespace loopcraft::cli {
namespace {

struct SimulateOptions {
    std::string stimulus;
    bool noise = false;
    std::optional<std::uint32_t> seed;
    bool filter = false;
    std::string csv;
    bool model = false;
    std::optional<double> tolerance;
    bool proposedTime = false;
    PictureRequest pictures;
};

// The lock figures as JSON: a band in Hz or degrees, and null where a figure does not exist
// (not settled, no peak).
nlohmann::json settlingJson(const std::optional<LockFigures>& lock) {
    if (!lock)
        return nullptr;
    const SettlingFigures& f = lock->figures;
    const auto number = [](double v) { return std::isfinite(v) ? nlohmann::json(v) : nullptr; };
    nlohmann::json j;
    j[lock->phase ? "toleranceDeg" : "toleranceHz"] = f.tolerance;
    j["lockTime"] = f.settled ? number(f.lockTime) : nullptr;
    j["overshootPercent"] = number(f.overshootPct);
    j["peakTime"] = number(f.peakTime);
    j["final"] = number(f.finalValue);
    j["settled"] = f.settled;
    if (lock->overNoise)
        j["overNoise"] = true;
    if (lock->averagedPeriods > 1)
        j["averagedPeriods"] = lock->averagedPeriods;
    return j;
}

nlohmann::json axisJson(float lo, float hi, float tick, int exp, const std::string& title) {
    return {{"min", lo}, {"max", hi}, {"tick", tick}, {"exp", exp}, {"title", title}};
}

int simulate(CliContext& ctx, const SimulateOptions& opt) {
    checkStoredEntries(ctx.params);
    ParameterSet& params = ctx.params;
    PictureRequest pictures = opt.pictures;
    checkPictureRequest(pictures);

    auto state = std::make_unique<SimState>();
    SimulationSession session(params, *state);
    if (!opt.stimulus.empty()) {
        session.panel().stimulus = opt.stimulus == "phi" ? Stimulus::PhiStep
                                   : opt.stimulus == "N" ? Stimulus::NStep
                                                         : Stimulus::FStep;
        session.SaveRadioButtonStatus();
    }
    // The panel as it opens, then the choices of the command line.
    if (opt.proposedTime)
        session.Open();
    else
        session.OpenWithStoredT();
    session.panel().addNoise = opt.noise;
    if (opt.seed)
        params.sidecar.NoiseSeed = *opt.seed;
    session.panel().filter = opt.filter;
    if (opt.tolerance) {
        if (!(*opt.tolerance >= 0) || !std::isfinite(*opt.tolerance))
            throw UserMessage("Illegal entry", "--tolerance must be a number >= 0");
        params.sidecar.SimTolerance = *opt.tolerance;
    }
    if (opt.model)
        params.sidecar.SimShowModel = true;

    // Without pictures nothing needs the points after the run: they go to the CSV as the run
    // makes them, so a long run needs no more memory than a short one.
    std::optional<SimulationCsvWriter> csv;
    if (!opt.csv.empty()) {
        csv.emplace(opt.csv, kMaxCsvBytes, opt.model);
        if (!csv->ok())
            throw UserMessage("CSV", csv->error());
    }
    ResultPair last;
    // The model's column needs the run's points beside the model's: no streaming then.
    if (!pictures.any() && !opt.model) {
        state->ResultSink = [&csv, &last, &state](const std::vector<ResultPair>& block) {
            if (block.empty())
                return;
            last = block.back();
            if (csv)
                csv->add(block, RecordedPointInterval(*state));
        };
    }
    SimulationOutcome outcome;
    {
        ProgressLine progress(ctx, "simulate");
        outcome = session.Run([&progress](float done) { progress.update(done); });
    }
    if (!outcome.ok) {
        Message notStarted;
        notStarted.text = "the run did not start";
        throw UserMessage(outcome.message.value_or(notStarted));
    }
    const float pointInterval = RecordedPointInterval(*state);
    const SimState& s = *state;
    if (!state->ResultSink) {
        last = s.Results.back();
        const bool withModel = session.model() && session.model()->curve.size() == s.Results.size();
        if (opt.model && !withModel)
            throw UserMessage("Model", session.modelUnavailable().empty()
                                           ? std::string("no model curve for this run")
                                           : session.modelUnavailable());
        if (csv)
            csv->add(s.Results, pointInterval, withModel ? session.model()->curve.data() : nullptr);
    }

    DISPLAY plot(MakePlotSetup(s, PlotRect{0, 0, 1000, 600}));
    plot.ScaleValueAxes();
    plot.ScaleTimeAxis(0);
    nlohmann::json summary = {
        {"points", s.RecordedPoints},
        {"steps", s.SimulNumSteps},
        {"referencePeriods", s.NumRefPeriods},
        {"dt", pointInterval},
        {"SimulT", params.text(TextId::SimulT)},
        {"curve1", {{"min", s.Curve1Min}, {"max", s.Curve1Max}, {"final", last.Curve1}}},
        {"curve2", {{"min", s.Curve2Min}, {"max", s.Curve2Max}, {"final", last.Curve2}}},
        {"axes",
         {{"time", axisJson(plot.XMin, plot.XMax, plot.XTick, plot.XExp, plot.timeTitle())},
          {"curve1", axisJson(plot.Y1Min, plot.Y1Max, plot.Y1Tick, plot.Y1Exp, plot.curve1Title())},
          {"curve2",
           axisJson(plot.Y2Min, plot.Y2Max, plot.Y2Tick, plot.Y2Exp, plot.curve2Title())}}},
    };
    if (!session.panel().filter && opt.filter)
        summary["filterUnchecked"] = true;
    summary["settling"] = settlingJson(session.runLock());
    summary["modelSettling"] =
        settlingJson(session.model() ? std::optional<LockFigures>(session.model()->lock)
                                     : std::optional<LockFigures>());
    if (s.cbSimulAddNoise)
        summary["noiseSeed"] = s.sidecar.NoiseSeed;
    if (ctx.json) {
        printJson(ctx, summary);
    } else {
        std::ostream& out = *ctx.out;
        out << "points " << s.RecordedPoints << ", steps " << s.SimulNumSteps
            << ", reference periods " << s.NumRefPeriods << ", dt " << pointInterval << " s\n";
        out << "curve1 min " << s.Curve1Min << " max " << s.Curve1Max << " final " << last.Curve1
            << "\n";
        out << "curve2 min " << s.Curve2Min << " max " << s.Curve2Max << " final " << last.Curve2
            << "\n";
        for (const std::string& line : session.LockLines())
            out << line << "\n";
        if (s.cbSimulAddNoise)
            out << "noise seed " << s.sidecar.NoiseSeed << "\n";
    }
    writeSimulationPictures(session, params, pictures);
    // Committed last: a picture that cannot be written leaves the old CSV as it was.
    if (csv)
        csv->finish();
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
    sub->add_option("--seed", opt->seed,
                    "Noise seed, 0..4294967295 (default 1): the same seed gives the same noise, "
                    "another seed another realisation");
    sub->add_flag("--filter", opt->filter, "Record the moving average over one reference period");
    sub->add_option("--csv", opt->csv, "Write the recorded points as t_s,curve1,curve2");
    sub->add_flag("--model", opt->model,
                  "Add the designed loop's response (CSV column model_curve2, plot, protocol)");
    sub->add_option("--tolerance", opt->tolerance,
                    "Lock-time band: Hz (f/N step) or degrees (phi step); default 1 % of the step");
    sub->add_flag("--proposed-time", opt->proposedTime,
                  "Run for 4/f3db as the panel proposes instead of the stored T");
    addPictureOptions(*sub, opt->pictures.plot, "the plot as the panel shows it");
    sub->add_option("--protocol-pdf", opt->pictures.protocolPdf,
                    "Write the protocol page as \"Print Prot\" prints it (PDF)");
}

} // namespace loopcraft::cli
