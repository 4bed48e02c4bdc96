// The phase-noise window without widgets: its entries as typed, the two tables as CSV text, and
// the one operation the window runs after every edit. A bad entry does not interrupt typing: the
// outcome carries the message, which the window shows in place of the plot.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/noise/PhaseNoiseAnalysis.h"
#include "core/noise/PhaseNoiseSettings.h"

#include <array>
#include <optional>
#include <string>

namespace loopcraft {

enum class NoiseField {
    From,
    To,
    Points,
    Temperature,
    OpAmpNoise,
    DetectorFloor,
    DetectorCorner,
    DetectorFom,
    DividerFloor,
};
inline constexpr std::size_t kNoiseFieldCount = 9;

// The caption of each field ("from (Hz)").
const char* noiseFieldCaption(NoiseField f);

enum class NoiseTableKind { Reference, Oscillator };

class PhaseNoiseSession {
public:
    explicit PhaseNoiseSession(const PhaseNoiseSettings& settings = {});

    std::string& entry(NoiseField f) { return mEntries[static_cast<std::size_t>(f)]; }
    const std::string& entry(NoiseField f) const { return mEntries[static_cast<std::size_t>(f)]; }
    std::string& tableText(NoiseTableKind k) { return mTables[static_cast<std::size_t>(k)]; }
    const std::string& tableText(NoiseTableKind k) const {
        return mTables[static_cast<std::size_t>(k)];
    }
    bool fromFom = false;
    bool e24Values = false;

    // The settings the entries hold, or the first one that does not read, as a message.
    std::optional<PhaseNoiseSettings> settings(std::string* why) const;

    // The last settings that read and were used.
    const PhaseNoiseSettings& lastSettings() const { return mLast; }

    // Reads the entries and analyses the loop of `params`; the result, or the reason there is
    // none in `error`.
    PhaseNoiseRun update(const ParameterSet& params);

    // Replaces a table's text with the file's (read, checked as a table); false with the reason.
    bool importTable(NoiseTableKind k, const std::string& file, std::string* why);

private:
    std::array<std::string, kNoiseFieldCount> mEntries;
    std::array<std::string, 2> mTables;
    PhaseNoiseSettings mLast;
};

} // namespace loopcraft
