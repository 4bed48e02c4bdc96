// The frequency response behind the Bode window: a logarithmic grid over whole decades, the loop
// evaluated at every point, the axis ranges decided by the two end points, and the factors that
// map gains, phases and frequencies onto the plot frame.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/design/LoopResponse.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

// More points than this would only exhaust memory; the entry that asks for them is refused.
inline constexpr std::uint32_t kMaxBodePoints = 100000;

// The three Bode entries as typed.
struct BodeEntries {
    std::string fMin;
    std::string fMax;
    std::string numPoints;

    static BodeEntries fromParameters(const ParameterSet& params);
};

// Reads fMin, fMax and the points per decade into the parameter set in this order, stopping at
// the first that does not convert (false, with the "Format error" message and its parameter).
bool ReadBodeEntries(ParameterSet& params, const BodeEntries& entries,
                     std::string* message = nullptr, TextId* failedField = nullptr);

// 0 when BodefMin, BodefMax and BodeNumPoints are acceptable, otherwise the first broken rule:
// 1 fMin <= 0, 2 fMax <= 0, 3 fMax <= fMin, 4 points per decade < 1, 5 more than
// kMaxBodePoints grid points.
int ValidateBodeEntries(const ParameterSet& params);

// Message (title "Illegal entry") and focus edit for a nonzero code.
Message BodeEntryError(int code);

// Reads the entries into the parameter set and checks them: the first failure, or nothing when
// they are accepted. What Redraw and Done of the Bode window both do first.
std::optional<Message> CheckBodeEntries(ParameterSet& params, const BodeEntries& entries);

// Decade searches from 1.0 by repeated steps of 10 and 0.1, each product stored as a float.
// Both expect a positive, finite value and give up after the float range is exhausted.
float DecadeAtOrBelow(float x); // largest power of ten not above x
float DecadeAtOrAbove(float x); // smallest power of ten not below x
// Multiples of 90 degrees found from 0 in steps of 90.
float Multiple90AtOrAbove(float deg);
float Multiple90AtOrBelow(float deg);

// Grid frame of the plot in pixels; the gain plot fills yTop..yMid, the phase plot yMid..yBottom.
struct PlotFrame {
    int xLeft = 0;
    int xRight = 0;
    int yTop = 0;
    int yBottom = 0;
    int yMid = 0;

    static PlotFrame fromEdges(int xLeft, int xRight, int yTop, int yBottom) {
        return {xLeft, xRight, yTop, yBottom, (yTop + yBottom) / 2};
    }
};

// The loop's response at a frequency in Hz.
using LoopEvaluator = std::function<LoopResponse(float)>;

class FrequencyResponse {
public:
    // Takes grid inputs that passed validation.
    void accept(float fMin, float fMax, int pointsPerDecade);
    bool hasAcceptedInputs() const { return mAccepted; }

    // Grid, end points, axis ranges, mapping factors and curves from the inputs last accepted.
    // False (and nothing changed) when no inputs were ever accepted.
    bool compute(const LoopEvaluator& evaluate, const PlotFrame& frame);
    // Mapping factors for another frame, from the current axis ranges.
    void mapOnto(const PlotFrame& frame);

    bool hasCurves() const { return mComputed; }
    // Forgets the curves (the accepted inputs stay), so nothing is plotted from them.
    void discardCurves();

    // Inputs last accepted.
    float fMinUsed = 0;
    float fMaxUsed = 0;
    int pointsPerDecade = 0;

    float fStart = 0;
    float fStop = 0;
    int decadeCount = 0;
    std::uint32_t pointCount = 0;

    LoopResponse responseAtStart;
    LoopResponse responseAtStop;
    float magSqMax = 0;
    float magSqMin = 0;
    float phaseMaxDeg = 0;
    float phaseMinDeg = 0;
    float magSqTop = 0;
    float magSqBottom = 0;
    float dbTop = 0;
    float dbBottom = 0;
    float phaseTop = 0;
    float phaseBottom = 0;
    float logFStart = 0;
    float logFStop = 0;

    float magScale = 0;
    float magOffset = 0;
    float phaseScale = 0;
    float phaseOffset = 0;
    float freqScale = 0;
    float freqOffset = 0;
    float stepRatio = 0;

    std::vector<float> logFreq;
    std::vector<float> openGainDb;
    std::vector<float> openPhaseDeg;
    std::vector<float> closedGainDb;
    std::vector<float> closedPhaseDeg;

private:
    bool mAccepted = false;
    bool mComputed = false;
};

struct BodeRun {
    // Set when the entries were refused: title ("Format error" or "Illegal entry"), message and
    // the edit to focus. The response was then recomputed from the inputs accepted before.
    // Also set (kNonFiniteTitle) when a curve came out infinite or not-a-number.
    std::optional<Message> error;
    // False when no inputs were ever accepted, or when the curves were not finite: the window
    // then shows the message and no plot.
    bool computed = false;
};

// The Bode window's computation: read and validate the entries, accept them when they pass,
// then recompute from the inputs last accepted. Curves that are not finite everywhere are
// discarded with a message naming the first such point.
BodeRun ComputeBodeResponse(FrequencyResponse& response, ParameterSet& params,
                            const BodeEntries& entries, const LoopEvaluator& evaluate,
                            const PlotFrame& frame);

} // namespace loopcraft
