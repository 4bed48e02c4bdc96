// The settings that PARAMS.TXT has no line for. PARAMS.TXT keeps its fixed 105 lines for files
// exchanged with older copies of the program; everything added since lives here and is kept in
// LOOPCRAFT.JSON beside it (the file itself is read and written a layer up, where the JSON
// library lives).
//
// Every setting is described once, in the table of sidecarDescriptors(): name, kind, default and
// allowed range. Defaults, the CLI's --set, the file's reading and writing all follow that table.
// Keys the table does not know (written by a newer program) are kept verbatim and written back.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace loopcraft {

inline constexpr const char* kSidecarFileName = "LOOPCRAFT.JSON";

enum class SettingKind { Number, Integer, Bool, Text, Points };

// A table of (x, y) points, e.g. a curve over frequency.
using PointTable = std::vector<std::pair<double, double>>;

// One setting's value, of the type its kind names (Integer as int64).
using SettingValue = std::variant<double, std::int64_t, bool, std::string, PointTable>;

class SidecarSettings;

// Where a setting lives in SidecarSettings; Integer settings may be int or unsigned.
using SettingMember = std::variant<double SidecarSettings::*, int SidecarSettings::*,
                                   unsigned SidecarSettings::*, bool SidecarSettings::*,
                                   std::string SidecarSettings::*, PointTable SidecarSettings::*>;

struct SettingDescriptor {
    const char* name;
    SettingKind kind;
    SettingMember member;
    SettingValue defaultValue;
    double min; // Number and Integer: allowed range, both ends included; Points: range of x
    double max;
    const char* meaning; // one line for the CLI's and README's listing
};

class SidecarSettings {
public:
    SidecarSettings() { setDefaults(); }

    // Lock-time tolerance band: 0 means 1 % of the step; otherwise Hz of the oscillator's
    // frequency for frequency and divider steps, degrees of phase error for phase steps.
    double SimTolerance = 0.0;
    // The simulation panel's "Model" check box: the designed loop's response over the run.
    bool SimShowModel = false;
    // The simulation's reference noise starts from this seed at every run: the same seed gives
    // the same noise in the panel and the command line, another seed another realisation. 1 is
    // the noise a first run had before there were seeds.
    unsigned NoiseSeed = 1;

    // Phase noise: the sources the loop model does not know and the integration band, as
    // PhaseNoiseSettings holds them (tables as (offset Hz, dBc/Hz) points).
    PointTable PhaseNoiseReference;
    PointTable PhaseNoiseOscillator;
    double PhaseNoiseDetectorFloor = 0;
    double PhaseNoiseDetectorCorner = 0;
    bool PhaseNoiseDetectorFromFom = false;
    double PhaseNoiseDetectorFom = 0;
    double PhaseNoiseDividerFloor = 0;
    double PhaseNoiseTemperature = 0;
    double PhaseNoiseOpAmpNoise = 0;
    bool PhaseNoiseE24Values = false;
    double PhaseNoiseFrom = 0;
    double PhaseNoiseTo = 0;
    int PhaseNoisePoints = 0;

    // Keys this program does not know: name -> the value's JSON text, written back as read.
    std::map<std::string, std::string> unknownKeys;

    // Every known setting back to its default; unknown keys stay.
    void setDefaults();

    // The CLI's --set NAME=TEXT. Numbers in plain decimal or exponent notation, integers in
    // decimal, booleans as 1/0/true/false, point tables as "x,y;x,y;...". False (with a message
    // naming the setting) when `name` is unknown or the text does not fit the kind or range;
    // nothing changes then.
    bool set(std::string_view name, std::string_view text, std::string* message = nullptr);

    // Typed access through the table, for the file codec. assign() checks kind and range and
    // changes nothing on failure.
    SettingValue get(const SettingDescriptor& d) const;
    bool assign(const SettingDescriptor& d, const SettingValue& value,
                std::string* message = nullptr);

    bool operator==(const SidecarSettings& other) const = default;
};

std::span<const SettingDescriptor> sidecarDescriptors();
const SettingDescriptor* findSetting(std::string_view name);
// "number", "integer", "boolean", "text", "table of points".
const char* settingKindName(SettingKind kind);
// The value as --set would take it back.
std::string settingText(const SettingValue& value);

} // namespace loopcraft
