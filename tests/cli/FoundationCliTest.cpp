#include "CliTestSupport.h"

namespace loopcraft::cli {
namespace {

using CliFoundation = CliTest;

TEST_F(CliFoundation, SaveCreatesTheDefaultFileAndKeepsItStable) {
    const std::string golden =
        readFile(std::filesystem::path(TEST_DATA_DIR) / "default_PARAMS.TXT");
    ASSERT_EQ(run({"--save", "show"}).status, 0);
    EXPECT_EQ(fileText(), golden);
    ASSERT_EQ(run({"--save", "show"}).status, 0);
    EXPECT_EQ(fileText(), golden);
}

TEST_F(CliFoundation, SetGoesThroughEntryReadingAndRadioGroups) {
    const CliRun r = run(
        {"--set", "rbConfigDPLLPFD_CP=1", "--set", "ConfigKp=2e-4", "--save", "--json", "show"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    EXPECT_EQ(j["flags"]["rbConfigDPLLPFD_CP"], 1);
    EXPECT_EQ(j["flags"]["rbConfigDPLLExor"], 0);
    EXPECT_EQ(j["texts"]["ConfigKp"]["text"], "2e-4");
    EXPECT_NEAR(j["texts"]["ConfigKp"]["value"].get<double>(), 2e-4, 1e-9);
    EXPECT_TRUE(j["texts"]["Unnamed35"]["value"].is_null());
    EXPECT_NE(fileText().find("2e-4\r\n"), std::string::npos);
}

TEST_F(CliFoundation, MessagesAndExitStatus) {
    const CliRun bad = run({"--set", "ConfigN=1.5", "show"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err.rfind("Format error: Invalid integer format", 0), 0u) << bad.err;
    const CliRun rule = run({"--set", "ConfigKp=0", "check-config"});
    EXPECT_EQ(rule.status, 1);
    EXPECT_EQ(rule.err, "Illegal entry: Kp must bne positive\n");
    // The JSON names the field the rule concerns as it always has.
    const CliRun json = run({"--set", "ConfigKp=0", "--json", "check-config"});
    EXPECT_EQ(json.status, 1);
    EXPECT_EQ(json.json(), nlohmann::json::parse(R"({"ok": false, "message": "Kp must bne positive",
                                                     "field": "EditConfigKp"})"));
    const CliRun ok = run({"check-config"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "ok\n");
    EXPECT_EQ(run({"--set", "NoSuchName=1", "show"}).status, 1);
    EXPECT_EQ(run({}).status, 2);
    EXPECT_EQ(run({"show", "--no-such-option"}).status, 2);
    EXPECT_FALSE(std::filesystem::exists(params())); // nothing saved without --save
}

TEST_F(CliFoundation, MalformedFileIsReportedAndNeverOverwritten) {
    std::ofstream(params(), std::ios::binary) << "1\r\n0\r\nzero\r\n";
    const CliRun r = run({"--save", "show"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("line 3"), std::string::npos) << r.err;
    EXPECT_EQ(fileText(), "1\r\n0\r\nzero\r\n");
}

} // namespace
} // namespace loopcraft::cli
