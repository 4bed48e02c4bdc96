// Reading the phase-noise window's entries and running the analysis.
#include "core/noise/PhaseNoiseSession.h"

#include "core/base/FileAccess.h"

#include <array>
#include <charconv>
#include <cmath>

namespace loopcraft {

namespace {

constexpr std::array<const char*, kNoiseFieldCount> kCaptions = {
    "from (Hz)",
    "to (Hz, 0: fref/2)",
    "points",
    "T (K)",
    "op-amp (nV/rtHz)",
    "PD floor (dBc/Hz)",
    "PD 1/f corner (Hz)",
    "CP FOM (dBc/Hz)",
    "divider (dBc/Hz)",
};

std::string number(double v) {
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), r.ptr);
}

// A number as a person types it: decimal or exponent notation, nothing after it.
bool readNumber(const std::string& text, double& value) {
    std::size_t begin = text.find_first_not_of(" \t");
    std::size_t end = text.find_last_not_of(" \t");
    if (begin == std::string::npos)
        return false;
    if (text[begin] == '+')
        ++begin;
    const auto r = std::from_chars(text.data() + begin, text.data() + end + 1, value);
    return r.ec == std::errc() && r.ptr == text.data() + end + 1 && std::isfinite(value);
}

} // namespace

const char* noiseFieldCaption(NoiseField f) {
    return kCaptions[static_cast<std::size_t>(f)];
}

PhaseNoiseSession::PhaseNoiseSession(const PhaseNoiseSettings& s) : mLast(s) {
    entry(NoiseField::From) = number(s.from);
    entry(NoiseField::To) = number(s.to);
    entry(NoiseField::Points) = std::to_string(s.points);
    entry(NoiseField::Temperature) = number(s.temperature);
    entry(NoiseField::OpAmpNoise) = number(s.opAmpNoise);
    entry(NoiseField::DetectorFloor) = number(s.detectorFloor);
    entry(NoiseField::DetectorCorner) = number(s.detectorCorner);
    entry(NoiseField::DetectorFom) = number(s.detectorFom);
    entry(NoiseField::DividerFloor) = number(s.dividerFloor);
    tableText(NoiseTableKind::Reference) = noiseTableCsv(s.reference);
    tableText(NoiseTableKind::Oscillator) = noiseTableCsv(s.oscillator);
    fromFom = s.detectorFromFom;
    e24Values = s.e24Values;
}

std::optional<PhaseNoiseSettings> PhaseNoiseSession::settings(std::string* why) const {
    PhaseNoiseSettings s;
    const std::pair<NoiseField, double*> numbers[] = {
        {NoiseField::From, &s.from},
        {NoiseField::To, &s.to},
        {NoiseField::Temperature, &s.temperature},
        {NoiseField::OpAmpNoise, &s.opAmpNoise},
        {NoiseField::DetectorFloor, &s.detectorFloor},
        {NoiseField::DetectorCorner, &s.detectorCorner},
        {NoiseField::DetectorFom, &s.detectorFom},
        {NoiseField::DividerFloor, &s.dividerFloor},
    };
    for (const auto& [field, target] : numbers) {
        if (!readNumber(entry(field), *target)) {
            *why = std::string(noiseFieldCaption(field)) + ": \"" + entry(field) +
                   "\" is not a number";
            return std::nullopt;
        }
    }
    double points = 0;
    if (!readNumber(entry(NoiseField::Points), points) || points != std::floor(points) ||
        points < kMinNoisePoints || points > kMaxNoisePoints) {
        *why = "points: a whole number from " + std::to_string(kMinNoisePoints) + " to " +
               std::to_string(kMaxNoisePoints);
        return std::nullopt;
    }
    s.points = static_cast<int>(points);
    s.detectorFromFom = fromFom;
    s.e24Values = e24Values;
    const std::pair<NoiseTableKind, NoiseTable*> tables[] = {
        {NoiseTableKind::Reference, &s.reference}, {NoiseTableKind::Oscillator, &s.oscillator}};
    for (const auto& [kind, target] : tables) {
        NoiseTableRead read = parseNoiseCsv(tableText(kind), kind == NoiseTableKind::Reference
                                                                 ? "the reference table"
                                                                 : "the oscillator table");
        if (!read.error.empty()) {
            *why = read.error;
            return std::nullopt;
        }
        *target = std::move(read.table);
    }
    if (auto bad = checkPhaseNoiseSettings(s)) {
        *why = *bad;
        return std::nullopt;
    }
    return s;
}

PhaseNoiseRun PhaseNoiseSession::update(const ParameterSet& params) {
    PhaseNoiseRun run;
    const std::optional<PhaseNoiseSettings> s = settings(&run.error);
    if (!s)
        return run;
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(params, s->e24Values);
    if (!build.loop) {
        run.error = build.error;
        return run;
    }
    run = analyzePhaseNoise(*build.loop, *s);
    if (run.result)
        mLast = *s;
    return run;
}

bool PhaseNoiseSession::importTable(NoiseTableKind k, const std::string& file, std::string* why) {
    const FileRead read = ReadRegularFile(file, kMaxNoiseCsvBytes);
    if (read.status == FileRead::Status::Missing) {
        *why = file + " does not exist";
        return false;
    }
    if (!read.ok()) {
        *why = read.error;
        return false;
    }
    const NoiseTableRead table = parseNoiseCsv(read.bytes, file);
    if (!table.error.empty()) {
        *why = table.error;
        return false;
    }
    tableText(k) = noiseTableCsv(table.table);
    return true;
}

} // namespace loopcraft
