// The simulation panel's entries and checks: reading the edits, the range rules in the panel's
// order, the run-size limits and what the panel proposes when it opens. The run itself lives in
// SimulationRun.cpp and checks again through these before it touches anything.
#include "core/sim/SimulationEntries.h"

#include "core/design/LoopModel.h"
#include "core/sim/ReferenceSignal.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace loopcraft {

namespace {

Message illegal(const char* message, std::optional<TextId> field) {
    return {kSimulIllegalEntryTitle, message, field};
}

bool readInto(ParameterSet& params, TextId id, const std::string& text,
              std::optional<Message>& failure) {
    std::string message;
    if (params.setEntry(id, text, &message))
        return true;
    failure = Message{kFormatErrorTitle, message, id, true};
    return false;
}

std::optional<Message> memoryRefusal(const RunSize& size) {
    if (!(size.bytes <= kMaxRunBytes))
        return illegal("T too large: the run would need more than 1 GiB of memory", TextId::SimulT);
    return std::nullopt;
}

float referenceFrequency(const ParameterSet& p, Stimulus stimulus) {
    return stimulus == Stimulus::FStep ? p.Simulf0 + p.Simuldf : p.Simulf0;
}
} // namespace

SimulationEntries SimulationEntries::fromParameters(const ParameterSet& p) {
    SimulationEntries e;
    e.Simulf0 = p.text(TextId::Simulf0);
    e.Simuldf = p.text(TextId::Simuldf);
    e.Simuldphi = p.text(TextId::Simuldphi);
    e.SimuldN = p.text(TextId::SimuldN);
    e.SimulnSamp = p.text(TextId::SimulnSamp);
    e.SimulT = p.text(TextId::SimulT);
    e.SimulZoomFact = p.text(TextId::SimulZoomFact);
    e.SimulSNR = p.text(TextId::SimulSNR);
    e.SimulNoiseBW = p.text(TextId::SimulNoiseBW);
    return e;
}

std::optional<Message> ReadSimulationEntries(ParameterSet& params, const SimulationEntries& e,
                                             Stimulus stimulus, bool adpll) {
    std::optional<Message> failure;
    if (!readInto(params, TextId::Simulf0, e.Simulf0, failure))
        return failure;
    switch (stimulus) {
    case Stimulus::FStep:
        if (!readInto(params, TextId::Simuldf, e.Simuldf, failure))
            return failure;
        break;
    case Stimulus::PhiStep:
        if (!readInto(params, TextId::Simuldphi, e.Simuldphi, failure))
            return failure;
        break;
    case Stimulus::NStep:
        if (!readInto(params, TextId::SimuldN, e.SimuldN, failure))
            return failure;
        break;
    }
    if (!adpll && !readInto(params, TextId::SimulnSamp, e.SimulnSamp, failure))
        return failure;
    if (!readInto(params, TextId::SimulT, e.SimulT, failure) ||
        !readInto(params, TextId::SimulZoomFact, e.SimulZoomFact, failure) ||
        !readInto(params, TextId::SimulSNR, e.SimulSNR, failure) ||
        !readInto(params, TextId::SimulNoiseBW, e.SimulNoiseBW, failure))
        return failure;
    if (adpll)
        params.SimulnSamp = 1;
    return std::nullopt;
}

Stimulus StimulusFromFlags(const ParameterSet& p) {
    if (p.rbSimulfstep != 0)
        return Stimulus::FStep;
    if (p.rbSimulphistep != 0)
        return Stimulus::PhiStep;
    return Stimulus::NStep;
}

FlagId StimulusFlag(Stimulus stimulus) {
    switch (stimulus) {
    case Stimulus::PhiStep:
        return FlagId::rbSimulphistep;
    case Stimulus::NStep:
        return FlagId::rbSimulNstep;
    case Stimulus::FStep:
        break;
    }
    return FlagId::rbSimulfstep;
}

Stimulus RunnableStimulus(Stimulus chosen, const Configuration& config) {
    return config.isAdpll() && chosen == Stimulus::NStep ? Stimulus::FStep : chosen;
}

bool SelectDividerForNStep(ParameterSet& params, Stimulus stimulus, const Configuration& config) {
    if (config.isAdpll() || stimulus != Stimulus::NStep ||
        (params.rbConfigVCO == 0 && params.rbConfigVCOScaler == 1))
        return false;
    params.selectFlag(FlagId::rbConfigVCOScaler);
    return true;
}

namespace {
// The points a run holds at once.
double keptPoints(double points, bool handedOver) {
    return handedOver ? std::min(points, static_cast<double>(kResultBlockPoints)) : points;
}
} // namespace

RunSize EstimateRunSize(const ParameterSet& p, Stimulus stimulus, const Configuration& config,
                        bool addNoise) {
    return EstimateRunSize(p, stimulus, config, addNoise, false);
}

RunSize EstimateRunSize(const ParameterSet& p, Stimulus stimulus, const Configuration& config,
                        bool addNoise, bool filtered, bool handedOver) {
    RunSize size;
    const float fRef = referenceFrequency(p, stimulus);
    const std::int32_t periodCount = ReferencePeriodCount(p.SimulT, fRef);
    const double periods = periodCount;
    size.referencePeriods = periods;
    const double f0 = p.Simulf0;

    // The memory is counted as the run allocates it, array by array: the reference records
    // (one shared record without noise), the noise arrays, the ADPLL's edge list and the result
    // list.
    double bytes = (addNoise ? periods : 1.0) * sizeof(RefPeriodRecord);
    if (addNoise)
        bytes += ((4 * periods + 265) + (4 * periods + 9)) * sizeof(float);
    if (config.isAdpll()) {
        const double m = std::max(1, p.FiltDesignM);
        const double n = std::max(1, p.FiltDesignN);
        size.steps = periods * (4 + (m + 2 * n) * f0 / fRef);
        bytes += static_cast<double>(RefEdgeListCapacity(periodCount, addNoise)) * sizeof(double);
        bytes += keptPoints(periods + 1, handedOver) * sizeof(ResultPair);
    } else {
        const double steps = periods * p.SimulnSamp;
        // The detectors visit every half period of the oscillator, so a fast oscillator against
        // a slow reference costs work beyond the step count.
        const double uMid = (static_cast<double>(p.ConfigUSupP) + p.ConfigUSupN) * 0.5;
        const double swing =
            std::max(std::fabs(p.ConfigVCOSatP - uMid), std::fabs(p.ConfigVCOSatN - uMid));
        double divider = 1;
        if (config.oscillator == Oscillator::VCOScaler) {
            divider = std::max(1, p.ConfigN);
            if (stimulus == Stimulus::NStep)
                divider = std::max(1.0, std::min(divider, divider + p.SimuldN));
        }
        const double fOscMax =
            (divider * f0 + std::fabs(static_cast<double>(p.ConfigK0)) * swing / (2 * M_PI)) /
            divider;
        size.steps = steps + 2 * fOscMax * periods / fRef;
        // "Filter" records one point a period, and only with four steps a period.
        const bool onePerPeriod = filtered && p.SimulnSamp <= 4;
        const double points = (onePerPeriod ? std::floor(steps / 4) : steps) + 1;
        bytes += keptPoints(points, handedOver) * sizeof(ResultPair);
    }
    size.bytes = bytes;
    return size;
}

std::optional<Message> ValidateSimulation(const ParameterSet& p, Stimulus stimulus,
                                          const Configuration& config, bool handedOver) {
    const bool adpll = config.isAdpll();
    if (p.Simulf0 <= 0)
        return illegal("f0 must be > 0", TextId::Simulf0);
    if (stimulus == Stimulus::FStep && p.Simulf0 + p.Simuldf <= 0)
        return illegal("Sum f0 + df must be > 0", TextId::Simuldf);
    if (stimulus == Stimulus::PhiStep && (p.Simuldphi < -180 || p.Simuldphi > 180))
        return illegal("dphi must be in range -180..180", TextId::Simuldphi);
    if (stimulus == Stimulus::NStep &&
        static_cast<long long>(p.ConfigN) + static_cast<long long>(p.SimuldN) <= 0)
        return illegal("Sum N + dN must be > 0", TextId::SimuldN);
    if (!adpll && (p.SimulnSamp < 4 || p.SimulnSamp > 64))
        return illegal("nSamp must be in range 4..64", TextId::SimulnSamp);
    if (p.SimulT <= 0)
        return illegal("T must be > 0", TextId::SimulT);
    if (p.SimulZoomFact < 1 || p.SimulZoomFact > 16)
        return illegal("ZoomFact must be in range 1..16", TextId::SimulZoomFact);
    if (p.SimulNoiseBW < 0.1f || p.SimulNoiseBW > 1.0f)
        return illegal("NoiseBWRel must be in range 0.1..1", TextId::SimulNoiseBW);

    // Beyond the panel's own rules: counters that would divide by zero, and runs too large to
    // finish or to hold in memory.
    if (adpll && (p.FiltDesignM < 1 || p.FiltDesignN < 1 || p.FiltDesignK < 1))
        return illegal("ADPLL counters M, N and K must be >= 1", std::nullopt);
    if (!adpll && config.oscillator == Oscillator::VCOScaler && p.ConfigN < 1)
        return illegal("N must be >= 1", std::nullopt);
    // The memory depends on "Add noise" and "Filter" as well, which the run checks exactly;
    // here a run is refused only when it cannot fit with any of those choices.
    const RunSize size = EstimateRunSize(p, stimulus, config, false, true, handedOver);
    if (!(size.steps <= kMaxRunSteps))
        return illegal("T too large: the run would need more than 2000000000 steps",
                       TextId::SimulT);
    return memoryRefusal(size);
}

std::string FormatProposedT(float seconds) {
    char rounded[32];
    std::snprintf(rounded, sizeof rounded, "%.2e", static_cast<double>(seconds));
    char text[64];
    std::snprintf(text, sizeof text, "%.9f", std::strtod(rounded, nullptr));
    return text;
}

PanelPreparation PrepareSimulationPanel(ParameterSet& params, const Configuration& config,
                                        const FilterDesignState& design) {
    PanelPreparation prep;
    const bool adpll = config.isAdpll();
    const std::string f0 = params.text(adpll ? TextId::ConfigADPLLf0 : TextId::ConfigLDPLLf0);
    if (!params.setEntry(TextId::Simulf0, f0))
        params.setTextRaw(TextId::Simulf0, f0);
    prep.filterVisible = !adpll;
    prep.nSampVisible = !adpll;
    if (const std::optional<float> f3db = Find3dBFrequency(design, config)) {
        const std::string text = FormatProposedT(4.0f / *f3db);
        if (params.setEntry(TextId::SimulT, text))
            prep.proposedT = text;
    }
    return prep;
}
std::optional<Message> ValidateRunSize(const ParameterSet& params, Stimulus stimulus,
                                       const Configuration& config, bool addNoise, bool filtered,
                                       bool handedOver) {
    return memoryRefusal(EstimateRunSize(params, stimulus, config, addNoise, filtered, handedOver));
}

} // namespace loopcraft
