// Paths that exist but must not be read or replaced: the parameter file, the help file and the
// atomic writer behind every output refuse each of them with the file's name and the system's
// reason, never hang on it, and leave it as it was. Only a path that names nothing counts as
// missing.
#include "core/base/FileAccess.h"
#include "core/base/HelpDocument.h"
#include "core/base/ParamsFile.h"

#include <csignal>
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
    const char* reason;      // part of the message; nullptr: the path reads as missing
    const char* writeReason; // why a replacement is refused; nullptr: it may be replaced
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
    {"Missing", always([](const fs::path&) {}), nullptr, nullptr},
    {"DanglingLink", always([](const fs::path& p) { fs::create_symlink("nothing-here", p); }),
     nullptr, nullptr},
    {"Directory", always([](const fs::path& p) { fs::create_directory(p); }), "Is a directory",
     "Is a directory"},
    {"Fifo",
     [](const fs::path& p) {
         return ::mkfifo(p.c_str(), 0644) == 0 ? std::string() : "mkfifo failed";
     },
     "FIFO", "it is a FIFO, not a regular file"},
    {"Device", always([](const fs::path& p) { fs::create_symlink("/dev/zero", p); }), "device",
     "it is a device, not a regular file"},
    {"LinkLoop", always([](const fs::path& p) { fs::create_symlink(p.filename(), p); }),
     "Too many levels of symbolic links", "Too many levels of symbolic links"},
    {"NoPermission",
     [](const fs::path& p) {
         std::ofstream(p) << "1\n";
         fs::permissions(p, fs::perms::none);
         // Root reads regardless of permission bits; the directory and FIFO cases stand in.
         return std::ifstream(p).is_open() ? "permission bits do not stop this user (root)"
                                           : std::string();
     },
     "Permission denied", "Permission denied"},
    // Read-only for everybody: the folder would let a rename replace it, the writer must not.
    {"ReadOnly",
     [](const fs::path& p) {
         std::ofstream(p) << "1\n";
         fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
         return std::ofstream(p, std::ios::app).is_open()
                    ? "permission bits do not stop this user (root)"
                    : std::string();
     },
     nullptr, "Permission denied"},
    {"TooLarge", always([](const fs::path& p) {
         std::ofstream(p) << "x";
         fs::resize_file(p, kMaxHelpFileBytes + 1); // sparse: no 16 MiB written
     }),
     "larger than", nullptr},
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
    if (fault.name == std::string("ReadOnly")) {
        EXPECT_TRUE(init.ok) << init.message; // readable, only not writable
    } else if (fault.reason == nullptr) {
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

    if (fault.writeReason == nullptr) {
        return; // replaceable: the other tests cover the replacement itself
    }
    std::string why;
    EXPECT_FALSE(ReplaceFileAtomic(path, "new content", &why));
    EXPECT_NE(why.find(path.string()), std::string::npos) << why;
    EXPECT_NE(why.find(fault.writeReason), std::string::npos) << why;
    EXPECT_EQ(OutputTargetProblem(path).empty(), false);
    EXPECT_EQ(snapshot(path), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()), 1)
        << "no temporary file is left behind";
}

INSTANTIATE_TEST_SUITE_P(Paths, FileFaultTest, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// A termination signal during a long write removes the temporary file before the program ends;
// the old file stays as it was.
TEST(AtomicFileWriterDeathTest, TerminationSignalsLeaveNoTemporaryFile) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const fs::path dir =
        fs::temp_directory_path() / ("loopcraft-signal-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const fs::path file = dir / "run.csv";
    std::ofstream(file) << "old";
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
        EXPECT_EXIT(
            {
                std::signal(signalNumber, SIG_DFL);
                AtomicFileWriter writer(file);
                writer.write(std::string(1 << 20, 'x'));
                std::raise(signalNumber);
            },
            ::testing::KilledBySignal(signalNumber), "");
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 1)
            << "signal " << signalNumber;
        std::ifstream in(file);
        std::string content;
        in >> content;
        EXPECT_EQ(content, "old");
    }
    fs::remove_all(dir);
}

} // namespace
} // namespace loopcraft
