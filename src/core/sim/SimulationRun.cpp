#include "core/sim/SimulationRun.h"

#include "core/base/NonFinite.h"
#include "core/design/LoopModel.h"
#include "core/sim/ReferenceSignal.h"
#include "core/sim/RunStimulus.h"
#include "core/sim/models/LF_ActiveLL.h"
#include "core/sim/models/LF_ActivePI.h"
#include "core/sim/models/LF_KCounter.h"
#include "core/sim/models/LF_PassiveLL.h"
#include "core/sim/models/OSC_ID_Counter.h"
#include "core/sim/models/OSC_VCO.h"
#include "core/sim/models/OSC_VCO_N.h"
#include "core/sim/models/PD_EXOR.h"
#include "core/sim/models/PD_JK.h"
#include "core/sim/models/PD_MUL.h"
#include "core/sim/models/PD_PFD.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <type_traits>

namespace loopcraft {

namespace {

// Progress is reported every 4096 steps, or every 64 ADPLL periods (a period holds one event per
// counter clock, hundreds of them), often enough that a cancelled run stops within milliseconds.
constexpr std::uint32_t kProgressMask = 0xFFF;
constexpr std::uint32_t kAdpllProgressMask = 0x3F;

void report(const SimulationProgress& progress, std::uint32_t done, std::uint32_t total) {
    if (progress)
        progress(total == 0 ? 1.0f : static_cast<float>(done) / static_cast<float>(total));
}

// Thrown out of the loops by the progress report once the caller asked the run to stop, so that
// the loops themselves carry no second check.
struct RunCancelled {};

SimulationProgress watchedProgress(const SimulationProgress& progress,
                                   const SimulationCancel* cancel) {
    if (!cancel)
        return progress;
    return [&progress, cancel](float done) {
        if (progress)
            progress(done);
        if (cancel->load(std::memory_order_relaxed))
            throw RunCancelled{};
    };
}

// A value below the minimum replaces it, one above the maximum replaces it (a NaN never does).
// Written as selections, which compile to min/max instructions instead of branches.
void updateExtremes(SimState& s, float c1, float c2) {
    s.Curve1Min = c1 < s.Curve1Min ? c1 : s.Curve1Min;
    s.Curve1Max = c1 > s.Curve1Max ? c1 : s.Curve1Max;
    s.Curve2Min = c2 < s.Curve2Min ? c2 : s.Curve2Min;
    s.Curve2Max = c2 > s.Curve2Max ? c2 : s.Curve2Max;
}

std::optional<std::size_t> firstNonFinite(const std::vector<ResultPair>& points) {
    for (std::size_t i = 0; i < points.size(); ++i)
        if (!std::isfinite(points[i].Curve1) || !std::isfinite(points[i].Curve2))
            return i;
    return std::nullopt;
}

// Hands the points recorded so far to the sink, if the run has one; without one, Results keeps
// growing.
[[gnu::noinline]] void handOverResults(SimState& s) {
    if (!s.ResultSink)
        return;
    if (!s.FirstNonFinitePoint) {
        if (const auto bad = firstNonFinite(s.Results))
            s.FirstNonFinitePoint = std::pair{s.RecordedPoints + *bad, s.Results[*bad]};
    }
    s.ResultSink(s.Results);
    s.RecordedPoints += s.Results.size();
    s.Results.clear();
}

void record(SimState& s, float c1, float c2) {
    updateExtremes(s, c1, c2);
    // A kept run reserves all its points beforehand, so only a run with a sink gets here.
    if (s.Results.size() == s.Results.capacity()) [[unlikely]]
        handOverResults(s);
    s.Results.push_back({c1, c2});
}

// One step of the "Filter" moving average over the last four values.
float movingAverage(float& sum, std::array<float, 4>& ring, float value) {
    sum = value * 0.25f + sum - ring[3] * 0.25f;
    ring[3] = ring[2];
    ring[2] = ring[1];
    ring[1] = ring[0];
    ring[0] = value;
    return sum;
}

struct NoFilter {}; // loop order 1: the detector drives the oscillator directly

// The mixed-signal step of each detector, without the category test of Step().
void detectorStep(PD_MUL& pd, SimState& s) {
    pd.Step(s);
}
void detectorStep(PD_EXOR& pd, SimState& s) {
    pd.StepMixed(s);
}
void detectorStep(PD_JK& pd, SimState& s) {
    pd.StepMixed(s);
}
void detectorStep(PD_PFD& pd, SimState& s) {
    pd.Step(s);
}

// One instance per detector, filter and oscillator. Every step of the chain is inlined into it
// (the models define their steps in their headers), so a step runs as straight code without
// calls. Each model gets the record from here rather than through its own pointer to it, so
// that the values handed from model to model through SimState can stay in registers.
template <class PD, class LF, class OSC>
[[gnu::flatten]] void mixedLoop(SimState& s, PD& pd, LF* lf, OSC& osc, bool filtered,
                                bool chargePump, const SimulationProgress& progress) {
    const std::uint32_t total = s.SimulNumSteps;
    // The oscillator's own frequency, averaged over each reference period: its ripple within
    // a period cancels, which the lock time must not count as unlocked.
    const std::uint32_t perPeriod = static_cast<std::uint32_t>(s.SimulnSamp);
    // The centre as the oscillator computes it, so that a locked loop shows no deviation.
    const double centre = static_cast<double>(
        (std::is_same_v<OSC, OSC_VCO_N> ? static_cast<float>(s.ConfigN) : 1.0f) * 3.14159f * 2.0f *
        s.Simulf0);
    double omegaSum = 0;
    std::uint32_t inPeriod = 0;
    for (std::uint32_t k = 1; k <= total; ++k) {
        s.StepIndex = k;
        detectorStep(pd, s);
        if constexpr (std::is_same_v<LF, NoFilter>) {
            (void)lf;
            s.Uf = s.Ud;
        } else {
            lf->Step(s);
        }
        osc.Step(s);
        omegaSum += osc.Omega;
        if (++inPeriod == perPeriod) [[unlikely]] {
            s.PeriodDeviation.push_back(
                static_cast<float>((omegaSum / perPeriod - centre) * (1.0 / 6.283185307179586)));
            omegaSum = 0;
            inPeriod = 0;
        }
        if (!filtered) {
            record(s, chargePump ? s.Id : s.Ud, s.Uf);
        } else {
            const float c1 = movingAverage(s.Curve1Sum, s.Curve1Ring, s.Ud);
            const float c2 = movingAverage(s.Curve2Sum, s.Curve2Ring, s.Uf);
            const float id = movingAverage(s.IdSum, s.IdRing, s.Id);
            if (k % 4 == 0)
                record(s, chargePump ? id : c1, c2);
        }
        if ((k & kProgressMask) == 0)
            report(progress, k, total);
    }
}

template <class PD, class LF>
void mixedWithOscillator(SimState& s, PD& pd, LF* lf, const Configuration& config, bool filtered,
                         const SimulationProgress& progress) {
    if (config.oscillator == Oscillator::VCOScaler)
        mixedLoop(s, pd, lf, *s.OscVcoN, filtered, config.chargePump(), progress);
    else
        mixedLoop(s, pd, lf, *s.OscVco, filtered, config.chargePump(), progress);
}

template <class PD>
void mixedWithFilter(SimState& s, PD& pd, const Configuration& config, bool filtered,
                     const SimulationProgress& progress) {
    if (config.order == 1) {
        mixedWithOscillator(s, pd, static_cast<NoFilter*>(nullptr), config, filtered, progress);
        return;
    }
    switch (config.filter) {
    case LoopFilter::PassiveLL:
        mixedWithOscillator(s, pd, s.LfPassiveLL.get(), config, filtered, progress);
        break;
    case LoopFilter::ActiveLL:
        mixedWithOscillator(s, pd, s.LfActiveLL.get(), config, filtered, progress);
        break;
    case LoopFilter::ActivePI:
        mixedWithOscillator(s, pd, s.LfActivePI.get(), config, filtered, progress);
        break;
    }
}

// One instance per detector, with the counters' and the detector's steps inlined.
template <class PD>
[[gnu::flatten]] void adpllLoop(SimState& s, PD& pd, bool jk, bool phaseStep,
                                const SimulationProgress& progress) {
    LF_KCounter& kCounter = *s.LfKCounter;
    OSC_ID_Counter& dco = *s.OscIdCounter;
    const float kClockStep = s.SimulfRef / (static_cast<float>(s.FiltDesignM) * s.Simulf0);
    const float idClockStep = s.SimulfRef / (2.0f * static_cast<float>(s.FiltDesignN) * s.Simulf0);
    float thetaE = 0;
    float deltaF2 = 0;

    const std::uint32_t total = s.SimulNumSteps;
    for (std::uint32_t k = 1; k <= total; ++k) {
        s.StepIndex = k;
        while (s.TKClock < 1.0f || s.TIDClock < 1.0f || s.TRefEdge < 1.0f) {
            bool any = false;
            if (s.TRefEdge <= s.TKClock && s.TRefEdge <= s.TIDClock) {
                s.U1Bit = s.U1Bit == 0 ? 1 : 0;
                s.U1Edge = true;
                pd.Step();
                const double here = s.RefEdgeList[static_cast<std::size_t>(s.RefEdgeIndex)];
                s.TRefEdge += static_cast<float>(NextRefEdge(s, s.RefEdgeIndex) - here);
                s.RefEdgeIndex += 1;
                any = true;
            }
            if (s.TKClock <= s.TRefEdge && s.TKClock <= s.TIDClock) {
                kCounter.Step();
                s.TKClock += kClockStep;
                any = true;
            }
            if (s.TIDClock <= s.TRefEdge && s.TIDClock <= s.TKClock) {
                dco.Step();
                if (s.U2Edge)
                    pd.Step();
                s.TIDClock += idClockStep;
                any = true;
            }
            if (!any)
                break; // only with non-finite clocks: nothing can ever become due
        }
        s.TKClock -= 1.0f;
        s.TIDClock -= 1.0f;
        s.TRefEdge -= 1.0f;
        if (s.U2RiseSeen) {
            deltaF2 = s.SimulfRef / static_cast<float>(s.TLastU2Rise - s.TPrevU2Rise) - s.Simulf0;
            const auto frac = static_cast<float>(s.TLastU2Rise - std::floor(s.TLastU2Rise));
            thetaE = (frac - (jk ? 0.5f : 0.25f)) * 360.0f;
            if (phaseStep)
                thetaE += s.Simuldphi;
            if (thetaE > 360.0f)
                thetaE -= 360.0f;
            s.TPrevU2Rise = s.TLastU2Rise;
        }
        s.U2RiseSeen = false;
        record(s, thetaE, deltaF2);
        s.PeriodDeviation.push_back(deltaF2);
        s.PeriodPhaseError.push_back(thetaE);
        if ((k & kAdpllProgressMask) == 0)
            report(progress, k, total);
    }
}

// The first recorded value that is not finite, named after its curve, at its time.
std::optional<Message> nonFiniteResult(const SimState& s, const Configuration& config) {
    std::optional<std::pair<std::size_t, ResultPair>> bad = s.FirstNonFinitePoint;
    if (!s.ResultSink) {
        if (const auto i = firstNonFinite(s.Results))
            bad = std::pair{*i, s.Results[*i]};
    }
    if (!bad)
        return std::nullopt;
    const char* curve1 = config.isAdpll()      ? "the phase error Theta_E"
                         : config.chargePump() ? "the charge-pump current Id"
                                               : "the detector output Ud";
    const char* curve2 =
        config.isAdpll() ? "the frequency deviation delta_f2" : "the filter output Uf";
    const auto [index, p] = *bad;
    const bool first = !std::isfinite(p.Curve1);
    char when[48];
    std::snprintf(when, sizeof when, " at t = %g s",
                  static_cast<double>(index) * static_cast<double>(RecordedPointInterval(s)));
    return NonFiniteMessage(std::string(first ? curve1 : curve2) + when,
                            first ? p.Curve1 : p.Curve2);
}

std::size_t expectedPoints(const SimState& s, bool adpll) {
    if (adpll)
        return static_cast<std::size_t>(s.SimulNumSteps) + 1;
    if (s.cbSimulFilter)
        return static_cast<std::size_t>(s.SimulNumSteps / 4) + 1;
    return static_cast<std::size_t>(s.SimulNumSteps) + 1;
}

// Room for every point of the run, or for one block when a sink takes them.
void reserveResults(SimState& s, bool adpll) {
    const std::size_t points = expectedPoints(s, adpll);
    s.Results.reserve(s.ResultSink ? std::min(points, kResultBlockPoints) : points);
}

} // namespace

float RecordedPointInterval(const SimState& s) {
    if (s.rbConfigDPLL != 1 || s.cbSimulFilter)
        return 1 / s.SimulfRef;
    return 1 / (static_cast<float>(s.SimulnSamp) * s.SimulfRef);
}

PlotSetup MakePlotSetup(const SimState& s, const PlotRect& frame) {
    PlotSetup p;
    const Configuration config = Configuration::fromFlags(s);
    if (config.isAdpll())
        p.kind = PlotKind::Adpll;
    else if (config.chargePump())
        p.kind = PlotKind::ChargePump;
    else
        p.kind = PlotKind::Voltages;
    p.Curve1Min = s.Curve1Min;
    p.Curve1Max = s.Curve1Max;
    p.Curve2Min = s.Curve2Min;
    p.Curve2Max = s.Curve2Max;
    p.ConfigUSupN = s.ConfigUSupN;
    p.ConfigUSupP = s.ConfigUSupP;
    p.SimulNumSteps = s.SimulNumSteps;
    p.SimulnSamp = s.SimulnSamp;
    p.SimulfRef = s.SimulfRef;
    p.SimulZoomFact = s.SimulZoomFact;
    p.filtered = s.cbSimulFilter;
    // A run that handed its points over still spans all of them on the time axis.
    p.numPoints = s.ResultSink ? s.RecordedPoints : s.Results.size();
    p.Frame = frame;
    return p;
}

namespace {

SimulationRunResult runWatched(SimState& s, const SimulationProgress& progress,
                               bool rangesChecked) {
    SimulationRunResult result;
    const Configuration config = Configuration::fromFlags(s);
    const bool adpll = config.isAdpll();
    if (adpll)
        s.SimulnSamp = 1;
    const Stimulus asked = StimulusFromFlags(s);
    const Stimulus stimulus = RunnableStimulus(asked, config);
    if (stimulus != asked)
        s.selectFlag(StimulusFlag(stimulus));
    const bool handedOver = static_cast<bool>(s.ResultSink);
    if (!rangesChecked) {
        if (auto refusal = ValidateSimulation(s, stimulus, config, handedOver)) {
            result.refusal = std::move(refusal);
            return result;
        }
    }
    if (auto refusal = ValidateRunSize(s, stimulus, config, s.cbSimulAddNoise,
                                       s.cbSimulFilter && !adpll, handedOver)) {
        result.refusal = std::move(refusal);
        return result;
    }

    // Model set-up. Reference, starting phase and mid-supply are the ones the whole-loop deck
    // starts from.
    const RunStimulus start = MakeRunStimulus(s, config, stimulus);
    s.UMid = start.uMid;
    result.scrollBarVisible = s.SimulZoomFact != 1;
    if (adpll) {
        s.Curve1Min = s.Curve1Max = s.Curve2Min = s.Curve2Max = 0;
    } else {
        s.Curve1Min = s.Curve1Max = config.chargePump() ? 0.0f : s.UMid;
        s.Curve2Min = s.Curve2Max = s.UMid;
    }
    s.SimulfRef = start.fRef;
    if (stimulus == Stimulus::PhiStep)
        s.SimuldphiRad = start.dphiRad;
    s.U1Bit = start.u1Bit;
    if (adpll) {
        s.TKClock = s.SimulfRef / (2.0f * static_cast<float>(s.FiltDesignM) * s.Simulf0);
        s.TIDClock = 0;
    }
    if (s.SimulnSamp > 4 && s.cbSimulFilter) {
        s.cbSimulFilter = false;
        result.filterUnchecked = true;
    }

    if (!adpll) {
        switch (config.filter) {
        case LoopFilter::PassiveLL: {
            LF_PassiveLL& lf = s.ensureModel(s.LfPassiveLL);
            lf.Ka = 1.0f;
            lf.Init();
            break;
        }
        case LoopFilter::ActiveLL:
            s.ensureModel(s.LfActiveLL).Init();
            break;
        case LoopFilter::ActivePI:
            s.ensureModel(s.LfActivePI).Init();
            break;
        }
        if (config.oscillator == Oscillator::VCOScaler)
            s.ensureModel(s.OscVcoN);
        else
            s.ensureModel(s.OscVco);
    } else {
        s.ensureModel(s.LfKCounter).Init();
        s.ensureModel(s.OscIdCounter).Init();
        s.U1Edge = false;
        s.U2Edge = false;
        const float share = config.adpllDetector == AdpllDetector::JK ? 0.5f : 0.75f;
        s.TPrevU2Rise = 1.0f - (s.SimulfRef * share) / s.Simulf0;
    }

    // The all-digital detectors start from the stimulus's reference level; the mixed-signal
    // ones are armed below, once the reference they start on is built.
    if (adpll) {
        if (config.adpllDetector == AdpllDetector::Exor)
            s.ensureModel(s.PdExor).Init();
        else
            s.ensureModel(s.PdJk).Init();
    }

    s.Ud = s.Uf = s.Curve1Sum = s.Curve2Sum = s.UMid;
    s.IdSum = 0;
    s.Curve1Ring.fill(s.UMid);
    s.Curve2Ring.fill(s.UMid);
    s.IdRing.fill(0);
    s.Theta2Start = start.theta2;
    s.Theta2End = static_cast<double>((s.Simulf0 * 6.28318f) /
                                      (static_cast<float>(s.SimulnSamp) * s.SimulfRef)) +
                  s.Theta2Start;

    // The previous run's results go before the new run's arrays come, so the two never add up.
    std::vector<ResultPair>().swap(s.Results);
    s.RecordedPoints = 0;
    s.FirstNonFinitePoint.reset();
    BuildReference(s);
    std::vector<float>().swap(s.PeriodDeviation);
    std::vector<float>().swap(s.PeriodPhaseError);
    s.PeriodDeviation.reserve(static_cast<std::size_t>(s.NumRefPeriods));
    if (adpll)
        s.PeriodPhaseError.reserve(static_cast<std::size_t>(s.NumRefPeriods));

    if (!adpll) {
        switch (config.detector) {
        case Detector::Mul:
            s.ensureModel(s.PdMul).Init();
            break;
        case Detector::Exor:
            s.ensureModel(s.PdExor).Init();
            break;
        case Detector::JK:
            s.ensureModel(s.PdJk).Init();
            break;
        case Detector::PFD:
        case Detector::PFD_CP:
            s.ensureModel(s.PdPfd).Init();
            break;
        }
    }

    if (adpll) {
        reserveResults(s, true);
        s.Results.push_back({0, 0});
        s.U2RiseSeen = false;
        const bool jk = config.adpllDetector == AdpllDetector::JK;
        const bool phaseStep = stimulus == Stimulus::PhiStep;
        if (jk)
            adpllLoop(s, *s.PdJk, true, phaseStep, progress);
        else
            adpllLoop(s, *s.PdExor, false, phaseStep, progress);
    } else {
        s.SimulNumSteps =
            static_cast<std::uint32_t>(s.NumRefPeriods) * static_cast<std::uint32_t>(s.SimulnSamp);
        reserveResults(s, false);
        s.Results.push_back({config.chargePump() ? 0.0f : s.UMid, s.UMid});
        const bool filtered = s.cbSimulFilter;
        switch (config.detector) {
        case Detector::Mul:
            mixedWithFilter(s, *s.PdMul, config, filtered, progress);
            break;
        case Detector::Exor:
            mixedWithFilter(s, *s.PdExor, config, filtered, progress);
            break;
        case Detector::JK:
            mixedWithFilter(s, *s.PdJk, config, filtered, progress);
            break;
        case Detector::PFD:
        case Detector::PFD_CP:
            mixedWithFilter(s, *s.PdPfd, config, filtered, progress);
            break;
        }
    }
    handOverResults(s);
    s.RecordedPoints += s.Results.size();
    report(progress, s.SimulNumSteps, s.SimulNumSteps);

    if (auto bad = nonFiniteResult(s, config)) {
        std::vector<ResultPair>().swap(s.Results);
        s.ResultsValid = false;
        result.refusal = std::move(bad);
        result.resultsDiscarded = true;
        return result;
    }
    s.ResultsValid = !s.ResultSink;
    result.points = s.RecordedPoints;
    result.pointInterval = RecordedPointInterval(s);
    return result;
}

} // namespace

SimulationRunResult runSimulation(SimState& s, const SimulationProgress& progress,
                                  const SimulationCancel* cancel, bool rangesChecked) {
    try {
        return runWatched(s, watchedProgress(progress, cancel), rangesChecked);
    } catch (const RunCancelled&) {
        // Stopped half-way: what was recorded is no run, so nothing of it stays.
        std::vector<ResultPair>().swap(s.Results);
        s.RecordedPoints = 0;
        s.ResultsValid = false;
        SimulationRunResult result;
        result.cancelled = true;
        return result;
    }
}

} // namespace loopcraft
