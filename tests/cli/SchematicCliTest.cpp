// schematic through the command-line tool.
#include "CliTestSupport.h"

namespace loopcraft::cli {
namespace {

using SchematicCli = CliTest;

TEST_F(SchematicCli, JsonHoldsDrawingRowsAndBothSetsOfFigures) {
    const CliRun r = run({"schematic", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    EXPECT_EQ(j["file"], "PassiveLL1_U.wmf");
    EXPECT_EQ(j["title"], "First-order passive lead-lag filter");
    const nlohmann::json rows = nlohmann::json::parse(R"([
        {"section": 1, "designator": "C1", "field": "EditSchemaC1Val", "value": "10 nF"},
        {"section": 1, "designator": "R1", "field": "stSchemaR1Val", "value": "51.0 kOhm"},
        {"section": 1, "designator": "R2", "field": "stSchemaR2Val", "value": "5.1 kOhm"}])");
    EXPECT_EQ(j["rows"], rows);
    // The designed loop is the one the design window measures; its parts bought as 51k and
    // 5.1k move it a little.
    const double designed = j["designed"]["f3db"].get<double>();
    const double rounded = j["roundedParts"]["f3db"].get<double>();
    EXPECT_NEAR(designed, 4705.0, 1.0);
    EXPECT_NE(rounded, designed);
    EXPECT_NEAR(rounded, designed, 0.05 * designed);

    const CliRun text = run({"schematic"});
    ASSERT_EQ(text.status, 0) << text.err;
    EXPECT_NE(text.out.find("R1    51.0 kOhm"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("E24 parts"), std::string::npos) << text.out;
}

TEST_F(SchematicCli, PicturesInEachFormatAndRefusals) {
    const auto png = (mDir / "s.png").string();
    const auto svg = (mDir / "s.svg").string();
    const auto pdf = (mDir / "s.pdf").string();
    const CliRun r =
        run({"--set", "rbConfigPLLOrder4=1", "--set", "rbConfigActivePI=1", "schematic", "--png",
             png, "--svg", svg, "--pdf", pdf, "--size", "600x400"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string image = readFile(png);
    ASSERT_GT(image.size(), 24U);
    EXPECT_EQ(image.substr(1, 3), "PNG");
    EXPECT_EQ(static_cast<unsigned char>(image[18]) * 256 + static_cast<unsigned char>(image[19]),
              600);
    EXPECT_NE(readFile(svg).find("Third-order active PI filter"), std::string::npos);
    EXPECT_EQ(readFile(pdf).substr(0, 4), "%PDF");

    struct Refusal {
        std::vector<std::string> args;
        const char* error;
    };
    const Refusal refusals[] = {
        {{"schematic", "--png", png, "--size", "600by400"}, "Illegal entry: --size expects"},
        {{"schematic", "--png", (mDir / "s.txt").string()},
         "--png needs a file name ending in .png"},
        {{"--set", "SchemaC1Val=0", "schematic"}, "Illegal entry: C1 must be positive"}};
    for (const Refusal& bad : refusals) {
        const CliRun b = run(bad.args);
        EXPECT_EQ(b.status, 1);
        EXPECT_NE(b.err.find(bad.error), std::string::npos) << b.err;
    }
}

// Each option takes only its own format, refused before the design is shown or a file is made;
// the extension is matched in any case.
TEST_F(SchematicCli, EachPictureOptionNeedsItsOwnExtension) {
    struct Wrong {
        const char* option;
        const char* file;
        const char* suffix;
    };
    const Wrong wrong[] = {{"--png", "s.svg", ".png"},     {"--svg", "s.pdf", ".svg"},
                           {"--pdf", "s.png", ".pdf"},     {"--png", "png", ".png"},
                           {"--svg", "s.svg.txt", ".svg"}, {"--pdf", "s.", ".pdf"}};
    for (const Wrong& w : wrong) {
        const std::string file = (mDir / w.file).string();
        const CliRun r = run({"schematic", w.option, file});
        EXPECT_EQ(r.status, 1) << w.option << " " << w.file;
        EXPECT_NE(r.err.find(std::string("Illegal entry: ") + w.option +
                             " needs a file name ending in " + w.suffix),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.out, "") << "nothing is shown before the refusal";
        EXPECT_FALSE(std::filesystem::exists(file)) << w.file;
    }
    const auto upper = (mDir / "S.PNG").string();
    const CliRun ok = run({"schematic", "--png", upper, "--size", "60x40"});
    ASSERT_EQ(ok.status, 0) << ok.err;
    EXPECT_EQ(readFile(upper).substr(1, 3), "PNG");
}

} // namespace
} // namespace loopcraft::cli
