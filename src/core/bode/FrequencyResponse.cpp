// Frequency response: grid, ranges, mapping factors and curves.
#include "core/bode/FrequencyResponse.h"

#include "core/base/NonFinite.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <utility>

namespace loopcraft {

namespace {

// A float spans about 83 decades; no decade search needs more steps than this.
constexpr int kMaxDecadeSteps = 100;
// Beyond this many 90-degree steps the phase bound is taken in closed form instead.
constexpr int kMaxPhaseSteps = 100000;
constexpr double kInvPi = 0.3183098861837907;

float degrees(float radians) {
    return static_cast<float>(static_cast<double>(radians) * 180.0 * kInvPi);
}

float decibels(float magSq) {
    return static_cast<float>(10.0 * std::log10(magSq));
}

float times(float v, double factor) {
    return static_cast<float>(v * factor);
}

// Grid size for accepted-looking inputs, in 64 bits so that no entry can overflow it.
std::int64_t gridPointCount(float fMin, float fMax, int pointsPerDecade, int* decadesOut) {
    const float start = DecadeAtOrBelow(fMin);
    const float stop = DecadeAtOrAbove(fMax);
    // Both ends are powers of ten up to float rounding, so the decade count is the nearest
    // whole logarithm of their ratio. (Adding 0.1 to the ratio before taking the floor only
    // protects small ratios: from about 10^17 on, a ratio a hair below 10^k loses a decade.)
    // In double, as the ratio of decades far apart (1e-38 .. 1e6) overflows a float.
    const double ratio = static_cast<double>(stop) / static_cast<double>(start);
    const double decades = std::round(std::log10(ratio));
    if (!std::isfinite(decades) || decades < 0 || decades > 1000) {
        return -1;
    }
    const int decadeCount = static_cast<int>(decades);
    if (decadesOut != nullptr) {
        *decadesOut = decadeCount;
    }
    return static_cast<std::int64_t>(decadeCount) * pointsPerDecade + 1;
}

} // namespace

BodeEntries BodeEntries::fromParameters(const ParameterSet& params) {
    return {params.text(TextId::BodefMin), params.text(TextId::BodefMax),
            params.text(TextId::BodeNumPoints)};
}

bool ReadBodeEntries(ParameterSet& params, const BodeEntries& entries, std::string* message,
                     TextId* failedField) {
    const std::pair<TextId, const std::string*> order[] = {
        {TextId::BodefMin, &entries.fMin},
        {TextId::BodefMax, &entries.fMax},
        {TextId::BodeNumPoints, &entries.numPoints},
    };
    for (const auto& [id, text] : order) {
        if (!params.setEntry(id, *text, message)) {
            if (failedField != nullptr) {
                *failedField = id;
            }
            return false;
        }
    }
    return true;
}

int ValidateBodeEntries(const ParameterSet& params) {
    if (!(params.BodefMin > 0)) {
        return 1;
    }
    if (!(params.BodefMax > 0)) {
        return 2;
    }
    if (params.BodefMax <= params.BodefMin) {
        return 3;
    }
    if (params.BodeNumPoints < 1) {
        return 4;
    }
    const std::int64_t points =
        gridPointCount(params.BodefMin, params.BodefMax, params.BodeNumPoints, nullptr);
    if (points < 0 || points > kMaxBodePoints) {
        return 5;
    }
    return 0;
}

Message BodeEntryError(int code) {
    auto illegal = [](const char* text, TextId field) {
        return Message{kIllegalEntryTitle, text, field};
    };
    switch (code) {
    case 1:
        return illegal("fMin must be positive", TextId::BodefMin);
    case 2:
        return illegal("fMax must be positive", TextId::BodefMax);
    case 3:
        return illegal("fMax must be greater than fMin", TextId::BodefMax);
    case 4:
        return illegal("NumPoints must be positive", TextId::BodeNumPoints);
    default:
        break;
    }
    return illegal("NumPoints too large: the plot would need more than 100000 points",
                   TextId::BodeNumPoints);
}

float DecadeAtOrBelow(float x) {
    float v = 1.0F;
    if (1.0F > x) {
        for (int i = 0; v > x && i < kMaxDecadeSteps; ++i) {
            v = times(v, 0.1);
        }
    } else {
        for (int i = 0; v <= x && i < kMaxDecadeSteps; ++i) {
            v = times(v, 10.0);
        }
        v = times(v, 0.1);
    }
    return v;
}

float DecadeAtOrAbove(float x) {
    float v = 1.0F;
    if (1.0F >= x) {
        for (int i = 0; v >= x && i < kMaxDecadeSteps; ++i) {
            v = times(v, 0.1);
        }
        v = times(v, 10.0);
    } else {
        for (int i = 0; v < x && i < kMaxDecadeSteps; ++i) {
            v = times(v, 10.0);
        }
    }
    return v;
}

float Multiple90AtOrAbove(float deg) {
    if (std::fabs(deg) > 90.0F * kMaxPhaseSteps) {
        return 90.0F * std::ceil(deg / 90.0F);
    }
    float v = 0.0F;
    if (0.0F >= deg) {
        while (v >= deg) {
            v -= 90.0F;
        }
        v += 90.0F;
    } else {
        while (v < deg) {
            v += 90.0F;
        }
    }
    return v;
}

float Multiple90AtOrBelow(float deg) {
    if (std::fabs(deg) > 90.0F * kMaxPhaseSteps) {
        return 90.0F * std::floor(deg / 90.0F);
    }
    float v = 0.0F;
    if (0.0F >= deg) {
        while (v > deg) {
            v -= 90.0F;
        }
    } else {
        while (v <= deg) {
            v += 90.0F;
        }
        v -= 90.0F;
    }
    return v;
}

void FrequencyResponse::accept(float fMin, float fMax, int points) {
    fMinUsed = fMin;
    fMaxUsed = fMax;
    pointsPerDecade = points;
    fStart = DecadeAtOrBelow(fMinUsed);
    mAccepted = true;
}

bool FrequencyResponse::compute(const LoopEvaluator& evaluate, const PlotFrame& frame) {
    if (!mAccepted) {
        return false;
    }
    int decades = 0;
    const std::int64_t points = gridPointCount(fMinUsed, fMaxUsed, pointsPerDecade, &decades);
    if (points < 1 || points > kMaxBodePoints) {
        return false; // never for inputs that passed validation
    }
    fStop = DecadeAtOrAbove(fMaxUsed);
    decadeCount = decades;
    pointCount = static_cast<std::uint32_t>(points);

    // Only the two end points decide the axis ranges.
    responseAtStart = evaluate(fStart);
    responseAtStop = evaluate(fStop);
    const float magSqs[] = {responseAtStart.openLoopMagSq, responseAtStart.closedLoopMagSq,
                            responseAtStop.openLoopMagSq, responseAtStop.closedLoopMagSq};
    const float phases[] = {
        degrees(responseAtStart.openLoopPhase), degrees(responseAtStart.closedLoopPhase),
        degrees(responseAtStop.openLoopPhase), degrees(responseAtStop.closedLoopPhase)};
    // A gain of zero or a non-finite value has no place on a logarithmic axis; it is left out
    // of the range rather than sending the decade searches to the end of the float range.
    bool anyMag = false;
    for (const float m : magSqs) {
        if (std::isfinite(m) && m > 0) {
            magSqMax = anyMag ? std::max(magSqMax, m) : m;
            magSqMin = anyMag ? std::min(magSqMin, m) : m;
            anyMag = true;
        }
    }
    if (!anyMag) {
        magSqMax = magSqMin = 1.0F;
    }
    bool anyPhase = false;
    for (const float p : phases) {
        if (std::isfinite(p)) {
            phaseMaxDeg = anyPhase ? std::max(phaseMaxDeg, p) : p;
            phaseMinDeg = anyPhase ? std::min(phaseMinDeg, p) : p;
            anyPhase = true;
        }
    }
    if (!anyPhase) {
        phaseMaxDeg = phaseMinDeg = 0.0F;
    }

    magSqTop = DecadeAtOrAbove(magSqMax);
    magSqBottom = DecadeAtOrBelow(magSqMin);
    if (!(magSqTop > magSqBottom)) {
        // All ends on the same power of ten: one decade either side instead of a zero span.
        magSqTop = times(magSqTop, 10.0);
        magSqBottom = times(magSqBottom, 0.1);
    }
    phaseTop = Multiple90AtOrAbove(phaseMaxDeg);
    phaseBottom = Multiple90AtOrBelow(phaseMinDeg);
    if (!(phaseTop > phaseBottom)) {
        phaseTop += 90.0F;
        phaseBottom -= 90.0F;
    }
    dbTop = decibels(magSqTop);
    dbBottom = decibels(magSqBottom);
    logFStart = static_cast<float>(std::log10(fStart));
    logFStop = static_cast<float>(std::log10(fStop));
    mapOnto(frame);

    stepRatio = static_cast<float>(std::pow(10.0, 1.0 / pointsPerDecade));

    logFreq.clear();
    openGainDb.clear();
    openPhaseDeg.clear();
    closedGainDb.clear();
    closedPhaseDeg.clear();
    logFreq.reserve(pointCount);
    openGainDb.reserve(pointCount);
    openPhaseDeg.reserve(pointCount);
    closedGainDb.reserve(pointCount);
    closedPhaseDeg.reserve(pointCount);
    // Advanced multiplicatively and not re-anchored at decades, so the last point lies on fStop
    // up to the accumulated rounding.
    float f = fStart;
    for (std::uint32_t i = 0; i < pointCount; ++i) {
        const LoopResponse r = evaluate(f);
        logFreq.push_back(static_cast<float>(std::log10(f)));
        openGainDb.push_back(decibels(r.openLoopMagSq));
        openPhaseDeg.push_back(degrees(r.openLoopPhase));
        closedGainDb.push_back(decibels(r.closedLoopMagSq));
        closedPhaseDeg.push_back(degrees(r.closedLoopPhase));
        f = f * stepRatio;
    }
    mComputed = true;
    return true;
}

void FrequencyResponse::discardCurves() {
    logFreq.clear();
    openGainDb.clear();
    openPhaseDeg.clear();
    closedGainDb.clear();
    closedPhaseDeg.clear();
    mComputed = false;
}

void FrequencyResponse::mapOnto(const PlotFrame& frame) {
    magScale = static_cast<float>(frame.yTop - frame.yMid) / (dbTop - dbBottom);
    magOffset = static_cast<float>(frame.yTop) - magScale * dbTop;
    phaseScale = static_cast<float>(frame.yMid - frame.yBottom) / (phaseTop - phaseBottom);
    phaseOffset = static_cast<float>(frame.yMid) - phaseScale * phaseTop;
    freqScale = static_cast<float>(frame.xRight - frame.xLeft) / (logFStop - logFStart);
    freqOffset = static_cast<float>(frame.xLeft) - freqScale * logFStart;
}

namespace {

// The first point of the four curves that is not finite, named with its curve and frequency.
std::optional<Message> nonFiniteCurvePoint(const FrequencyResponse& r) {
    const std::pair<const char*, const std::vector<float>*> curves[] = {
        {"the open-loop gain (dB)", &r.openGainDb},
        {"the open-loop phase (deg)", &r.openPhaseDeg},
        {"the closed-loop gain (dB)", &r.closedGainDb},
        {"the closed-loop phase (deg)", &r.closedPhaseDeg},
    };
    for (std::size_t i = 0; i < r.logFreq.size(); ++i) {
        for (const auto& [name, values] : curves) {
            const float v = (*values)[i];
            if (!std::isfinite(v)) {
                std::array<char, 32> freq{};
                std::snprintf(freq.data(), freq.size(), "%g",
                              std::pow(10.0, static_cast<double>(r.logFreq[i])));
                return NonFiniteMessage(std::string(name) + " at " + freq.data() + " Hz", v);
            }
        }
    }
    return std::nullopt;
}

} // namespace

std::optional<Message> CheckBodeEntries(ParameterSet& params, const BodeEntries& entries) {
    std::string message;
    TextId field{};
    if (!ReadBodeEntries(params, entries, &message, &field)) {
        return Message{kFormatErrorTitle, message, field, true};
    }
    if (const int code = ValidateBodeEntries(params); code != 0) {
        return BodeEntryError(code);
    }
    return std::nullopt;
}

BodeRun ComputeBodeResponse(FrequencyResponse& response, ParameterSet& params,
                            const BodeEntries& entries, const LoopEvaluator& evaluate,
                            const PlotFrame& frame) {
    BodeRun run;
    run.error = CheckBodeEntries(params, entries);
    if (!run.error) {
        response.accept(params.BodefMin, params.BodefMax, params.BodeNumPoints);
    }
    // A refused entry leaves the previous grid: the response is rebuilt from what was accepted.
    run.computed = response.compute(evaluate, frame);
    if (run.computed) {
        if (std::optional<Message> bad = nonFiniteCurvePoint(response)) {
            response.discardCurves();
            run.computed = false;
            if (!run.error) {
                run.error = std::move(bad);
            }
        }
    }
    return run;
}

} // namespace loopcraft
