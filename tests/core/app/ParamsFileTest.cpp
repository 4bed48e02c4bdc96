#include "core/app/ParamsFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>

namespace loopcraft {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string golden() {
    return slurp(fs::path(TEST_DATA_DIR) / "default_PARAMS.TXT");
}

std::string written(const ParameterSet& p) {
    std::ostringstream out;
    WriteParamsFile(out, p);
    return out.str();
}

std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < s.size()) {
        auto end = s.find("\r\n", start);
        out.push_back(s.substr(start, end - start));
        start = end + 2;
    }
    return out;
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() /
               ("loopcraft-params-" +
                std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(mDir);
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }
    fs::path file() const { return mDir / "PARAMS.TXT"; }
    void writeFile(const std::string& content) {
        std::ofstream(file(), std::ios::binary) << content;
    }
    fs::path mDir;
};

TEST(ParamsFile, DefaultsMatchTheGoldenFile) {
    ParameterSet p;
    const std::string text = written(p);
    EXPECT_EQ(text, golden());
    const auto l = lines(text);
    ASSERT_EQ(l.size(), 105u);
    EXPECT_EQ(l[59], "64");   // line 60: FiltDesignM
    EXPECT_EQ(l[62], "1000"); // line 63: BodefMin
}

TEST(ParamsFile, RoundTripKeepsEveryByte) {
    ParameterSet p;
    p.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    p.selectFlag(FlagId::rbConfigPLLOrder3);
    ASSERT_TRUE(p.setEntry(TextId::ConfigKd, "2.50"));
    p.AxisFontName = "DejaVu Sans Mono";
    p.PrinterFontName = "Liberation Serif Bold";
    p.ColorCurve1 = 0x123456;
    p.CustomColors[15] = 0xFFFFFF;
    p.AxisFontStyle = {1, 0, 1, 0};
    p.PrinterFontStyle = {0, 1, 0, 1};
    p.PenWidthCurve2 = 5;
    const std::string first = written(p);

    ParameterSet q;
    std::istringstream in(first);
    ASSERT_TRUE(ReadParamsFile(in, q).ok);
    EXPECT_EQ(written(q), first);
    EXPECT_EQ(q.AxisFontName, "DejaVu Sans Mono");
    EXPECT_EQ(q.text(TextId::ConfigKd), "2.50");
}

TEST_F(TempDir, MissingFileGivesDefaultsAndSaveCreatesTheGoldenFile) {
    ParameterSet p;
    p.ConfigKd = 99; // values are recomputed from the texts
    InitResult r = InitParameters(p, true, file());
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.source, InitSource::Defaults);
    EXPECT_EQ(p.ConfigKd, 1.0f);
    EXPECT_EQ(p.SimulnSamp, 4);
    ASSERT_TRUE(SaveParamsFileAtomic(p, file()));
    EXPECT_EQ(slurp(file()), golden());
    EXPECT_FALSE(fs::exists(file().string() + ".tmp"));
}

TEST_F(TempDir, LoadsValuesAndUseFileFalseIgnoresTheFile) {
    std::string content = golden();
    content.replace(content.find("130000"), 6, "2.5e5");
    writeFile(content);
    ParameterSet p;
    ASSERT_TRUE(InitParameters(p, true, file()).ok);
    EXPECT_FLOAT_EQ(p.ConfigK0, 250000.0f);
    EXPECT_EQ(p.text(TextId::ConfigK0), "2.5e5");

    ASSERT_TRUE(InitParameters(p, false, file()).ok);
    EXPECT_FLOAT_EQ(p.ConfigK0, 130000.0f);
    EXPECT_EQ(slurp(file()), content);
}

TEST_F(TempDir, FileEndingInsideDisplayOptionsLoadsWithZeros) {
    auto l = lines(golden());
    std::string content;
    for (int i = 0; i < 80; ++i)
        content += l[i] + "\r\n";
    writeFile(content);
    ParameterSet p;
    InitResult r = InitParameters(p, true, file());
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(p.ColorAxisTickLabels, 16711680u);
    EXPECT_EQ(p.CustomColors[4], 0x404040u);
    EXPECT_EQ(p.CustomColors[5], 0u); // line 81 missing
    EXPECT_EQ(p.AxisFontName, "");
    EXPECT_EQ(p.PenWidthCurve1, 0);
    EXPECT_EQ(lines(written(p)).size(), 105u);
}

struct BrokenFile {
    const char* name;
    int lineToChange; // 1-based; 0: cut the file after `keepLines`
    const char* replacement;
    int keepLines;
    int reportedLine;
    const char* mentions;
};

class BrokenFiles : public TempDir, public ::testing::WithParamInterface<BrokenFile> {};

TEST_P(BrokenFiles, StopTheStartWithTheLineAndLeaveTheFileAlone) {
    const BrokenFile& c = GetParam();
    auto l = lines(golden());
    std::string content;
    for (int i = 0; i < 105; ++i) {
        if (c.lineToChange == 0 && i >= c.keepLines)
            break;
        content += (i + 1 == c.lineToChange ? std::string(c.replacement) : l[i]) + "\r\n";
    }
    writeFile(content);
    ParameterSet p;
    ASSERT_TRUE(p.setEntry(TextId::ConfigKd, "3"));
    const ParameterSet before = p;
    InitResult r = InitParameters(p, true, file());
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("PARAMS.TXT, line " + std::to_string(c.reportedLine) + ":"),
              std::string::npos)
        << r.message;
    EXPECT_NE(r.message.find(c.mentions), std::string::npos) << r.message;
    EXPECT_EQ(p, before);              // the set stays as it was
    EXPECT_EQ(slurp(file()), content); // and the file is not touched
}

const BrokenFile kBroken[] = {{"WordForFlag", 3, "yes", 0, 3, "rbSimulNstep"},
                              {"FlagTwo", 5, "2", 0, 5, "rbConfigADPLL"},
                              {"TextNotANumber", 36, "abc", 0, 36, "ConfigKd"},
                              {"IntegerTextWithPoint", 60, "6.4", 0, 60, "FiltDesignM"},
                              {"EndsInFlags", 0, "", 10, 11, "rbConfigLPLLMul"},
                              {"EndsInTexts", 0, "", 40, 41, "ConfigLFSatN"},
                              {"EmptyFile", 0, "", 0, 1, "rbSimulfstep"}};
INSTANTIATE_TEST_SUITE_P(Table, BrokenFiles, ::testing::ValuesIn(kBroken),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ParamsFile, ForeignLongItemsAreCut) {
    auto l = lines(golden());
    l[35] = "1.0000000000000"; // 15 characters of ConfigKd
    l[95] = std::string(40, 'F');
    std::string content;
    for (auto& s : l)
        content += s + "\n"; // LF-only line ends read as well
    std::istringstream in(content);
    ParameterSet p;
    ASSERT_TRUE(ReadParamsFile(in, p).ok);
    EXPECT_EQ(p.text(TextId::ConfigKd), "1.000000000");
    EXPECT_EQ(p.AxisFontName, std::string(31, 'F'));
}

TEST_F(TempDir, SaveFailsCleanlyInAMissingFolder) {
    ParameterSet p;
    std::string why;
    EXPECT_FALSE(SaveParamsFileAtomic(p, mDir / "nowhere" / "PARAMS.TXT", &why));
    EXPECT_FALSE(why.empty());
}

TEST(ParameterSet, NameLookUpAndEditFields) {
    EXPECT_EQ(findText("ConfigKd"), TextId::ConfigKd);
    EXPECT_FALSE(findText("Reserved1").has_value());
    EXPECT_FALSE(findText("nonsense").has_value());
    EXPECT_EQ(findFlag("rbSimulNstep"), FlagId::rbSimulNstep);
    EXPECT_EQ(editFieldName(TextId::BodeNumPoints), "EditBodeNumPoints");
    EXPECT_EQ(editFieldName(TextId::SchemaC1Unit), "");
}

TEST(ParameterSet, SetDefaultsRestoresDisplayOptions) {
    ParameterSet p;
    p.AxisFontName = "Courier";
    p.ColorGrid = 1;
    p.selectFlag(FlagId::rbConfigADPLL);
    p.setDefaults();
    EXPECT_EQ(p, ParameterSet());
}

} // namespace
} // namespace loopcraft
