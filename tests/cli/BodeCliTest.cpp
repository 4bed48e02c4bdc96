#include "cli/Cli.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

namespace loopcraft::cli {
namespace {

namespace fs = std::filesystem;

struct Result {
    int status;
    std::string out;
    std::string err;
};

class BodeCli : public ::testing::Test {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() /
               ("loopcraft-bodecli-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(mDir);
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }

    Result run(std::vector<std::string> args) {
        args.insert(args.begin(), {"loopcraft-cli", "--params", (mDir / "PARAMS.TXT").string()});
        std::vector<const char*> argv;
        for (auto& a : args) {
            argv.push_back(a.c_str());
        }
        std::ostringstream out;
        std::ostringstream err;
        const int status = runCli(static_cast<int>(argv.size()), argv.data(), out, err);
        return {status, out.str(), err.str()};
    }
    nlohmann::json runJson(std::vector<std::string> args) {
        args.push_back("--json");
        const Result r = run(std::move(args));
        EXPECT_EQ(r.status, 0) << r.err;
        return nlohmann::json::parse(r.out);
    }

    fs::path mDir;
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

TEST_F(BodeCli, ComponentEntryErrors) {
    Result r = run({"components", "--c1", "0"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Illegal entry: C1 must be positive"), std::string::npos) << r.err;
    r = run({"components", "--c1", "ten"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Format error: Invalid floating format"), std::string::npos) << r.err;
    EXPECT_NE(run({"components", "--c1-unit", "kF"}).status, 0);
}

TEST_F(BodeCli, BodeDefaultGrid) {
    const auto j = runJson({"bode"});
    EXPECT_EQ(j["fStart"], 1000.0);
    EXPECT_EQ(j["fStop"], 1e6);
    EXPECT_EQ(j["pointCount"], 151);
    ASSERT_EQ(j["points"].size(), 151U);
    // G(1 kHz) = -6.395 - 4.245j: |G|² = 58.92, 17.70 dB at -146.4 degrees
    EXPECT_NEAR(j["points"][0]["open_gain_db"].get<double>(), 17.70, 0.01);
    EXPECT_NEAR(j["points"][0]["open_phase_deg"].get<double>(), -146.4, 0.1);
    EXPECT_NEAR(j["points"][150]["f_hz"].get<double>(), 1e6, 10);
    for (const char* key : {"dbTop", "dbBottom", "phaseTop", "phaseBottom"}) {
        EXPECT_TRUE(j[key].is_number()) << key;
    }
}

TEST_F(BodeCli, BodeCsvFile) {
    const fs::path csv = mDir / "bode.csv";
    ASSERT_EQ(run({"--set", "BodeNumPoints=10", "bode", "--csv", csv.string()}).status, 0);
    std::ifstream in(csv);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "f_hz,open_gain_db,open_phase_deg,closed_gain_db,closed_phase_deg");
    int rows = 0;
    while (std::getline(in, line)) {
        ++rows;
    }
    EXPECT_EQ(rows, 31);
}

TEST_F(BodeCli, BodeRefusesBadGrids) {
    Result r = run({"--set", "BodefMax=1000", "bode"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Illegal entry: fMax must be greater than fMin"), std::string::npos);
    r = run({"--set", "BodeNumPoints=2000000000", "bode"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Illegal entry: NumPoints too large"), std::string::npos) << r.err;
}

TEST_F(BodeCli, AdpllMemoShowsAdpllCentreFrequency) {
    const auto j = runJson({"--set", "rbConfigADPLL=1", "--set", "ConfigADPLLf0=250000", "bode"});
    EXPECT_EQ(j["memo2"], "Center frequency: 250000.0 Hz\r\n");
}

} // namespace
} // namespace loopcraft::cli
