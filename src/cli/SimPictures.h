// Pictures of a simulation run without a display: the plot as PNG, SVG or PDF and the protocol
// page as PDF, drawn by the same painters as the desktop program, on Qt's offscreen platform.
#pragma once

#include "cli/PictureOptions.h"

#include <string>

namespace loopcraft {
class ParameterSet;
class SimulationSession;
} // namespace loopcraft

namespace loopcraft::cli {

struct PictureRequest {
    PictureFiles plot{800, 600}; // the plot's size, its title lines included
    std::string protocolPdf;
    bool any() const { return plot.any() || !protocolPdf.empty(); }
};

// Checks the request before a run (the plot's files and size as every command checks them, the
// protocol's file with the extension of its option). Throws UserMessage otherwise.
void checkPictureRequest(PictureRequest& request);

// Writes every picture the request names, from the run `session` holds, in the display options
// of `options`. Throws UserMessage when a file cannot be written.
void writeSimulationPictures(const SimulationSession& session, const ParameterSet& options,
                             const PictureRequest& request);

} // namespace loopcraft::cli
