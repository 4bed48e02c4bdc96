// help-page through the command-line tool.
#include "CliTestSupport.h"

namespace loopcraft::cli {
namespace {

class HelpCli : public CliTest {
protected:
    CliRun helpPage(std::vector<std::string> args,
                    const std::string& file = LOOPCRAFT_DATA_DIR "/modhelp.hlp") const {
        args.insert(args.begin(), {"help-page", "--help-file", file});
        return run(std::move(args));
    }
};

TEST_F(HelpCli, ListsSearchesAndPrintsPages) {
    const CliRun list = helpPage({});
    EXPECT_EQ(list.status, 0);
    EXPECT_NE(list.out.find("PLLConfiguration\tPLL configuration\n"), std::string::npos);
    EXPECT_NE(list.out.find("ParametersOfPLLSimulation\t"), std::string::npos);
    EXPECT_EQ(helpPage({"--search", "hold range"}).out, "PLLDesign\tPLL design\n");
    const CliRun page = helpPage({"Bode"});
    EXPECT_EQ(page.status, 0);
    EXPECT_EQ(page.out.rfind("# Bode plot\n", 0), 0u);
}

TEST_F(HelpCli, MissingTopicOrFileIsAMessage) {
    const CliRun topic = helpPage({"NoSuchPage"});
    EXPECT_EQ(topic.status, 1);
    EXPECT_NE(topic.err.find("Help: The help file has no page for the topic NoSuchPage"),
              std::string::npos);
    const CliRun file = helpPage({}, "/nonexistent/modhelp.hlp");
    EXPECT_EQ(file.status, 1);
    EXPECT_NE(file.err.find("could not be opened"), std::string::npos);
}

} // namespace
} // namespace loopcraft::cli
