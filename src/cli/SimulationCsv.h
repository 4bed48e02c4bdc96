// simulate --csv: the recorded points of a run as rows "t_s,curve1,curve2", with --model a
// fourth column "model_curve2" (the designed loop's curve 2 at the same time).
#pragma once

#include "cli/Cli.h"
#include "core/base/FileAccess.h"
#include "core/sim/SimState.h"

#include <cstdint>
#include <string>
#include <vector>

namespace loopcraft::cli {

// A larger CSV is refused: a run at the size limit would otherwise write gigabytes.
inline constexpr std::uintmax_t kMaxCsvBytes = std::uintmax_t{1} << 30;

// Takes the points as a run hands them over and writes them into a
// file that replaces `path` only on finish(), so a run that fails or is refused leaves the old
// file as it was. A file that would exceed `maxBytes` is refused ("CSV" message naming its row
// count and how to record fewer points); so is a write that fails, with the system's reason.
class SimulationCsvWriter {
public:
    explicit SimulationCsvWriter(const std::string& path, std::uintmax_t maxBytes = kMaxCsvBytes,
                                 bool withModel = false);

    // Whether the file could be started; error() says why not.
    bool ok() const { return mFile.ok(); }
    const std::string& error() const { return mFile.error(); }
    // The next points of the run, recorded `dt` seconds apart; with the model's column, `model`
    // holds its value for each of them.
    void add(const std::vector<ResultPair>& points, double dt, const float* model = nullptr);
    // Throws UserMessage when the file was refused or could not be written.
    void finish();

private:
    AtomicFileWriter mFile;
    std::uintmax_t mMaxBytes;
    std::uintmax_t mBytes = 0;
    std::size_t mRows = 0; // points taken, written or not
    std::string mChunk;
    bool mWithModel = false;
};

} // namespace loopcraft::cli
