#include "FidelitySupport.h"

#include "core/design/DesignSession.h"
#include "core/design/FilterDesignState.h"
#include "core/design/StepResponse.h"
#include "core/schematic/ComponentValues.h"
#include "core/schematic/FilterCircuit.h"
#include "core/schematic/SpiceDeck.h"
#include "core/sim/RunStimulus.h"
#include "core/sim/SimulationRun.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>
#include <unistd.h>

namespace loopcraft::fidelity {

namespace {

const char* detectorName(Detector d) {
    switch (d) {
    case Detector::Mul:
        return "Mul";
    case Detector::Exor:
        return "Exor";
    case Detector::JK:
        return "JK";
    case Detector::PFD:
        return "PFD";
    case Detector::PFD_CP:
        return "PFD_CP";
    }
    return "";
}

const char* filterName(LoopFilter f) {
    switch (f) {
    case LoopFilter::PassiveLL:
        return "PassiveLL";
    case LoopFilter::ActiveLL:
        return "ActiveLL";
    case LoopFilter::ActivePI:
        return "ActivePI";
    }
    return "";
}

FlagId detectorFlag(Detector d) {
    switch (d) {
    case Detector::Mul:
        return FlagId::rbConfigLPLLMul;
    case Detector::Exor:
        return FlagId::rbConfigDPLLExor;
    case Detector::JK:
        return FlagId::rbConfigDPLLJK;
    case Detector::PFD:
        return FlagId::rbConfigDPLLPFD;
    case Detector::PFD_CP:
        break;
    }
    return FlagId::rbConfigDPLLPFD_CP;
}

bool hasPoleChoice(const LoopCase& c) {
    return c.order >= 4 && c.filter != LoopFilter::PassiveLL;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string figure(double v, const char* format) {
    if (std::isinf(v))
        return "  never";
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, format, v);
    return buffer;
}

} // namespace

std::string LoopCase::name() const {
    std::string n = std::string(detectorName(detector)) + "_" + filterName(filter) + "_" +
                    std::to_string(order);
    if (hasPoleChoice(*this))
        n += poles == PoleKind::Real ? "_Real" : "_Complex";
    return n + "_" + std::to_string(static_cast<int>(f3db)) + "Hz";
}

Configuration LoopCase::configuration() const {
    Configuration config;
    config.order = order;
    config.detector = detector;
    config.filter = filter;
    config.poleKind = poles;
    return config;
}

std::vector<LoopCase> allLoopCases(float f3db) {
    std::vector<LoopCase> cases;
    for (const Detector d :
         {Detector::Mul, Detector::Exor, Detector::JK, Detector::PFD, Detector::PFD_CP})
        for (const LoopFilter f :
             {LoopFilter::PassiveLL, LoopFilter::ActiveLL, LoopFilter::ActivePI})
            for (int order = 2; order <= 5; ++order) {
                const LoopCase c{d, f, order, PoleKind::Complex, f3db};
                cases.push_back(c);
                if (hasPoleChoice(c))
                    cases.push_back({d, f, order, PoleKind::Real, f3db});
            }
    return cases;
}

std::optional<ParameterSet> designedLoop(const LoopCase& c, double stepFraction, std::string* why) {
    ParameterSet p;
    constexpr FlagId orders[] = {FlagId::rbConfigPLLOrder1, FlagId::rbConfigPLLOrder2,
                                 FlagId::rbConfigPLLOrder3, FlagId::rbConfigPLLOrder4,
                                 FlagId::rbConfigPLLOrder5};
    constexpr FlagId filters[] = {FlagId::rbConfigPassiveLL, FlagId::rbConfigActiveLL,
                                  FlagId::rbConfigActivePI};
    p.selectFlag(FlagId::rbConfigDPLL);
    p.selectFlag(FlagId::rbConfigVCO);
    p.selectFlag(orders[c.order - 1]);
    p.selectFlag(filters[static_cast<int>(c.filter)]);
    p.selectFlag(detectorFlag(c.detector));
    p.selectFlag(c.poles == PoleKind::Real ? FlagId::rbFiltDesignRealPoles
                                           : FlagId::rbFiltDesignComplexPoles);
    p.selectFlag(FlagId::rbSimulfstep);
    {
        DesignSession session(p);
        session.PrepareDesignWindow();
        session.window().entry(DesignField::LDPLLf3db) = std::to_string(c.f3db);
        const DesignOutcome o = session.CalcFilterParams();
        if (!o.ok) {
            if (why != nullptr)
                *why = o.message ? o.message->text : std::string("the design failed");
            return std::nullopt;
        }
    }
    const float f0 = p.ConfigLDPLLf0;
    p.setEntry(TextId::Simulf0, p.text(TextId::ConfigLDPLLf0));
    char text[16];
    std::snprintf(text, sizeof text, "%g", stepFraction * f0);
    p.setEntry(TextId::Simuldf, text);
    // LOOPCRAFT_FIDELITY_NSAMP sets the steps a period, to tell sampling from physics.
    const char* steps = std::getenv("LOOPCRAFT_FIDELITY_NSAMP");
    p.setEntry(TextId::SimulnSamp, steps != nullptr ? steps : std::to_string(kStepsPerPeriod));
    // About five 3-dB time constants (1/(2π·f3db)... a little more), in whole periods of the
    // stepped reference; the run without the step covers the same time.
    const double fRef = f0 + kSpiceStep * f0;
    const double periods = std::ceil(6.0 / c.f3db * fRef);
    std::snprintf(text, sizeof text, "%.6g", periods / fRef);
    p.setEntry(TextId::SimulT, text);
    return p;
}

std::optional<std::vector<std::vector<double>>> runNgspice(const std::string& deck,
                                                           const std::string& dataFile,
                                                           const std::string& tag,
                                                           std::string* why) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("loopcraft-fidelity-" + std::to_string(::getpid()) + "-" + tag);
    std::filesystem::create_directories(dir);
    std::ofstream(dir / "deck.cir") << deck;
    const std::string command =
        "cd '" + dir.string() + "' && '" NGSPICE_EXE "' -b deck.cir > ngspice.log 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream data(dir / dataFile);
    std::vector<std::vector<double>> columns;
    std::string line;
    if (status == 0 && data && std::getline(data, line)) {
        while (std::getline(data, line)) {
            std::istringstream row(line);
            double v = 0;
            for (std::size_t i = 0; row >> v; ++i) {
                if (columns.size() <= i)
                    columns.emplace_back();
                columns[i].push_back(v);
            }
        }
    }
    // An aborted transient still writes its first time point.
    if (!columns.empty() && columns[0].size() < 2)
        columns.clear();
    if (columns.empty() && why != nullptr) {
        const std::string log = readFile(dir / "ngspice.log");
        *why = "ngspice failed (status " + std::to_string(status) +
               "): " + log.substr(log.size() > 2000 ? log.size() - 2000 : 0);
    }
    // LOOPCRAFT_FIDELITY_KEEP leaves the deck and its output for a look.
    if (std::getenv("LOOPCRAFT_FIDELITY_KEEP") == nullptr)
        std::filesystem::remove_all(dir);
    if (columns.empty())
        return std::nullopt;
    return columns;
}

namespace {

// The per-period means of Uf of a noise-free run of `params` with its frequency step; empty when
// the run fails.
std::vector<double> simulatedMeans(const ParameterSet& params) {
    SimState s;
    s.setParameters(params);
    s.selectFlag(FlagId::rbSimulfstep);
    s.cbSimulAddNoise = false;
    s.cbSimulFilter = false;
    if (!runSimulation(s).ok())
        return {};
    std::vector<double> uf;
    uf.reserve(s.Results.size());
    for (std::size_t i = 1; i < s.Results.size(); ++i)
        uf.push_back(s.Results[i].Curve2);
    return PeriodMeansOfSteps(uf, s.SimulnSamp);
}

} // namespace

Responses measure(const ParameterSet& params, const Configuration& config, bool withSpice) {
    Responses r;
    const RunStimulus start = MakeRunStimulus(params, config, Stimulus::FStep);
    r.period = 1.0 / start.fRef;
    r.start = start.uMid;
    r.final = start.uMid + static_cast<double>(start.nVco) * 2 * std::numbers::pi *
                               (static_cast<double>(start.fRef) - start.f0) / params.ConfigK0;
    const double swing = r.final - r.start;
    const bool pfd = config.detector == Detector::PFD || config.detector == Detector::PFD_CP;
    r.delay = pfd ? 0.5 * r.period : r.period / params.SimulnSamp;

    r.sim = simulatedMeans(params);
    const std::size_t count = r.sim.size();
    if (!withSpice) {
        ParameterSet still = params;
        still.setEntry(TextId::Simuldf, "0");
        const std::vector<double> startUp = simulatedMeans(still);
        // Without the step the reference runs a quarter per cent slower, so this run may end
        // a period short; its periods are a quarter per cent longer, far below what the
        // start-up moves within one.
        for (std::size_t i = 0; i < std::min(count, startUp.size()); ++i)
            r.simStep.push_back(r.start + r.sim[i] - startUp[i]);
    }

    const FilterDesignState state = FilterDesignState::fromParameters(params, config);
    for (const double m : ClosedLoopStepMeans(state, config, r.period, count, r.delay))
        r.model.push_back(r.start + swing * m);
    for (const double m : ClosedLoopStepMeans(state, config, r.period, count, 0))
        r.modelUndelayed.push_back(r.start + swing * m);

    if (withSpice) {
        const auto circuit = filterCircuitFor(config);
        ParameterSet calcParams = params; // the calculation stores the capacitor entries
        const ComponentCalculation calc =
            CalculateComponentValues(calcParams, config, CapacitorEntries::fromParameters(params));
        std::optional<DeckPartValues> values;
        if (circuit && !calc.error)
            values = deckPartValues(
                *circuit, componentInputs(params, config, params.SchemaC1Unit, params.SchemaC4Unit),
                calc.values, DeckValues::Designed, &r.spiceError);
        if (values) {
            LoopDeckOptions o;
            o.stimulus = Stimulus::FStep;
            o.dataFile = "tran.txt";
            const auto deck = writeLoopDeck(*circuit, *values, params, config, o, &r.spiceError);
            if (deck) {
                const std::string tag = std::to_string(static_cast<int>(config.detector)) + "-" +
                                        std::to_string(static_cast<int>(config.filter)) + "-" +
                                        std::to_string(config.order);
                if (const auto columns = runNgspice(*deck, o.dataFile, tag, &r.spiceError);
                    columns && columns->size() >= 3)
                    r.spice = PeriodMeansOfPoints((*columns)[0], (*columns)[2], r.period, count);
            }
        } else if (r.spiceError.empty()) {
            r.spiceError = "no circuit or component values";
        }
    }

    r.simFigures = MeasureStep(r.sim, r.period, r.start, r.final);
    r.simStepFigures = MeasureStep(r.simStep, r.period, r.start, r.final);
    r.modelFigures = MeasureStep(r.model, r.period, r.start, r.final);
    r.spiceFigures = MeasureStep(r.spice, r.period, r.start, r.final);
    r.simVsModel = LargestDifferenceOutside(r.simStep, r.modelUndelayed, r.model, swing);
    r.simVsSpice = LargestDifference(r.sim, r.spice, swing);
    // LOOPCRAFT_FIDELITY_SERIES prints the per-period means, in swings from the start.
    if (std::getenv("LOOPCRAFT_FIDELITY_SERIES") != nullptr)
        for (std::size_t i = 0; i < count; ++i)
            std::printf("%3zu sim %8.4f less start-up %8.4f model %8.4f spice %8.4f\n", i,
                        (r.sim[i] - r.start) / swing,
                        i < r.simStep.size() ? (r.simStep[i] - r.start) / swing : NAN,
                        (r.model[i] - r.start) / swing,
                        i < r.spice.size() ? (r.spice[i] - r.start) / swing : NAN);
    return r;
}

std::string missedCriteria(const StepFigures& x, const StepFigures& reference, double difference,
                           double period) {
    std::string missed;
    char text[160];
    if (RelativeDifference(x.overshootPct, reference.overshootPct, 2.0) > 0.15) {
        std::snprintf(text, sizeof text, "overshoot %.1f %% against %.1f %%; ", x.overshootPct,
                      reference.overshootPct);
        missed += text;
    }
    if (RelativeDifference(x.settlingTime, reference.settlingTime, 2 * period) > 0.15) {
        std::snprintf(text, sizeof text, "2 %% settling %.0f us against %.0f us; ",
                      x.settlingTime * 1e6, reference.settlingTime * 1e6);
        missed += text;
    }
    if (!(difference < 0.1)) {
        std::snprintf(text, sizeof text, "largest per-period difference %.2f of the swing; ",
                      difference);
        missed += text;
    }
    return missed;
}

std::string tableHeader() {
    return "configuration                          | overshoot %: sim  model  spice | 2% settling "
           "us: sim  model  spice | max diff/swing: sim-model sim-spice";
}

std::string tableRow(const LoopCase& c, const Responses& r) {
    // Without ngspice the row is the model case's, whose run is taken less its start-up.
    const StepFigures& sim = r.spice.empty() ? r.simStepFigures : r.simFigures;
    char line[256];
    std::snprintf(line, sizeof line, "%-38s | %6.1f %6.1f %6.1f | %7s %7s %7s | %6.3f %6.3f",
                  c.name().c_str(), sim.overshootPct, r.modelFigures.overshootPct,
                  r.spice.empty() ? NAN : r.spiceFigures.overshootPct,
                  figure(sim.settlingTime * 1e6, "%7.0f").c_str(),
                  figure(r.modelFigures.settlingTime * 1e6, "%7.0f").c_str(),
                  r.spice.empty() ? "    -"
                                  : figure(r.spiceFigures.settlingTime * 1e6, "%7.0f").c_str(),
                  r.simVsModel, r.spice.empty() ? NAN : r.simVsSpice);
    return line;
}

} // namespace loopcraft::fidelity
