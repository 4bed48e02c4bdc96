// Pictures of a simulation run without a display: the plot as PNG, SVG or PDF and the protocol
// page as PDF, drawn by the same painters as the desktop program, on Qt's offscreen platform.
#pragma once

#include <string>

namespace loopcraft {
class ParameterSet;
class SimulationSession;
} // namespace loopcraft

namespace loopcraft::cli {

struct PictureRequest {
    std::string png, svg, pdf, protocolPdf;
    int width = 800; // the plot's size in pixels, its title lines included
    int height = 600;
    bool any() const {
        return !png.empty() || !svg.empty() || !pdf.empty() || !protocolPdf.empty();
    }
};

// Checks the request before a run: file names with the extension of their option, and `size`
// ("WIDTHxHEIGHT", empty for the default) read into it. Throws UserMessage otherwise.
void checkPictureRequest(const std::string& size, PictureRequest& request);

// Writes every picture the request names, from the run `session` holds, in the display options
// of `options`. Throws UserMessage when a file cannot be written.
void writeSimulationPictures(const SimulationSession& session, const ParameterSet& options,
                             const PictureRequest& request);

} // namespace loopcraft::cli
