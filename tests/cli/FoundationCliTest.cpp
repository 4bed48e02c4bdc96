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
};

CliRun run(std::vector<std::string> args) {
    args.insert(args.begin(), "loopcraft-cli");
    std::vector<const char*> argv;
    for (auto& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    int status = runCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

class CliFoundation : public ::testing::Test {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() /
               ("loopcraft-cli-" +
                std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(mDir);
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }
    std::string params() const { return (mDir / "PARAMS.TXT").string(); }
    std::string fileText() const {
        std::ifstream in(params(), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path mDir;
};

TEST_F(CliFoundation, SaveCreatesTheDefaultFileAndKeepsItStable) {
    ASSERT_EQ(run({"--params", params(), "--save", "show"}).status, 0);
    std::ifstream golden(fs::path(TEST_DATA_DIR) / "default_PARAMS.TXT", std::ios::binary);
    std::ostringstream g;
    g << golden.rdbuf();
    EXPECT_EQ(fileText(), g.str());
    ASSERT_EQ(run({"--params", params(), "--save", "show"}).status, 0);
    EXPECT_EQ(fileText(), g.str());
}

TEST_F(CliFoundation, SetGoesThroughEntryReadingAndRadioGroups) {
    auto r = run({"--params", params(), "--set", "rbConfigDPLLPFD_CP=1", "--set", "ConfigKp=2e-4",
                  "--save", "--json", "show"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["flags"]["rbConfigDPLLPFD_CP"], 1);
    EXPECT_EQ(j["flags"]["rbConfigDPLLExor"], 0);
    EXPECT_EQ(j["texts"]["ConfigKp"]["text"], "2e-4");
    EXPECT_NEAR(j["texts"]["ConfigKp"]["value"].get<double>(), 2e-4, 1e-9);
    EXPECT_TRUE(j["texts"]["Unnamed35"]["value"].is_null());
    EXPECT_NE(fileText().find("2e-4\r\n"), std::string::npos);
}

TEST_F(CliFoundation, MessagesAndExitStatus) {
    auto bad = run({"--params", params(), "--set", "ConfigN=1.5", "show"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err.rfind("Format error: Invalid integer format", 0), 0u) << bad.err;

    auto rule = run({"--params", params(), "--set", "ConfigKp=0", "check-config"});
    EXPECT_EQ(rule.status, 1);
    EXPECT_EQ(rule.err, "Illegal entry: Kp must bne positive\n");

    auto ok = run({"--params", params(), "check-config"});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out, "ok\n");

    EXPECT_EQ(run({"--params", params(), "--set", "NoSuchName=1", "show"}).status, 1);
    EXPECT_EQ(run({"--params", params()}).status, 2);
    EXPECT_EQ(run({"--params", params(), "show", "--no-such-option"}).status, 2);
    EXPECT_FALSE(fs::exists(params())); // nothing saved without --save
}

TEST_F(CliFoundation, MalformedFileIsReportedAndNeverOverwritten) {
    std::ofstream(params(), std::ios::binary) << "1\r\n0\r\nzero\r\n";
    auto r = run({"--params", params(), "--save", "show"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("line 3"), std::string::npos) << r.err;
    EXPECT_EQ(fileText(), "1\r\n0\r\nzero\r\n");
}

} // namespace
} // namespace loopcraft::cli
