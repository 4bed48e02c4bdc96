#include "core/base/DataFiles.h"

#include <system_error>

namespace loopcraft {

namespace {

// The folder of the running program, from the kernel's link; empty where there is none.
std::filesystem::path programFolder() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : exe.parent_path();
}

// A program (or test) started from the build directory it was built in.
bool runFromBuildTree() {
    const std::filesystem::path bin = programFolder();
    const std::string build =
        std::filesystem::path(LOOPCRAFT_BUILD_DIR).lexically_normal().string();
    const std::string here = bin.lexically_normal().string();
    return !bin.empty() && here.compare(0, build.size(), build) == 0 &&
           (here.size() == build.size() || here[build.size()] == '/');
}

} // namespace

std::vector<std::filesystem::path> dataFileCandidates(const std::string& name) {
    std::vector<std::filesystem::path> paths{std::filesystem::path(name)};
    if (const std::filesystem::path bin = programFolder(); !bin.empty()) {
        paths.push_back(bin / "data" / name);
        paths.push_back((bin / ".." / "share" / "loopcraft" / name).lexically_normal());
    }
    if (runFromBuildTree()) {
        paths.push_back(std::filesystem::path(LOOPCRAFT_SOURCE_DATA_DIR) / name);
    }
    return paths;
}

std::filesystem::path findDataFile(const std::string& name) {
    const std::vector<std::filesystem::path> paths = dataFileCandidates(name);
    for (const std::filesystem::path& path : paths) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) {
            return path;
        }
    }
    return paths.front();
}

} // namespace loopcraft
