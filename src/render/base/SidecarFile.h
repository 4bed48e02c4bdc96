// LOOPCRAFT.JSON: the settings PARAMS.TXT has no line for, as one JSON object beside it.
//
// The same rules as PARAMS.TXT: a missing file means defaults; a file that cannot be read or
// does not parse stops the program with a message naming it (and, for bad content, the line),
// and is then never overwritten; writing goes through a temporary file and a rename. Keys this
// program does not know are kept and written back unchanged.
#pragma once

#include "core/base/SidecarSettings.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace loopcraft {

struct SidecarReadResult {
    enum class Status { Read, Missing, Failed };
    Status status = Status::Failed;
    std::string message; // when Failed: names the file, the line where known, and the fault
    bool ok() const { return status != Status::Failed; }
};

// LOOPCRAFT.JSON in the folder of `paramsFile`.
std::filesystem::path SidecarPathBeside(const std::filesystem::path& paramsFile);

// Parses `text` (the content of `fileName`) into `settings`: known keys are checked against
// their kind and range, unknown keys kept. On failure `settings` is unchanged.
SidecarReadResult ParseSidecar(std::string_view text, SidecarSettings& settings,
                               const std::string& fileName = kSidecarFileName);

// Reads `file`: Missing leaves `settings` at what it holds (the defaults at start).
SidecarReadResult ReadSidecarFile(const std::filesystem::path& file, SidecarSettings& settings);

// The file's text: the known settings in table order, then the unknown keys, two-space indent.
std::string FormatSidecar(const SidecarSettings& settings);

// Replaces `file` atomically; false with the reason when it could not be written.
bool SaveSidecarFileAtomic(const SidecarSettings& settings, const std::filesystem::path& file,
                           std::string* error = nullptr);

} // namespace loopcraft
