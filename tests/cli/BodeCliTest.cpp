// components and bode through the command-line tool.
#include "CliTestSupport.h"

#include <algorithm>

namespace loopcraft::cli {
namespace {

namespace fs = std::filesystem;

class BodeCli : public CliTest {
protected:
    nlohmann::json runJson(std::vector<std::string> args) {
        args.push_back("--json");
        const CliRun r = run(std::move(args));
        EXPECT_EQ(r.status, 0) << r.err;
        return r.json();
    }
};

TEST_F(BodeCli, ComponentsWorkedExample) {
    const auto j = runJson({"components"});
    EXPECT_EQ(j["file"], "PassiveLL1_U.wmf");
    EXPECT_EQ(j["title"], "First-order passive lead-lag filter");
    EXPECT_EQ(j["values"], (nlohmann::json{{"R1", "51.0 kOhm"}, {"R2", "5.1 kOhm"}}));
}

TEST_F(BodeCli, SavedCapacitorKeepsItsUnit) {
    ASSERT_EQ(run({"--save", "components", "--c1", "0.022", "--c1-unit", "uF"}).status, 0);
    const auto saved = runJson({"components"});
    const auto typed = runJson({"components", "--c1", "22", "--c1-unit", "nF"});
    EXPECT_EQ(saved["values"], typed["values"]);
    EXPECT_EQ(typed["values"]["R1"], "24.0 kOhm"); // 0.0005 / 22e-9 = 22.7k
}

TEST_F(BodeCli, EntryErrorsAreMessages) {
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{"components", "--c1", "0"}, "Illegal entry: C1 must be positive"},
        {{"components", "--c1", "ten"}, "Format error: Invalid floating format"},
        {{"--set", "BodefMax=1000", "bode"}, "Illegal entry: fMax must be greater than fMin"},
        {{"--set", "BodeNumPoints=2000000000", "bode"}, "Illegal entry: NumPoints too large"}};
    for (const auto& [args, message] : cases) {
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 1) << message;
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
    }
    EXPECT_NE(run({"components", "--c1-unit", "kF"}).status, 0);
}

TEST_F(BodeCli, BodeDefaultGrid) {
    const auto j = runJson({"bode"});
    EXPECT_EQ(j["fStart"], 1000.0);
    EXPECT_EQ(j["fStop"], 1e6);
    ASSERT_EQ(j["points"].size(), 151U);
    // G(1 kHz) = -6.395 - 4.245j: |G|² = 58.92, 17.70 dB at -146.4 degrees
    EXPECT_NEAR(j["points"][0]["open_gain_db"].get<double>(), 17.70, 0.01);
    EXPECT_NEAR(j["points"][0]["open_phase_deg"].get<double>(), -146.4, 0.1);
    EXPECT_NEAR(j["points"][150]["f_hz"].get<double>(), 1e6, 10);
    for (const char* key : {"pointCount", "dbTop", "dbBottom", "phaseTop", "phaseBottom"}) {
        EXPECT_TRUE(j[key].is_number()) << key;
    }
}

TEST_F(BodeCli, BodeCsvFile) {
    const fs::path csv = mDir / "bode.csv";
    ASSERT_EQ(run({"--set", "BodeNumPoints=10", "bode", "--csv", csv.string()}).status, 0);
    const std::string text = readFile(csv);
    EXPECT_EQ(text.rfind("f_hz,open_gain_db,open_phase_deg,closed_gain_db,closed_phase_deg\n", 0),
              0U);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 32);
}

// The Bode window's picture, drawn offscreen by a process that has no display at all.
TEST_F(BodeCli, PicturesAreWrittenWithoutADisplay) {
    const std::string noDisplay = "-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "
                                  "ASAN_OPTIONS=detect_leaks=0";
    ASSERT_EQ(
        runProcess("bode --png b.png --svg b.svg --pdf b.pdf --size 640x480", "out.txt", noDisplay),
        0)
        << readFile(mDir / "out.txt.err");
    const std::string png = readFile(mDir / "b.png");
    ASSERT_GT(png.size(), 24U);
    EXPECT_EQ(png.substr(1, 3), "PNG");
    // Width and height, big-endian, in the header chunk.
    const auto be32 = [&](std::size_t at) {
        return (static_cast<unsigned char>(png[at]) << 24) |
               (static_cast<unsigned char>(png[at + 1]) << 16) |
               (static_cast<unsigned char>(png[at + 2]) << 8) |
               static_cast<unsigned char>(png[at + 3]);
    };
    EXPECT_EQ(be32(16), 640U);
    EXPECT_EQ(be32(20), 480U);
    EXPECT_NE(readFile(mDir / "b.svg").find("<svg"), std::string::npos);
    EXPECT_EQ(readFile(mDir / "b.pdf").substr(0, 5), "%PDF-");

    const std::pair<std::string, const char*> refused[] = {
        {"bode --png b.svg", "--png needs a file name ending in .png, got \"b.svg\""},
        {"bode --svg b.svg --size 640", "--size expects WIDTHxHEIGHT"},
        {"bode --pdf b.pdf --size 0x480", "--size expects WIDTHxHEIGHT"},
        {"bode --png missing/b.png", "missing/b.png"}};
    for (const auto& [args, message] : refused) {
        EXPECT_EQ(runProcess(args, "refused.txt", noDisplay), 1) << args;
        EXPECT_NE(readFile(mDir / "refused.txt.err").find(message), std::string::npos) << args;
    }
}

TEST_F(BodeCli, AdpllMemoShowsAdpllCentreFrequency) {
    const auto j = runJson({"--set", "rbConfigADPLL=1", "--set", "ConfigADPLLf0=250000", "bode"});
    EXPECT_EQ(j["memo2"], "Center frequency: 250000.0 Hz\r\n");
}

} // namespace
} // namespace loopcraft::cli
