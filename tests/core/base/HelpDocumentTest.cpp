#include "core/base/HelpDocument.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

using namespace loopcraft;

namespace {

const char* kSample = "comment line\r\n"
                      "@topic Contents | Start\r\n"
                      "# Start\r\n"
                      "see [x](topic:Bode)\r\n"
                      "\r\n"
                      "@topic Bode\n"
                      "Gain in dB and PHASE.\n"
                      "@topic Bode | duplicate\n"
                      "never shown\n"
                      "@topicNoSpace\n"
                      "@topic   \n"
                      "@topic Schematic | E24 parts\n"
                      "Resistors\n";

std::vector<std::string> ids(const std::vector<const HelpTopic*>& topics) {
    std::vector<std::string> out;
    for (const HelpTopic* t : topics)
        out.push_back(t->id);
    return out;
}

} // namespace

TEST(HelpDocument, SplitsPagesAtTopicLines) {
    HelpDocument doc = HelpDocument::parse(kSample);
    ASSERT_EQ(doc.topics().size(), 3u);
    const HelpTopic* contents = doc.find("Contents");
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->title, "Start");
    EXPECT_EQ(contents->body, "# Start\nsee [x](topic:Bode)\n");
    // Untitled page takes its identifier; malformed topic lines stay body text of the page.
    const HelpTopic* bode = doc.find("Bode");
    ASSERT_NE(bode, nullptr);
    EXPECT_EQ(bode->title, "Bode");
    EXPECT_EQ(bode->body, "Gain in dB and PHASE.\n");
    EXPECT_EQ(doc.find("Schematic")->title, "E24 parts");
    EXPECT_EQ(doc.find("bode"), nullptr); // identifiers are case-sensitive
    EXPECT_EQ(doc.find("Missing"), nullptr);
}

TEST(HelpDocument, SearchNeedsEveryWordIgnoringCase) {
    HelpDocument doc = HelpDocument::parse(kSample);
    EXPECT_EQ(ids(doc.search("phase")), std::vector<std::string>{"Bode"});
    EXPECT_EQ(ids(doc.search("GAIN phase")), std::vector<std::string>{"Bode"});
    EXPECT_EQ(ids(doc.search("gain resistors")), std::vector<std::string>{});
    EXPECT_EQ(ids(doc.search("e24")), std::vector<std::string>{"Schematic"});
    EXPECT_EQ(doc.search("  ").size(), 3u);
}

TEST(HelpDocument, ShippedHelpFileHasEveryPageTheWindowsAskFor) {
    std::ifstream in(std::string(LOOPCRAFT_DATA_DIR) + "/" + kHelpFileName, std::ios::binary);
    ASSERT_TRUE(in) << "data/modhelp.hlp missing";
    std::stringstream buffer;
    buffer << in.rdbuf();
    HelpDocument doc = HelpDocument::parse(buffer.str());
    for (const char* id : {kHelpContentsTopic, kHelpTopicPLLConfiguration, kHelpTopicPLLDesign,
                           kHelpTopicBode, kHelpTopicSchematic, kHelpTopicSimulation}) {
        const HelpTopic* t = doc.find(id);
        ASSERT_NE(t, nullptr) << id;
        EXPECT_GT(t->body.size(), 500u) << id;
    }
    // Every link on the pages leads to a page that exists.
    for (const HelpTopic& t : doc.topics()) {
        for (std::size_t p = t.body.find("(topic:"); p != std::string::npos;
             p = t.body.find("(topic:", p + 1)) {
            std::size_t end = t.body.find(')', p);
            ASSERT_NE(end, std::string::npos);
            EXPECT_NE(doc.find(t.body.substr(p + 7, end - p - 7)), nullptr) << t.id;
        }
    }
}
