#include "core/bode/BodeSession.h"

#include "core/design/DesignSession.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopModel.h"

namespace loopcraft {

BodeSession::BodeSession(ParameterSet& params) : mParams(params) {}

BodeRun BodeSession::Compute(const BodeEntries& entries, const PlotFrame& frame) {
    mConfig = mDesign != nullptr ? mDesign->configuration() : Configuration::fromFlags(mParams);
    std::optional<FilterDesignState> stored;
    if (mDesign == nullptr)
        stored = FilterDesignState::fromParameters(mParams, mConfig);
    const FilterDesignState& state = mDesign != nullptr ? mDesign->state() : *stored;
    const Configuration& config = mConfig;
    const BodeRun run = ComputeBodeResponse(
        mResponse, mParams, entries,
        [&state, &config](float f) { return EvaluateLoop(state, config, f); }, frame);
    mConfigText = MakeBodeConfigText(mParams, mConfig);
    return run;
}

BodeRun BodeSession::ComputeStored(const PlotFrame& frame) {
    return Compute(BodeEntries::fromParameters(mParams), frame);
}

std::optional<Message> BodeSession::Done(const BodeEntries& entries) {
    return CheckBodeEntries(mParams, entries);
}

} // namespace loopcraft
