#include "cli/Progress.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace loopcraft::cli {

ProgressLine::ProgressLine(const CliContext& ctx, std::string label)
    : mErr(ctx.progress ? ctx.err : nullptr), mLabel(std::move(label)) {}

ProgressLine::~ProgressLine() {
    if (mErr != nullptr && mShownPercent >= 0)
        *mErr << "\n" << std::flush;
}

void ProgressLine::update(double fraction) {
    if (mErr == nullptr || !std::isfinite(fraction))
        return;
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
    if (percent == mShownPercent)
        return;
    mShownPercent = percent;
    *mErr << "\r" << mLabel << ": " << percent << "%" << std::flush;
}

} // namespace loopcraft::cli
