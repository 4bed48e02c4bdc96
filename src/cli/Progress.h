// How far long work got, as one rewritten line on stderr ("simulate: 42%"). Shown only when
// stderr is a terminal: a log file or a pipe gets no carriage-return noise.
#pragma once

#include "cli/Cli.h"

#include <string>

namespace loopcraft::cli {

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
};

} // namespace loopcraft::cli
