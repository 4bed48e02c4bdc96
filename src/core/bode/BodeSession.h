// The Bode window without its widgets: one Bode run for the window, the command line and the
// report. The loop is the design window's while it is open (its configuration with the section-2
// choice shown, and its loop state), otherwise the stored one; the grid comes from the three
// entries; the configuration texts under the plots describe the loop that was run.
#pragma once

#include "core/base/Message.h"
#include "core/base/ParameterSet.h"
#include "core/bode/BodeConfigText.h"
#include "core/bode/FrequencyResponse.h"
#include "core/config/Configuration.h"

#include <optional>

namespace loopcraft {

class DesignSession;

// The Bode window's frame at a nominal size, for a run that reports no pixel positions; a
// picture maps the curves onto its own frame afterwards.
inline const PlotFrame kNominalBodeFrame = PlotFrame::fromEdges(50, 750, 30, 450);

class BodeSession {
public:
    explicit BodeSession(ParameterSet& params);

    // The design window's session while that window is open; null for the stored loop.
    void setDesign(const DesignSession* design) { mDesign = design; }

    // Reads and checks the entries, then computes the response over the grid last accepted
    // (see ComputeBodeResponse) and the configuration texts of the loop.
    BodeRun Compute(const BodeEntries& entries, const PlotFrame& frame = kNominalBodeFrame);
    // The same with the stored entries.
    BodeRun ComputeStored(const PlotFrame& frame = kNominalBodeFrame);
    // Done: the entries are read and checked; nothing means the window may close.
    std::optional<Message> Done(const BodeEntries& entries);

    FrequencyResponse& response() { return mResponse; }
    const FrequencyResponse& response() const { return mResponse; }
    // The loop of the last run and its texts.
    const Configuration& configuration() const { return mConfig; }
    const BodeConfigText& configText() const { return mConfigText; }

private:
    ParameterSet& mParams;
    const DesignSession* mDesign = nullptr;
    FrequencyResponse mResponse;
    Configuration mConfig;
    BodeConfigText mConfigText;
};

} // namespace loopcraft
