// help-page through the command-line tool.
#include "cli/Cli.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace loopcraft::cli {
namespace {

struct HelpRun {
    int status;
    std::string out, err;
};

HelpRun helpPage(std::vector<std::string> args,
                 const std::string& file = LOOPCRAFT_DATA_DIR "/modhelp.hlp") {
    const auto params = std::filesystem::temp_directory_path() / "loopcraft-help-cli-none.txt";
    args.insert(args.begin(),
                {"loopcraft-cli", "--params", params.string(), "help-page", "--help-file", file});
    std::vector<const char*> argv;
    for (auto& a : args)
        argv.push_back(a.c_str());
    std::ostringstream out, err;
    const int status = runCli(static_cast<int>(argv.size()), argv.data(), out, err);
    return {status, out.str(), err.str()};
}

TEST(HelpCli, ListsSearchesAndPrintsPages) {
    HelpRun list = helpPage({});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("PLLConfiguration\tPLL configuration\n"), std::string::npos);
    EXPECT_NE(list.out.find("ParametersOfPLLSimulation\t"), std::string::npos);

    HelpRun search = helpPage({"--search", "hold range"});
    EXPECT_EQ(search.out, "PLLDesign\tPLL design\n");

    HelpRun page = helpPage({"Bode"});
    EXPECT_EQ(page.status, 0);
    EXPECT_EQ(page.out.rfind("# Bode plot\n", 0), 0u);
}

TEST(HelpCli, MissingTopicOrFileIsAMessage) {
    HelpRun topic = helpPage({"NoSuchPage"});
    EXPECT_EQ(topic.status, 1);
    EXPECT_NE(topic.err.find("Help: The help file has no page for the topic NoSuchPage"),
              std::string::npos);
    HelpRun file = helpPage({}, "/nonexistent/modhelp.hlp");
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.err.find("could not be opened"), std::string::npos);
}

} // namespace
} // namespace loopcraft::cli
