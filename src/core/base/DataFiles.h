// Where the program's data files (start logo, help file, schematic drawings) are found: the
// working directory first, so a user can put their own copies beside PARAMS.TXT, then the data
// folder installed with the program (../share/loopcraft beside bin/), then, for a program run
// from its build tree, the source tree's data folder. PARAMS.TXT is not a data file: it lives in
// the working directory.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace loopcraft {

// Every place `name` is looked for, in order.
std::vector<std::filesystem::path> dataFileCandidates(const std::string& name);
// The first candidate that is a regular file, else the working-directory path (so that a
// message can name it).
std::filesystem::path findDataFile(const std::string& name);

} // namespace loopcraft
