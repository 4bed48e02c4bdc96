// PARAMS.TXT: the 105-line parameter file, read at start and rewritten at exit.
#pragma once

#include "core/base/ParameterSet.h"

#include <filesystem>
#include <iosfwd>
#include <string>

namespace loopcraft {

inline constexpr int kParamsFileLines = 105;

struct ParamsFileResult {
    bool ok = true;
    int line = 0;        // 1-based line of the item that failed, 0 when not applicable
    std::string message; // full, user-facing message naming file, line and what was expected
};

// Reads the items in file order into `params`. A file that ends inside the display options
// still counts as read (the missing options are 0 or empty); any other short or malformed item,
// a word where a display option's integer belongs included, fails with a message naming
// `fileName`, the line and what was expected. Texts longer than 11
// characters and font names longer than 31 are cut. Values are not recomputed here.
ParamsFileResult ReadParamsFile(std::istream& in, ParameterSet& params,
                                const std::string& fileName = kParamsFileName);

// Writes the 105 items, each ended by CR LF.
void WriteParamsFile(std::ostream& out, const ParameterSet& params);

enum class InitSource { Defaults, File };

struct InitResult {
    bool ok = true;
    InitSource source = InitSource::Defaults;
    std::string message; // why the start must stop; the file must then not be overwritten
};

// Fills the set: from `file` when `useFile` and the file exists, else the defaults; then
// recomputes every value. A file that exists but is no regular file, cannot be opened or read,
// or does not convert fails with a message naming it and the reason.
InitResult InitParameters(ParameterSet& params, bool useFile,
                          const std::filesystem::path& file = kParamsFileName);

// Writes the file through ReplaceFileAtomic: an interrupted write never leaves a truncated file,
// and a symbolic link at `file` keeps pointing to the rewritten file. Returns false (with the
// system's reason) on failure; the old file is then unchanged.
bool SaveParamsFileAtomic(const ParameterSet& params, const std::filesystem::path& file,
                          std::string* error = nullptr);

} // namespace loopcraft
