// evaluate, figures and design through the command-line tool.
#include "CliTestSupport.h"

namespace loopcraft::cli {
namespace {

namespace fs = std::filesystem;

using DesignCli = CliTest;

TEST_F(DesignCli, EvaluateTheDefaultLoopAtOneKilohertz) {
    const CliRun r = run({"--json", "evaluate", "--freq", "1000"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    EXPECT_NEAR(j["openLoop"][0].get<double>(), -6.395, 0.002);
    EXPECT_NEAR(j["openLoop"][1].get<double>(), -4.245, 0.002);
    EXPECT_NEAR(j["openLoopPhase"].get<double>(), -2.5555, 0.0005);
    for (const char* key : {"closedLoop", "closedLoopMagSq", "closedLoopPhase"}) {
        EXPECT_TRUE(j.contains(key)) << key;
    }
    const CliRun bad = run({"evaluate", "--freq", "-5"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "Illegal entry: freq must be positive\n");
}

TEST_F(DesignCli, FiguresOfBothCategories) {
    CliRun r = run({"--json", "figures"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NEAR(r.json()["f3db"].get<double>(), 4705.0, 1.0);
    EXPECT_NEAR(r.json()["phaseMarginDeg"].get<double>(), 51.1, 0.05);
    for (const char* key : {"gainCrossover", "omegaN", "zeta"}) {
        EXPECT_TRUE(r.json()[key].is_number()) << key;
    }
    r = run({"--json", "--set", "rbConfigADPLL=1", "figures"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_FLOAT_EQ(r.json()["fH"].get<float>(), 25000.0F);
    EXPECT_NEAR(r.json()["f3db"].get<double>(), 15915.5, 0.05);
}

TEST_F(DesignCli, DesignSavesTheDesignedTexts) {
    const CliRun r = run({"--json", "--save", "--set", "FiltDesignLDPLLf3db=5000", "design"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    EXPECT_TRUE(j["warning"].is_null());
    EXPECT_EQ(j["texts"]["FiltDesignTau1"], "0.000462000");
    EXPECT_EQ(j["texts"]["SchemaC1Val"], "10.0");
    EXPECT_NE(fileText().find("0.000462000\r\n0.000055900\r\n"), std::string::npos);
}

TEST_F(DesignCli, DesignAboveTheMaximumWarnsAndSavesNothing) {
    const CliRun r = run({"--json", "--save", "--set", "FiltDesignLDPLLf3db=30000", "design"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Warning: Maximum f3db frequency with this PLL is 26343.5 Hz.", 0), 0U);
    EXPECT_TRUE(r.json()["texts"].empty());
    EXPECT_FALSE(fs::exists(params()));
}

TEST_F(DesignCli, AdpllDesignStoresTheCounters) {
    const CliRun r = run({"--json", "--save", "--set", "rbConfigADPLL=1", "--set",
                          "FiltDesignADPLLfH=25001", "design"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.json()["texts"]["FiltDesignK"], "8");
    EXPECT_EQ(run({"--json", "show"}).json()["texts"]["FiltDesignM"]["text"], "65");
}

TEST_F(DesignCli, LoopWithoutCrossingIsReportedNotHung) {
    const CliRun r = run({"--save", "--set", "FiltDesignTau1=3e38", "figures"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Warning: no crossing found\n");
    EXPECT_FALSE(fs::exists(params()));
}

} // namespace
} // namespace loopcraft::cli
