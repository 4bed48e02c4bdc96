// evaluate, figures and design: the loop transfer model and the design window's operations,
// run on the state the design window would build from the parameter set.
#include "cli/Cli.h"
#include "core/config/Configuration.h"
#include "core/design/DesignSession.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopModel.h"

#include <cmath>
#include <iomanip>
#include <memory>
#include <ostream>

namespace loopcraft::cli {
namespace {

nlohmann::json optionalJson(const std::optional<float>& v) {
    return v ? nlohmann::json(*v) : nlohmann::json(nullptr);
}

// The figures of one category, by their JSON names.
nlohmann::json figuresJson(const DesignFigures& f, bool adpll) {
    if (adpll) {
        return {{"fH", optionalJson(f.fH)}, {"f3db", optionalJson(f.adpllF3db)}};
    }
    return {{"f3db", optionalJson(f.f3db)},
            {"gainCrossover", optionalJson(f.gainCrossover)},
            {"phaseMarginDeg", optionalJson(f.phaseMarginDeg)},
            {"omegaN", optionalJson(f.omegaN)},
            {"zeta", optionalJson(f.zeta)}};
}

void printFigures(std::ostream& out, const nlohmann::json& figures) {
    for (const auto& [name, value] : figures.items()) {
        out << std::left << std::setw(20) << name << (value.is_null() ? "-" : value.dump()) << "\n";
    }
}

[[noreturn]] void report(const Message& m) {
    throw UserMessage(m);
}

int runEvaluate(CliContext& ctx, float freq) {
    if (!std::isfinite(freq) || !(freq > 0.0F)) {
        throw UserMessage(kIllegalEntryTitle, "freq must be positive");
    }
    checkStoredEntries(ctx.params);
    const Configuration config = Configuration::fromFlags(ctx.params);
    const FilterDesignState state = FilterDesignState::fromParameters(ctx.params, config);
    const LoopResponse r = EvaluateLoop(state, config, freq);
    if (std::optional<Message> bad = NonFiniteLoopResponse(r, freq)) {
        throw UserMessage(*bad);
    }
    const nlohmann::json j = {{"openLoop", {r.openLoop.re, r.openLoop.im}},
                              {"openLoopMagSq", r.openLoopMagSq},
                              {"openLoopPhase", r.openLoopPhase},
                              {"closedLoop", {r.closedLoop.re, r.closedLoop.im}},
                              {"closedLoopMagSq", r.closedLoopMagSq},
                              {"closedLoopPhase", r.closedLoopPhase}};
    if (ctx.json) {
        printJson(ctx, j);
        return 0;
    }
    std::ostream& out = *ctx.out;
    out << "f = " << freq << " Hz\n";
    out << "G = " << r.openLoop.re << (r.openLoop.im < 0 ? " - " : " + ")
        << std::fabs(r.openLoop.im) << "j, |G|^2 = " << r.openLoopMagSq
        << ", phase = " << r.openLoopPhase << " rad\n";
    out << "H = " << r.closedLoop.re << (r.closedLoop.im < 0 ? " - " : " + ")
        << std::fabs(r.closedLoop.im) << "j, |H|^2 = " << r.closedLoopMagSq
        << ", phase = " << r.closedLoopPhase << " rad\n";
    return 0;
}

int runFigures(CliContext& ctx) {
    checkStoredEntries(ctx.params);
    DesignSession session(ctx.params);
    const DesignOutcome o = session.PrepareDesignWindow();
    if (!o.ok) {
        report(o.message.value_or(Message{}));
    }
    const nlohmann::json figures = figuresJson(o.figures, session.configuration().isAdpll());
    if (ctx.json) {
        printJson(ctx, figures);
    } else {
        printFigures(*ctx.out, figures);
    }
    return 0;
}

int runDesign(CliContext& ctx) {
    checkStoredEntries(ctx.params);
    DesignSession session(ctx.params);
    const bool adpll = session.configuration().isAdpll();
    // The session starts as the opened window does, but without its figure computation, which
    // would replace the requested f3db by the measured one before the design reads it.
    const DesignOutcome o = adpll ? session.CalcAdpllParams() : session.CalcFilterParams();

    const bool warning = o.bandwidthWarning && o.message;
    if (!o.ok && !warning) {
        report(o.message.value_or(Message{}));
    }
    if (o.ok && adpll) {
        // The dialog stores the new counters when it next reads its entries ("Done").
        ReadDesignEntries(session.window(), Category::Adpll, ctx.params);
    }

    nlohmann::json texts = nlohmann::json::object();
    for (DesignField f : o.written) {
        texts[textName(designFieldText(f))] = session.window().entry(f);
    }
    if (o.c1UnitWritten) {
        texts[textName(TextId::SchemaC1Unit)] = std::to_string(session.window().c1Unit);
    }
    nlohmann::json j = figuresJson(o.figures, adpll);
    j["texts"] = texts;
    j["warning"] = warning ? nlohmann::json(o.message->text) : nlohmann::json(nullptr);

    if (ctx.json) {
        printJson(ctx, j);
    } else if (!warning) {
        std::ostream& out = *ctx.out;
        printFigures(out, figuresJson(o.figures, adpll));
        for (const auto& [name, text] : texts.items()) {
            out << std::left << std::setw(20) << name << text.get<std::string>() << "\n";
        }
    }
    if (warning) {
        report(*o.message);
    }
    return 0;
}

} // namespace

void registerDesignCommands(CommandRegistry& registry) {
    auto freq = std::make_shared<float>(0.0F);
    CLI::App* evaluate = registry.add(
        "evaluate", "Open- and closed-loop gain of the configured loop at one frequency",
        [freq](CliContext& ctx) { return runEvaluate(ctx, *freq); });
    evaluate->add_option("--freq", *freq, "Frequency in Hz (> 0)")->required();

    registry.add("figures",
                 "Loop figures as the design window computes them: f3db, gain crossover, phase "
                 "margin, natural frequency and damping (ADPLL: hold range and f3db)",
                 runFigures);

    registry.add("design",
                 "Calc filter params (mixed-signal, for FiltDesignLDPLLf3db) or Calc ADPLL params "
                 "(for FiltDesignADPLLfH); --save stores the designed texts",
                 runDesign);
}

} // namespace loopcraft::cli
