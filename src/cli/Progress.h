// How far long work got, as one rewritten line on stderr:
//   simulate [##########----------]  50%  12 s left
// Shown only when stderr is a terminal: a log file or a pipe gets no carriage-return noise.
#pragma once

#include "cli/Cli.h"

#include <chrono>
#include <string>

namespace loopcraft::cli {

// The bar, percentage and estimate for `fraction` done after `elapsed` seconds. The time left
// is shown once there is something to estimate from (1 % done and half a second gone).
std::string progressText(const std::string& label, double fraction, double elapsed);

class ProgressLine {
public:
    ProgressLine(const CliContext& ctx, std::string label);
    // Ends the line when anything was shown, so later messages start on a line of their own.
    ~ProgressLine();
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    // Shows the fraction done (0..1) when its whole percent changed.
    void update(double fraction);

private:
    std::ostream* mErr = nullptr; // null when progress is not shown
    std::string mLabel;
    int mShownPercent = -1;
    std::size_t mShownWidth = 0;
    std::chrono::steady_clock::time_point mStart = std::chrono::steady_clock::now();
};

} // namespace loopcraft::cli
