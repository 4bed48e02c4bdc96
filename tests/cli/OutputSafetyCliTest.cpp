// Every file the tool writes goes through one path: a FIFO or device in place of an output is
// refused at once, every argument is checked before the first file is written, a failure leaves
// the old file as it was, and a crafted drawing never reaches the painter.
#include "CliTestSupport.h"

#include <sys/stat.h>

namespace loopcraft::cli {
namespace {

namespace fs = std::filesystem;

const std::string kNoDisplay = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                               "-u XDG_RUNTIME_DIR ASAN_OPTIONS=detect_leaks=0";

class OutputSafetyCli : public CliTest {};

// Each output option with a FIFO at its path: refused at once (the run would otherwise block
// forever waiting for a reader), with the reason, and the FIFO left as it was.
TEST_F(OutputSafetyCli, AFifoInPlaceOfAnyOutputIsRefusedAtOnce) {
    const fs::path fifo = mDir / "out";
    const std::pair<const char*, const char*> outputs[] = {{"bode --csv ", ""},
                                                           {"bode --png ", ".png"},
                                                           {"bode --svg ", ".svg"},
                                                           {"bode --pdf ", ".pdf"},
                                                           {"schematic --png ", ".png"},
                                                           {"schematic --svg ", ".svg"},
                                                           {"schematic --pdf ", ".pdf"},
                                                           {"report --pdf ", ".pdf"},
                                                           {"report --html ", ".html"},
                                                           {"netlist --out ", ""},
                                                           {"simulate --csv ", ""},
                                                           {"simulate --png ", ".png"},
                                                           {"simulate --protocol-pdf ", ".pdf"}};
    for (const auto& [option, suffix] : outputs) {
        const fs::path path = fifo.string() + suffix;
        ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
        // `timeout` turns a hang into a failure instead of a stuck test run.
        const std::string args = std::string(option) + path.filename().string();
        EXPECT_EQ(runProcess(args, "fifo.txt", kNoDisplay + " timeout 20"), 1) << args;
        const std::string err = readFile(mDir / "fifo.txt.err");
        EXPECT_NE(err.find("it is a FIFO, not a regular file"), std::string::npos) << args << err;
        EXPECT_TRUE(fs::is_fifo(path)) << args;
        fs::remove(path);
    }
}

// Bad arguments after good ones: nothing is written, not even the outputs named first.
TEST_F(OutputSafetyCli, EveryArgumentIsCheckedBeforeTheFirstFileIsWritten) {
    const std::pair<std::string, const char*> cases[] = {
        {"bode --csv a.csv --pdf b.pdf --size 1e3x2", "--size expects WIDTHxHEIGHT"},
        {"schematic --png a.png --svg b.svg --pdf c.", "--pdf needs a file name ending in .pdf"},
        {"bode --csv a.csv --png b.png --size 20000x20000", "MiB of memory"},
        {"report --pdf a.pdf --html missing/b.html", "No such file or directory"},
        {"simulate --csv a.csv --png missing/b.png", "No such file or directory"}};
    for (const auto& [args, message] : cases) {
        EXPECT_EQ(runProcess(args, "refused.txt", kNoDisplay), 1) << args;
        EXPECT_NE(readFile(mDir / "refused.txt.err").find(message), std::string::npos)
            << args << readFile(mDir / "refused.txt.err");
        for (const char* name : {"a.csv", "a.png", "a.pdf", "b.pdf", "b.svg", "b.png"})
            EXPECT_FALSE(fs::exists(mDir / name)) << args << ": " << name;
    }
}

// A failed output leaves the old file and no temporary file; a good one replaces it whole.
TEST_F(OutputSafetyCli, AFailedRunLeavesTheOldFileAndNoTemporaryFile) {
    std::ofstream(mDir / "old.csv") << "old";
    ASSERT_EQ(
        runProcess("bode --csv old.csv --png bad.png --size 20000x20000", "a.txt", kNoDisplay), 1);
    EXPECT_EQ(readFile(mDir / "old.csv"), "old");
    ASSERT_EQ(runProcess("--set BodeNumPoints=10 bode --csv old.csv", "b.txt", kNoDisplay), 0);
    EXPECT_EQ(readFile(mDir / "old.csv").rfind("f_hz,", 0), 0U);
    for (const auto& entry : fs::directory_iterator(mDir))
        EXPECT_EQ(entry.path().string().find(".tmp"), std::string::npos) << entry.path();
}

// A read-only output or parameter file is refused as the other writers refuse it, before the
// command writes anything. Root writes regardless of permission bits.
TEST_F(OutputSafetyCli, AReadOnlyFileIsNotReplaced) {
    std::ofstream(mDir / "ro.csv") << "kept";
    fs::permissions(mDir / "ro.csv",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (std::ofstream(mDir / "ro.csv", std::ios::app).is_open())
        GTEST_SKIP() << "permission bits do not stop this user (root)";
    EXPECT_EQ(runProcess("bode --csv ro.csv", "ro.txt", kNoDisplay), 1);
    EXPECT_NE(readFile(mDir / "ro.txt.err").find("Permission denied"), std::string::npos);
    EXPECT_EQ(readFile(mDir / "ro.csv"), "kept");
}

// The schematic's loop figures are printed only for entries the design accepts: saturation
// limits the wrong way round are refused as `figures` refuses them, never printed as NaN.
TEST_F(OutputSafetyCli, SchematicRefusesWhatFiguresRefuses) {
    for (const char* set : {"ConfigLFSatN=5", "ConfigLFSatP=1e-5"}) {
        const CliRun r = run({"--set", set, "--json", "schematic"});
        EXPECT_EQ(r.status, 1) << set;
        EXPECT_NE(r.err.find("USat+ must be larger than USat-"), std::string::npos) << r.err;
        EXPECT_EQ(r.out.find("null"), std::string::npos) << r.out;
    }
}

// The drawing that crashed Qt's glyph rasteriser and the one that took seconds to play, put in
// the working folder where drawings are looked up first: refused with the file's reason.
TEST_F(OutputSafetyCli, CraftedDrawingsAreRefusedNotPlayed) {
    for (const char* name : {"text-record-crash.wmf", "slow-play.wmf"}) {
        fs::copy_file(fs::path(TEST_DATA_DIR) / "fuzz" / "wmf" / name, mDir / "PassiveLL1_U.wmf",
                      fs::copy_options::overwrite_existing);
        EXPECT_EQ(runProcess("schematic --png s.png --size 64x48", "s.txt", kNoDisplay), 1) << name;
        const std::string err = readFile(mDir / "s.txt.err");
        EXPECT_NE(err.find("more than 64 times"), std::string::npos) << name << err;
        EXPECT_EQ(err.find("XDG_RUNTIME_DIR"), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(mDir / "s.png"));
    }
}

TEST_F(OutputSafetyCli, NetlistAsJsonAndTheHelpFileNamedInItsError) {
    const CliRun deck = run({"--json", "netlist"});
    ASSERT_EQ(deck.status, 0) << deck.err;
    const auto j = deck.json();
    EXPECT_EQ(j["analysis"], "ac");
    EXPECT_NE(j["deck"].get<std::string>().find(".ac"), std::string::npos);

    const CliRun help = run({"help-page", "--help-file", (mDir / "mine.hlp").string()});
    EXPECT_EQ(help.status, 1);
    EXPECT_NE(help.err.find("The help file " + (mDir / "mine.hlp").string()), std::string::npos)
        << help.err;
    EXPECT_EQ(help.err.find("modhelp.hlp"), std::string::npos) << help.err;
}

} // namespace
} // namespace loopcraft::cli
