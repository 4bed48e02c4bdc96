// evaluate, figures and design through the command-line tool.
#include "cli/Cli.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace loopcraft::cli {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status;
    std::string out;
    std::string err;
    nlohmann::json json() const { return nlohmann::json::parse(out); }
};

class DesignCli : public ::testing::Test {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() /
               ("loopcraft-design-cli-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(mDir);
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }

    CliRun run(std::vector<std::string> args) const {
        args.insert(args.begin(), {"loopcraft-cli", "--params", (mDir / "PARAMS.TXT").string()});
        std::vector<const char*> argv;
        for (auto& a : args) {
            argv.push_back(a.c_str());
        }
        std::ostringstream out, err;
        const int status = runCli(static_cast<int>(argv.size()), argv.data(), out, err);
        return {status, out.str(), err.str()};
    }
    std::string fileText() const {
        std::ifstream in(mDir / "PARAMS.TXT", std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path mDir;
};

TEST_F(DesignCli, EvaluateTheDefaultLoopAtOneKilohertz) {
    const CliRun r = run({"--json", "evaluate", "--freq", "1000"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    EXPECT_NEAR(j["openLoop"][0].get<double>(), -6.395, 0.002);
    EXPECT_NEAR(j["openLoop"][1].get<double>(), -4.245, 0.002);
    EXPECT_NEAR(j["openLoopMagSq"].get<double>(), 58.91, 0.02);
    EXPECT_NEAR(j["openLoopPhase"].get<double>(), -2.5555, 0.0005);
    for (const char* key : {"closedLoop", "closedLoopMagSq", "closedLoopPhase"}) {
        EXPECT_TRUE(j.contains(key)) << key;
    }
}

TEST_F(DesignCli, EvaluateRefusesANonPositiveFrequency) {
    const CliRun r = run({"evaluate", "--freq", "-5"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Illegal entry: freq must be positive\n");
}

TEST_F(DesignCli, FiguresOfBothCategories) {
    CliRun r = run({"--json", "figures"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = r.json();
    EXPECT_NEAR(j["f3db"].get<double>(), 4705.0, 1.0);
    EXPECT_NEAR(j["gainCrossover"].get<double>(), 3310.0, 1.0);
    EXPECT_NEAR(j["phaseMarginDeg"].get<double>(), 51.1, 0.05);
    EXPECT_NEAR(j["omegaN"].get<double>(), 17348.0, 1.0);
    EXPECT_NEAR(j["zeta"].get<double>(), 0.486, 0.0005);

    r = run({"--json", "--set", "rbConfigADPLL=1", "figures"});
    ASSERT_EQ(r.status, 0) << r.err;
    j = r.json();
    EXPECT_FLOAT_EQ(j["fH"].get<float>(), 25000.0F);
    EXPECT_NEAR(j["f3db"].get<double>(), 15915.5, 0.05);
}

TEST_F(DesignCli, DesignSavesTheDesignedTexts) {
    const CliRun r = run({"--json", "--save", "--set", "FiltDesignLDPLLf3db=5000", "design"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    EXPECT_TRUE(j["warning"].is_null());
    EXPECT_EQ(j["texts"]["FiltDesignTau1"], "0.000462000");
    EXPECT_EQ(j["texts"]["FiltDesignTau2"], "0.000055900");
    EXPECT_EQ(j["texts"]["SchemaC1Val"], "10.0");
    EXPECT_NE(fileText().find("0.000462000\r\n0.000055900\r\n"), std::string::npos);
}

TEST_F(DesignCli, DesignAboveTheMaximumWarnsAndSavesNothing) {
    const CliRun r = run({"--json", "--save", "--set", "FiltDesignLDPLLf3db=30000", "design"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Warning: Maximum f3db frequency with this PLL is 26343.5 Hz.", 0), 0U);
    const auto j = r.json();
    EXPECT_TRUE(j["texts"].empty());
    EXPECT_FALSE(j["warning"].is_null());
    EXPECT_FALSE(fs::exists(mDir / "PARAMS.TXT"));
}

TEST_F(DesignCli, AdpllDesignStoresTheCounters) {
    const CliRun r = run({"--json", "--save", "--set", "rbConfigADPLL=1", "--set",
                          "FiltDesignADPLLfH=25001", "design"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    EXPECT_EQ(j["texts"]["FiltDesignM"], "65");
    EXPECT_EQ(j["texts"]["FiltDesignK"], "8");
    EXPECT_EQ(j["texts"]["FiltDesignN"], "16");
    const CliRun shown = run({"--json", "show"});
    EXPECT_EQ(shown.json()["texts"]["FiltDesignM"]["text"], "65");
}

TEST_F(DesignCli, LoopWithoutCrossingIsReportedNotHung) {
    const CliRun r =
        run({"--save", "--set", "rbConfigActivePI=1", "--set", "ConfigK0=0", "figures"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Warning: no crossing found\n");
    EXPECT_FALSE(fs::exists(mDir / "PARAMS.TXT"));
}

} // namespace
} // namespace loopcraft::cli
