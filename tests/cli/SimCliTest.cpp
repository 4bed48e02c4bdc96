#include "CliTestSupport.h"

#include <algorithm>
#include <cstdlib>
#include <sys/wait.h>

namespace loopcraft::cli {
namespace {

namespace fs = std::filesystem;

class SimCli : public CliTest {};

TEST_F(SimCli, DefaultRunWritesCsvAndSummary) {
    ASSERT_EQ(runProcess("simulate --json --csv run.csv", "out.json"), 0);
    const auto j = nlohmann::json::parse(readFile(mDir / "out.json"));
    const std::string csv = readFile(mDir / "run.csv");
    EXPECT_EQ(csv.rfind("t_s,curve1,curve2\n", 0), 0u);
    const auto rows = std::count(csv.begin(), csv.end(), '\n') - 1;
    EXPECT_EQ(rows, j["points"].get<long>());
    EXPECT_EQ(j["points"].get<long>(), j["steps"].get<long>() + 1);
    EXPECT_EQ(j["steps"].get<long>(), 4 * j["referencePeriods"].get<long>());
    EXPECT_EQ(j["axes"]["curve2"]["title"], "Uf [V]");
    EXPECT_LE(j["curve2"]["min"].get<double>(), j["curve2"]["final"].get<double>());
}

// The seed decides the noise: the default is seed 1, the same seed gives the same run in any
// process, another seed another one. The summary names the seed of a noisy run.
TEST_F(SimCli, NoisyRunsComeFromTheSeed) {
    ASSERT_EQ(runProcess("simulate --noise --csv a.csv", "a.txt"), 0);
    ASSERT_EQ(runProcess("simulate --noise --seed 1 --csv b.csv", "b.txt"), 0);
    EXPECT_EQ(readFile(mDir / "a.csv"), readFile(mDir / "b.csv"));
    EXPECT_NE(readFile(mDir / "a.txt").find("noise seed 1\n"), std::string::npos);
    ASSERT_EQ(runProcess("simulate --csv c.csv", "c.txt"), 0);
    EXPECT_NE(readFile(mDir / "a.csv"), readFile(mDir / "c.csv"));
    EXPECT_EQ(readFile(mDir / "c.txt").find("noise seed"), std::string::npos);
    ASSERT_EQ(runProcess("simulate --json --noise --seed 4294967295 --csv d.csv", "d.json"), 0);
    EXPECT_NE(readFile(mDir / "a.csv"), readFile(mDir / "d.csv"));
    EXPECT_EQ(nlohmann::json::parse(readFile(mDir / "d.json"))["noiseSeed"], 4294967295u);
    for (const char* bad : {"-1", "4294967296", "x"})
        EXPECT_NE(runProcess(std::string("simulate --noise --seed ") + bad, "e.txt"), 0) << bad;
    // The seed is a setting: saved, it is the next run's seed; --set reaches it too.
    ASSERT_EQ(runProcess("simulate --noise --seed 4294967295 --save", "s.txt"), 0);
    EXPECT_NE(readFile(mDir / "LOOPCRAFT.JSON").find("\"NoiseSeed\": 4294967295"),
              std::string::npos);
    ASSERT_EQ(runProcess("simulate --noise --csv e.csv", "e.txt"), 0);
    EXPECT_EQ(readFile(mDir / "e.csv"), readFile(mDir / "d.csv"));
    ASSERT_EQ(runProcess("--set NoiseSeed=1 simulate --noise --csv f.csv", "f.txt"), 0);
    EXPECT_EQ(readFile(mDir / "f.csv"), readFile(mDir / "a.csv"));
}

TEST_F(SimCli, IllegalEntryIsReportedWithExitOne) {
    EXPECT_EQ(runProcess("simulate --stimulus phi --set Simuldphi=200", "o.txt"), 1);
    EXPECT_EQ(readFile(mDir / "o.txt.err"), "Illegal Entry: dphi must be in range -180..180\n");
    EXPECT_EQ(runProcess("simulate --set SimulT=1e6", "t.txt"), 1);
    EXPECT_NE(readFile(mDir / "t.txt.err").find("2000000000"), std::string::npos);
}

TEST_F(SimCli, ProposedTimeAndDividerStep) {
    ASSERT_EQ(runProcess("simulate --json --proposed-time", "p.json"), 0);
    const auto p = nlohmann::json::parse(readFile(mDir / "p.json"));
    EXPECT_NE(p["SimulT"], "0.001");
    // The divider step switches a plain VCO to the scaler: the loop must move.
    ASSERT_EQ(runProcess("simulate --json --filter --stimulus N --set ConfigN=10 --set "
                         "ConfigK0=2000000 --set SimulT=0.01",
                         "n.json"),
              0);
    const auto n = nlohmann::json::parse(readFile(mDir / "n.json"));
    EXPECT_NEAR(n["curve2"]["final"].get<double>(), 2.8142, 2e-3);
}

// Width and height from a PNG file's header.
std::pair<int, int> pngSize(const std::string& png) {
    auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) |
               (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) |
               static_cast<unsigned char>(png[at + 3]);
    };
    return png.size() > 24 ? std::pair<int, int>{be32(16), be32(20)} : std::pair<int, int>{0, 0};
}

// The pictures need the run's points kept; without them the points go to the CSV as the run
// makes them. Both ways write the same file and summary.
TEST_F(SimCli, PicturesOfTheRunWithoutADisplay) {
    const std::string run = "simulate --json --csv ";
    ASSERT_EQ(runProcess(run + "kept.csv --png p.png --svg p.svg --pdf p.pdf --size 640x480 "
                               "--protocol-pdf protocol.pdf",
                         "kept.json", "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM"),
              0)
        << readFile(mDir / "kept.json.err");
    ASSERT_EQ(runProcess(run + "streamed.csv", "streamed.json"), 0);
    EXPECT_EQ(readFile(mDir / "streamed.csv"), readFile(mDir / "kept.csv"));
    EXPECT_EQ(readFile(mDir / "streamed.json"), readFile(mDir / "kept.json"));

    EXPECT_EQ(pngSize(readFile(mDir / "p.png")), (std::pair<int, int>{640, 480}));
    const std::string svg = readFile(mDir / "p.svg");
    EXPECT_NE(svg.find("viewBox=\"0 0 640 480\""), std::string::npos);
    EXPECT_NE(svg.find(">Uf ["), std::string::npos);
    for (const char* pdf : {"p.pdf", "protocol.pdf"}) {
        const std::string text = readFile(mDir / pdf);
        EXPECT_EQ(text.rfind("%PDF-", 0), 0u) << pdf;
    }
    EXPECT_NE(readFile(mDir / "protocol.pdf").find("/MediaBox [0 0 595"), std::string::npos);
}

TEST_F(SimCli, PictureOptionsAreCheckedBeforeTheRun) {
    EXPECT_EQ(runProcess("simulate --png plot.svg", "a.txt"), 1);
    EXPECT_EQ(readFile(mDir / "a.txt.err"),
              "Illegal entry: --png needs a file name ending in .png, got \"plot.svg\"\n");
    EXPECT_EQ(runProcess("simulate --svg p.svg --size 0x600", "b.txt"), 1);
    EXPECT_NE(readFile(mDir / "b.txt.err").find("--size expects WIDTHxHEIGHT"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(mDir / "p.svg"));
}

} // namespace
} // namespace loopcraft::cli
