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

#include <memory>
#include <optional>
#include <ostream>

namespace loopcraft::cli {
namespace {

struct SimulateOptions {
    std::string stimulus;
    bool noise = false;
    bool filter = false;
    std::string csv;
    bool proposedTime = false;
    std::string size;
    PictureRequest pictures;
};

nlohmann::json axisJson(float lo, float hi, float tick, int exp, const std::string& title) {
    return {{"min", lo}, {"max", hi}, {"tick", tick}, {"exp", exp}, {"title", title}};
}

int simulate(CliContext& ctx, const SimulateOptions& opt) {
    checkStoredEntries(ctx.params);
    ParameterSet& params = ctx.params;
    PictureRequest pictures = opt.pictures;
    checkPictureRequest(opt.size, pictures);

    auto state = std::make_unique<SimState>();
    SimulationSession session(params, *state);
    if (!opt.stimulus.empty()) {
        session.panel().stimulus = opt.stimulus == "phi" ? Stimulus::PhiStep
                                   : opt.stimulus == "N" ? Stimulus::NStep
                                                         : Stimulus::FStep;
        session.SaveRadioButtonStatus();
    }
    // The panel as it opens, then the choices of the command line.
    const std::string storedT = params.text(TextId::SimulT);
    session.Open();
    if (!opt.proposedTime) {
        session.panel().entries.SimulT = storedT;
        params.setEntry(TextId::SimulT, storedT);
    }
    session.panel().addNoise = opt.noise;
    session.panel().filter = opt.filter;

    // Without pictures nothing needs the points after the run: they go to the CSV as the run
    // makes them, so a long run needs no more memory than a short one.
    std::optional<SimulationCsvWriter> csv;
    if (!opt.csv.empty()) {
        csv.emplace(opt.csv);
        if (!csv->ok())
            throw UserMessage("CSV", csv->error());
    }
    ResultPair last;
    if (!pictures.any()) {
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
        if (csv)
            csv->add(s.Results, pointInterval);
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
    sub->add_flag("--filter", opt->filter, "Record the moving average over one reference period");
    sub->add_option("--csv", opt->csv, "Write the recorded points as t_s,curve1,curve2");
    sub->add_flag("--proposed-time", opt->proposedTime,
                  "Run for 4/f3db as the panel proposes instead of the stored T");
    sub->add_option("--png", opt->pictures.png, "Write the plot as the panel shows it (PNG)");
    sub->add_option("--svg", opt->pictures.svg, "Write the plot as an SVG drawing");
    sub->add_option("--pdf", opt->pictures.pdf, "Write the plot as a one-page PDF");
    sub->add_option("--size", opt->size,
                    "Size of the plot pictures, WIDTHxHEIGHT (default 800x600)");
    sub->add_option("--protocol-pdf", opt->pictures.protocolPdf,
                    "Write the protocol page as \"Print Prot\" prints it (PDF)");
}

} // namespace loopcraft::cli
