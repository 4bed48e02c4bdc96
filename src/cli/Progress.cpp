#include "cli/Progress.h"

#include <algorithm>
#include <cmath>
#include <ostream>

namespace loopcraft::cli {
namespace {

constexpr int kBarWidth = 20;

std::string durationText(double seconds) {
    const long s = std::lround(seconds);
    if (s < 60) {
        return std::to_string(s) + " s";
    }
    if (s < 3600) {
        return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
    }
    return std::to_string(s / 3600) + " h " + std::to_string(s % 3600 / 60) + " min";
}

} // namespace

std::string progressText(const std::string& label, double fraction, double elapsed) {
    fraction = std::isfinite(fraction) ? std::clamp(fraction, 0.0, 1.0) : 0.0;
    const int filled = static_cast<int>(fraction * kBarWidth);
    const int percent = static_cast<int>(fraction * 100.0);
    std::string text = label + " [" + std::string(static_cast<std::size_t>(filled), '#') +
                       std::string(static_cast<std::size_t>(kBarWidth - filled), '-') + "] ";
    text += std::string(percent < 10    ? 2
                        : percent < 100 ? 1
                                        : 0,
                        ' ') +
            std::to_string(percent) + "%";
    if (fraction >= 0.01 && fraction < 1.0 && elapsed >= 0.5 && std::isfinite(elapsed)) {
        text += "  " + durationText(elapsed * (1.0 - fraction) / fraction) + " left";
    }
    return text;
}

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
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - mStart).count();
    std::string text = progressText(mLabel, fraction, elapsed);
    // A shorter line than the last one must not leave its tail behind.
    const std::size_t width = text.size();
    text.append(mShownWidth > width ? mShownWidth - width : 0, ' ');
    mShownWidth = width;
    *mErr << "\r" << text << std::flush;
}

} // namespace loopcraft::cli
