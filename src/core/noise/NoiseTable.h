// A phase-noise curve given as points (offset in Hz, dBc/Hz): a measured oscillator, a reference
// from its data sheet. Between the points the curve runs straight in log-frequency and dB, the
// way such curves are drawn; beyond the first and last point the end segments' slopes go on,
// and a single point stands for a flat curve.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace loopcraft {

struct NoisePoint {
    double offset = 0; // Hz
    double dbc = 0;    // dBc/Hz
    bool operator==(const NoisePoint&) const = default;
};

using NoiseTable = std::vector<NoisePoint>;

// Why `table` cannot be used, naming it by `what` ("the reference table: ..."); nothing when it
// has at least one point, every number is finite, and the offsets are positive and increasing.
std::optional<std::string> checkNoiseTable(const NoiseTable& table, std::string_view what);

// The curve's value in dBc/Hz at `offset` Hz (> 0) for a table that passed the check.
double noiseAt(const NoiseTable& table, double offset);

// The curve at each of `offsets` (increasing, > 0), in one walk along the table.
void noiseAt(const NoiseTable& table, const std::vector<double>& offsets, std::vector<double>& dbc);

// The largest CSV text a table is read from; a larger file is refused unread.
inline constexpr std::size_t kMaxNoiseCsvBytes = 4u << 20;

struct NoiseTableRead {
    NoiseTable table;
    std::string error; // empty when the text was read
};

// A table from CSV text: one point per line, "offset,dBc" (a semicolon, tab or blanks also
// separate); blank lines, lines starting with '#' and a first line that is not numbers (a
// header) are skipped. The result is checked as checkNoiseTable checks it; `what` names the
// table in the messages.
NoiseTableRead parseNoiseCsv(std::string_view text, std::string_view what);

// The table as CSV text that parseNoiseCsv reads back exactly.
std::string noiseTableCsv(const NoiseTable& table);

} // namespace loopcraft
