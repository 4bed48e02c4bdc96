// Shared by the command-line tests: runs the tool in-process against a parameter file in a fresh
// temporary folder.
#pragma once

#include "cli/Cli.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace loopcraft::cli {

struct CliRun {
    int status;
    std::string out;
    std::string err;
    nlohmann::json json() const { return nlohmann::json::parse(out); }
};

inline CliRun runTool(std::vector<std::string> args) {
    args.insert(args.begin(), "loopcraft-cli");
    std::vector<const char*> argv;
    for (const auto& a : args) {
        argv.push_back(a.c_str());
    }
    std::ostringstream out, err;
    const int status = runCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

inline std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        mDir = std::filesystem::temp_directory_path() /
               ("loopcraft-cli-" + std::to_string(::getpid()) + "-" + info->test_suite_name() +
                "-" + info->name());
        std::filesystem::remove_all(mDir);
        std::filesystem::create_directories(mDir);
    }
    void TearDown() override { std::filesystem::remove_all(mDir); }

    std::string params() const { return (mDir / "PARAMS.TXT").string(); }
    std::string fileText() const { return readFile(params()); }
    CliRun run(std::vector<std::string> args) const {
        args.insert(args.begin(), {"--params", params()});
        return runTool(std::move(args));
    }
    // Runs the real program in its own process in the test's folder, its output in `outName`
    // and `outName`.err; `env` (such as "-u DISPLAY") goes to env(1). Returns the exit status.
    int runProcess(const std::string& args, const std::string& outName,
                   const std::string& env = "") const {
        const std::string cmd = "cd '" + mDir.string() + "' && env " + env + " '" + CLI_EXE + "' " +
                                args + " >" + outName + " 2>" + outName + ".err";
        const int raw = std::system(cmd.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }

    std::filesystem::path mDir;
};

} // namespace loopcraft::cli
