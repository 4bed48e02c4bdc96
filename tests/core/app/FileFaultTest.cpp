// Paths that exist but must not be read: the parameter file and the help file refuse each of
// them with the file's name and the system's reason, never hang on it, and leave it as it was.
// Only a path that names nothing counts as missing.
#include "core/app/FileAccess.h"
#include "core/app/HelpDocument.h"
#include "core/app/ParamsFile.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace loopcraft {
namespace {

namespace fs = std::filesystem;

struct FileFault {
    const char* name;
    // Puts the hostile thing at the path; returns why the case cannot run here, or "".
    std::function<std::string(const fs::path&)> make;
    const char* reason; // part of the message; nullptr: the path reads as missing
};

// What lies at a path, to show it was left alone.
std::string snapshot(const fs::path& p) {
    std::error_code ec;
    const fs::file_status link = fs::symlink_status(p, ec);
    std::ostringstream s;
    s << static_cast<int>(link.type()) << ' ' << static_cast<int>(link.permissions());
    if (fs::is_symlink(link))
        s << " -> " << fs::read_symlink(p, ec).string();
    else if (fs::is_regular_file(link))
        s << ' ' << fs::file_size(p, ec);
    return s.str();
}

// A maker that always runs here.
std::function<std::string(const fs::path&)> always(std::function<void(const fs::path&)> make) {
    return [make](const fs::path& p) {
        make(p);
        return std::string();
    };
}

const FileFault kFaults[] = {
    {"Missing", always([](const fs::path&) {}), nullptr},
    {"DanglingLink", always([](const fs::path& p) { fs::create_symlink("nothing-here", p); }),
     nullptr},
    {"Directory", always([](const fs::path& p) { fs::create_directory(p); }), "Is a directory"},
    {"Fifo",
     [](const fs::path& p) {
         return ::mkfifo(p.c_str(), 0644) == 0 ? std::string() : "mkfifo failed";
     },
     "FIFO"},
    {"Device", always([](const fs::path& p) { fs::create_symlink("/dev/zero", p); }), "device"},
    {"LinkLoop", always([](const fs::path& p) { fs::create_symlink(p.filename(), p); }),
     "Too many levels of symbolic links"},
    {"NoPermission",
     [](const fs::path& p) {
         std::ofstream(p) << "1\n";
         fs::permissions(p, fs::perms::none);
         // Root reads regardless of permission bits; the directory and FIFO cases stand in.
         return std::ifstream(p).is_open() ? "permission bits do not stop this user (root)"
                                           : std::string();
     },
     "Permission denied"},
    {"TooLarge", always([](const fs::path& p) {
         std::ofstream(p) << "x";
         fs::resize_file(p, kMaxHelpFileBytes + 1); // sparse: no 16 MiB written
     }),
     "larger than"},
};

class FileFaultTest : public ::testing::TestWithParam<FileFault> {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() /
               ("loopcraft-fault-" + std::to_string(::getpid()) + "-" + GetParam().name);
        fs::remove_all(mDir);
        fs::create_directories(mDir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(mDir / "PARAMS.TXT", fs::perms::owner_all, ec);
        fs::remove_all(mDir, ec);
    }
    fs::path mDir;
};

TEST_P(FileFaultTest, IsRefusedWithItsReasonAndLeftAlone) {
    const FileFault& fault = GetParam();
    const fs::path path = mDir / "PARAMS.TXT";
    if (const std::string why = fault.make(path); !why.empty())
        GTEST_SKIP() << why;
    const std::string before = snapshot(path);

    ParameterSet params;
    ASSERT_TRUE(params.setEntry(TextId::ConfigKd, "3"));
    const ParameterSet kept = params;
    const InitResult init = InitParameters(params, true, path);
    const HelpFileLoad help = LoadHelpFile(path);
    if (fault.reason == nullptr) {
        EXPECT_TRUE(init.ok && init.source == InitSource::Defaults) << init.message;
        EXPECT_TRUE(help.missing && !help.document);
    } else {
        EXPECT_FALSE(init.ok);
        EXPECT_NE(init.message.find(path.string()), std::string::npos) << init.message;
        EXPECT_NE(init.message.find(fault.reason), std::string::npos) << init.message;
        EXPECT_EQ(params, kept);
        EXPECT_FALSE(help.missing || help.document);
        EXPECT_NE(help.error.find(fault.reason), std::string::npos) << help.error;
    }
    EXPECT_EQ(snapshot(path), before);
}

INSTANTIATE_TEST_SUITE_P(Paths, FileFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace loopcraft
