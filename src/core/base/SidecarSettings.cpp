#include "core/base/SidecarSettings.h"

#include "core/noise/PhaseNoiseSettings.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>
#include <sstream>

namespace loopcraft {
namespace {

constexpr double kUnbounded = std::numeric_limits<double>::max();

const PhaseNoiseSettings kNoise{};

PointTable points(const NoiseTable& table) {
    PointTable t;
    for (const NoisePoint& p : table)
        t.emplace_back(p.offset, p.dbc);
    return t;
}

// One row per setting. Features add their settings here, with their own prefix.
const std::array<SettingDescriptor, 16> kSettings{{
    {"SimTolerance", SettingKind::Number, &SidecarSettings::SimTolerance, 0.0, 0.0, 1e12,
     "lock-time tolerance band: Hz (f/N step) or degrees (phi step); 0 = 1 % of the step"},
    {"SimShowModel", SettingKind::Bool, &SidecarSettings::SimShowModel, false, 0, 0,
     "simulation panel: overlay the designed loop's response (\"Model\")"},
    {"NoiseSeed", SettingKind::Integer, &SidecarSettings::NoiseSeed, std::int64_t{1}, 0,
     4294967295.0, "seed of the simulation's reference noise; \"New noise\" takes the next"},
    {"PhaseNoiseReference", SettingKind::Points, &SidecarSettings::PhaseNoiseReference,
     points(kNoise.reference), 1e-300, 1e15,
     "phase noise: reference table, offset Hz and dBc/Hz per point"},
    {"PhaseNoiseOscillator", SettingKind::Points, &SidecarSettings::PhaseNoiseOscillator,
     points(kNoise.oscillator), 1e-300, 1e15,
     "phase noise: free-running oscillator table, offset Hz and dBc/Hz per point"},
    {"PhaseNoiseDetectorFloor", SettingKind::Number, &SidecarSettings::PhaseNoiseDetectorFloor,
     kNoise.detectorFloor, -400, 100, "phase noise: detector floor at its input, dBc/Hz"},
    {"PhaseNoiseDetectorCorner", SettingKind::Number, &SidecarSettings::PhaseNoiseDetectorCorner,
     kNoise.detectorCorner, 0, 1e15, "phase noise: detector 1/f corner, Hz (0: none)"},
    {"PhaseNoiseDetectorFromFom", SettingKind::Bool, &SidecarSettings::PhaseNoiseDetectorFromFom,
     kNoise.detectorFromFom, 0, 0,
     "phase noise: detector floor from the charge pump's figure of merit"},
    {"PhaseNoiseDetectorFom", SettingKind::Number, &SidecarSettings::PhaseNoiseDetectorFom,
     kNoise.detectorFom, -400, 100,
     "phase noise: charge pump figure of merit, dBc/Hz at 1 Hz (floor = FOM + 10 log10 f0)"},
    {"PhaseNoiseDividerFloor", SettingKind::Number, &SidecarSettings::PhaseNoiseDividerFloor,
     kNoise.dividerFloor, -400, 100, "phase noise: divider floor at its output, dBc/Hz"},
    {"PhaseNoiseTemperature", SettingKind::Number, &SidecarSettings::PhaseNoiseTemperature,
     kNoise.temperature, 1e-3, 1e6, "phase noise: temperature of the filter's resistors, K"},
    {"PhaseNoiseOpAmpNoise", SettingKind::Number, &SidecarSettings::PhaseNoiseOpAmpNoise,
     kNoise.opAmpNoise, 0, 1e9, "phase noise: op-amp input noise, nV/sqrt(Hz)"},
    {"PhaseNoiseE24Values", SettingKind::Bool, &SidecarSettings::PhaseNoiseE24Values,
     kNoise.e24Values, 0, 0, "phase noise: filter parts rounded to E24 instead of as designed"},
    {"PhaseNoiseFrom", SettingKind::Number, &SidecarSettings::PhaseNoiseFrom, kNoise.from, 1e-6,
     1e15, "phase noise: lower integration limit, Hz"},
    {"PhaseNoiseTo", SettingKind::Number, &SidecarSettings::PhaseNoiseTo, kNoise.to, 0, 1e15,
     "phase noise: upper integration limit, Hz (0: half the reference)"},
    {"PhaseNoisePoints", SettingKind::Integer, &SidecarSettings::PhaseNoisePoints,
     std::int64_t{kNoise.points}, kMinNoisePoints, kMaxNoisePoints,
     "phase noise: offsets of the analysis"},
}};

bool parseDouble(std::string_view text, double& out) {
    if (text.empty())
        return false;
    if (text.front() == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out, std::chars_format::general);
    return ec == std::errc() && ptr == end && std::isfinite(out);
}

bool parseInt(std::string_view text, std::int64_t& out) {
    if (text.empty())
        return false;
    if (text.front() == '+')
        text.remove_prefix(1);
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, out, 10);
    return ec == std::errc() && ptr == end;
}

std::string trim(std::string_view s) {
    const auto b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos)
        return {};
    const auto e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e - b + 1));
}

std::string numberText(double v) {
    std::ostringstream os;
    os.precision(17);
    os << v;
    return os.str();
}

std::string rangeText(const SettingDescriptor& d) {
    return numberText(d.min) + " .. " + numberText(d.max);
}

} // namespace

std::span<const SettingDescriptor> sidecarDescriptors() {
    return kSettings;
}

const SettingDescriptor* findSetting(std::string_view name) {
    for (const SettingDescriptor& d : kSettings)
        if (name == d.name)
            return &d;
    return nullptr;
}

const char* settingKindName(SettingKind kind) {
    switch (kind) {
    case SettingKind::Number:
        return "number";
    case SettingKind::Integer:
        return "integer";
    case SettingKind::Bool:
        return "boolean";
    case SettingKind::Text:
        return "text";
    case SettingKind::Points:
        return "table of points";
    }
    return "value";
}

std::string settingText(const SettingValue& value) {
    struct Visitor {
        std::string operator()(double v) const { return numberText(v); }
        std::string operator()(std::int64_t v) const { return std::to_string(v); }
        std::string operator()(bool v) const { return v ? "true" : "false"; }
        std::string operator()(const std::string& v) const { return v; }
        std::string operator()(const PointTable& v) const {
            std::string s;
            for (const auto& [x, y] : v) {
                if (!s.empty())
                    s += ';';
                s += numberText(x) + ',' + numberText(y);
            }
            return s;
        }
    };
    return std::visit(Visitor{}, value);
}

void SidecarSettings::setDefaults() {
    for (const SettingDescriptor& d : kSettings)
        assign(d, d.defaultValue);
}

SettingValue SidecarSettings::get(const SettingDescriptor& d) const {
    struct Visitor {
        const SidecarSettings& s;
        SettingValue operator()(double SidecarSettings::*m) const { return s.*m; }
        SettingValue operator()(int SidecarSettings::*m) const {
            return static_cast<std::int64_t>(s.*m);
        }
        SettingValue operator()(unsigned SidecarSettings::*m) const {
            return static_cast<std::int64_t>(s.*m);
        }
        SettingValue operator()(bool SidecarSettings::*m) const { return s.*m; }
        SettingValue operator()(std::string SidecarSettings::*m) const { return s.*m; }
        SettingValue operator()(PointTable SidecarSettings::*m) const { return s.*m; }
    };
    return std::visit(Visitor{*this}, d.member);
}

bool SidecarSettings::assign(const SettingDescriptor& d, const SettingValue& value,
                             std::string* message) {
    auto fail = [&](const std::string& why) {
        if (message)
            *message = std::string(d.name) + ": " + why;
        return false;
    };
    const std::string expected = std::string("expects a ") + settingKindName(d.kind);
    switch (d.kind) {
    case SettingKind::Number: {
        double v = 0;
        if (const auto* p = std::get_if<double>(&value))
            v = *p;
        else if (const auto* i = std::get_if<std::int64_t>(&value))
            v = static_cast<double>(*i);
        else
            return fail(expected);
        if (!std::isfinite(v) || v < d.min || v > d.max)
            return fail("must be in range " + rangeText(d));
        this->*std::get<double SidecarSettings::*>(d.member) = v;
        return true;
    }
    case SettingKind::Integer: {
        const auto* i = std::get_if<std::int64_t>(&value);
        if (!i)
            return fail(expected);
        if (static_cast<double>(*i) < d.min || static_cast<double>(*i) > d.max)
            return fail("must be in range " + rangeText(d));
        if (const auto* m = std::get_if<int SidecarSettings::*>(&d.member))
            this->** m = static_cast<int>(*i);
        else
            this->*std::get<unsigned SidecarSettings::*>(d.member) = static_cast<unsigned>(*i);
        return true;
    }
    case SettingKind::Bool: {
        const auto* b = std::get_if<bool>(&value);
        if (!b)
            return fail(expected);
        this->*std::get<bool SidecarSettings::*>(d.member) = *b;
        return true;
    }
    case SettingKind::Text: {
        const auto* t = std::get_if<std::string>(&value);
        if (!t)
            return fail(expected);
        this->*std::get<std::string SidecarSettings::*>(d.member) = *t;
        return true;
    }
    case SettingKind::Points: {
        const auto* t = std::get_if<PointTable>(&value);
        if (!t)
            return fail(expected);
        for (const auto& [x, y] : *t) {
            if (!std::isfinite(x) || !std::isfinite(y))
                return fail("points must be finite numbers");
            if (x < d.min || x > d.max)
                return fail("x must be in range " + rangeText(d));
        }
        this->*std::get<PointTable SidecarSettings::*>(d.member) = *t;
        return true;
    }
    }
    return fail(expected);
}

bool SidecarSettings::set(std::string_view name, std::string_view text, std::string* message) {
    const SettingDescriptor* d = findSetting(name);
    if (!d) {
        if (message)
            *message = "unknown setting \"" + std::string(name) + "\"";
        return false;
    }
    auto fail = [&] {
        if (message)
            *message = std::string(d->name) + ": \"" + std::string(text) + "\" is no " +
                       settingKindName(d->kind);
        return false;
    };
    SettingValue value;
    switch (d->kind) {
    case SettingKind::Number: {
        double v = 0;
        if (!parseDouble(trim(text), v))
            return fail();
        value = v;
        break;
    }
    case SettingKind::Integer: {
        std::int64_t v = 0;
        if (!parseInt(trim(text), v))
            return fail();
        value = v;
        break;
    }
    case SettingKind::Bool: {
        const std::string t = trim(text);
        if (t == "1" || t == "true")
            value = true;
        else if (t == "0" || t == "false")
            value = false;
        else
            return fail();
        break;
    }
    case SettingKind::Text:
        value = std::string(text);
        break;
    case SettingKind::Points: {
        PointTable table;
        std::string_view rest = text;
        // One pair per ';'; an empty text is an empty table.
        while (!trim(rest).empty()) {
            const auto semi = rest.find(';');
            const std::string_view pair = rest.substr(0, semi);
            rest = semi == std::string_view::npos ? std::string_view{} : rest.substr(semi + 1);
            const auto comma = pair.find(',');
            double x = 0, y = 0;
            if (comma == std::string_view::npos || !parseDouble(trim(pair.substr(0, comma)), x) ||
                !parseDouble(trim(pair.substr(comma + 1)), y))
                return fail();
            table.emplace_back(x, y);
        }
        value = std::move(table);
        break;
    }
    }
    return assign(*d, value, message);
}

} // namespace loopcraft
