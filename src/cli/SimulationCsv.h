// simulate --csv: the recorded points of a run as rows "t_s,curve1,curve2".
#pragma once

#include "cli/Cli.h"
#include "core/sim/SimState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace loopcraft::cli {

// A larger CSV is refused: a run at the size limit would otherwise write gigabytes.
inline constexpr std::uintmax_t kMaxCsvBytes = std::uintmax_t{1} << 30;

// Writes the points (one every `dt` seconds) to `path`, with progress on a terminal. A file
// that would exceed `maxBytes` is refused before anything is written ("CSV" message naming its
// row count and how to record fewer points); so is a write that fails, with the system's reason.
void writeSimulationCsv(const CliContext& ctx, const std::string& path,
                        const std::vector<ResultPair>& results, double dt,
                        std::uintmax_t maxBytes = kMaxCsvBytes);

} // namespace loopcraft::cli
