// --png, --svg, --pdf and --size: the picture files of every command that draws, read and checked
// one way, with one set of messages.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

namespace loopcraft::cli {

// The title of a picture that cannot be drawn or written; what the user typed wrong is an
// "Illegal entry" as everywhere else.
inline constexpr const char* kPictureErrorTitle = "Error";

struct PictureFiles {
    // The command's own size.
    PictureFiles(int defaultWidth, int defaultHeight)
        : width(defaultWidth), height(defaultHeight) {}

    std::string png, svg, pdf;
    std::string size; // "WIDTHxHEIGHT" as typed; empty for the command's own size
    int width;        // the command's size, then what --size asked for
    int height;
    bool any() const { return !png.empty() || !svg.empty() || !pdf.empty(); }
    // The files asked for, PNG, SVG, PDF.
    std::vector<const std::string*> files() const;
};

// Adds the four options to `command`; `what` is what the pictures show ("the Bode plot").
// `files` carries the command's own size and must outlive the parse.
void addPictureOptions(CLI::App& command, PictureFiles& files, const std::string& what);

// Refuses a file name that does not end in `suffix` (".pdf", any case) with a name before it:
// "--pdf needs a file name ending in .pdf, got "r.html"".
void requireExtension(const std::string& file, const std::string& option,
                      const std::string& suffix);

// Everything about the pictures that can be known before anything is computed: each file with
// the extension of its option, the size in range and small enough to draw, each file writable.
// Reads the size into width and height. Throws UserMessage at the first problem.
void checkPictureFiles(PictureFiles& files);

} // namespace loopcraft::cli
