#include "core/base/ParamsFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sstream>
#include <tuple>

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
    for (std::size_t start = 0; start < s.size(); start = s.find("\r\n", start) + 2)
        out.push_back(s.substr(start, s.find("\r\n", start) - start));
    return out;
}

// The first `count` lines of `l`, each ended by `end`.
std::string joined(const std::vector<std::string>& l, std::size_t count, const char* end = "\r\n") {
    std::string out;
    for (std::size_t i = 0; i < count; ++i)
        out += l[i] + end;
    return out;
}

class TempDir : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* test = ::testing::UnitTest::GetInstance();
        mDir =
            fs::temp_directory_path() / ("loopcraft-params-" + std::to_string(test->random_seed()) +
                                         "-" + test->current_test_info()->name());
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
}

TEST_F(TempDir, MissingFileGivesDefaultsAndSaveCreatesTheGoldenFile) {
    ParameterSet p;
    p.ConfigKd = 99; // values are recomputed from the texts
    const InitResult r = InitParameters(p, true, file());
    EXPECT_TRUE(r.ok && r.source == InitSource::Defaults);
    EXPECT_EQ(p.ConfigKd, 1.0f);
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

// Old Mac line ends (CR alone) are line ends: the font names stay names and the style bits
// after them are read, not swallowed into a name.
TEST(ParamsFile, CrOnlyLineEndsReadAsLineEnds) {
    auto l = lines(golden());
    l[95] = "Liberation Sans";
    l[98] = "1"; // italic axis font
    std::istringstream in(joined(l, l.size(), "\r"));
    ParameterSet p;
    const auto r = ReadParamsFile(in, p);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(p.AxisFontName, "Liberation Sans");
    EXPECT_EQ(p.PrinterFontName, "Arial");
    EXPECT_EQ(p.AxisFontStyle[1], 1);
    EXPECT_EQ(written(p), joined(l, l.size()));
}

// A broken file stops the start with its line and is left alone, as is the set.
TEST_F(TempDir, BrokenFilesAreReportedWithTheirLine) {
    // (line to change, 1-based, or 0: keep only `keep` lines; replacement; reported line; name)
    const std::tuple<int, const char*, std::size_t, int, const char*> cases[] = {
        {3, "yes", 0, 3, "rbSimulNstep"},
        {5, "2", 0, 5, "rbConfigADPLL"},
        {36, "abc", 0, 36, "ConfigKd"},
        {60, "6.4", 0, 60, "FiltDesignM"},
        {0, "", 10, 11, "rbConfigLPLLMul"},
        {0, "", 40, 41, "ConfigLFSatN"},
        {0, "", 0, 1, "rbSimulfstep"},
        // Display options: a file that ends among them is as truncated as any other.
        {0, "", 80, 81, "CustomColors[5]"},
        {0, "", 95, 96, "AxisFontName"},
        {0, "", 96, 97, "PrinterFontName"},
        {0, "", 104, 105, "PrinterFontStyle[3]"},
        {70, "abc", 0, 70, "ColorAxisTickLabels"},
        {76, "-1", 0, 76, "CustomColors[0]"},
        {95, "12pt", 0, 95, "PrinterFontSize"},
        {100, "x", 0, 100, "AxisFontStyle[2]"}};
    for (const auto& [change, replacement, keep, reported, name] : cases) {
        auto l = lines(golden());
        if (change > 0)
            l[static_cast<std::size_t>(change - 1)] = replacement;
        const std::string content = joined(l, change > 0 ? l.size() : keep);
        writeFile(content);
        ParameterSet p;
        ASSERT_TRUE(p.setEntry(TextId::ConfigKd, "3"));
        const ParameterSet before = p;
        const InitResult r = InitParameters(p, true, file());
        EXPECT_FALSE(r.ok) << name;
        EXPECT_NE(r.message.find("PARAMS.TXT, line " + std::to_string(reported) + ":"),
                  std::string::npos)
            << r.message;
        EXPECT_NE(r.message.find(name), std::string::npos) << r.message;
        EXPECT_EQ(p, before) << name;
        EXPECT_EQ(slurp(file()), content) << name;
    }
}

TEST(ParamsFile, ForeignLongItemsAreCut) {
    auto l = lines(golden());
    l[35] = "1.0000000000000"; // 15 characters of ConfigKd
    l[95] = std::string(40, 'F');
    std::istringstream in(joined(l, l.size(), "\n")); // LF-only line ends read as well
    ParameterSet p;
    ASSERT_TRUE(ReadParamsFile(in, p).ok);
    EXPECT_EQ(p.text(TextId::ConfigKd), "1.000000000");
    EXPECT_EQ(p.AxisFontName, std::string(31, 'F'));
}

TEST_F(TempDir, SaveFailsCleanlyWithTheSystemsReason) {
    ParameterSet p;
    std::string why;
    EXPECT_FALSE(SaveParamsFileAtomic(p, mDir / "nowhere" / "PARAMS.TXT", &why));
    EXPECT_NE(why.find("No such file or directory"), std::string::npos) << why;
    // A link into a missing folder: the link stays as it was.
    fs::create_symlink("nowhere/PARAMS.TXT", file());
    EXPECT_FALSE(SaveParamsFileAtomic(p, file(), &why));
    EXPECT_EQ(fs::read_symlink(file()), "nowhere/PARAMS.TXT");
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()), 1);
}

// A link planted at the old fixed temporary name must not redirect the write; a PARAMS.TXT that
// is itself a link keeps being one, and the file it points to gets the new content with its
// permissions.
TEST_F(TempDir, SaveNeverFollowsAPlantedLinkAndKeepsALinkedFile) {
    const fs::path victim = mDir / "victim";
    std::ofstream(victim) << "precious";
    fs::create_symlink(victim, mDir / "PARAMS.TXT.tmp");
    writeFile("old");
    ParameterSet p;
    std::string why;
    ASSERT_TRUE(SaveParamsFileAtomic(p, file(), &why)) << why;
    EXPECT_EQ(slurp(file()), golden());

    const fs::path real = mDir / "real.txt";
    fs::rename(file(), real);
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink("real.txt", file());
    std::ofstream(real, std::ios::trunc) << "old";
    ASSERT_TRUE(SaveParamsFileAtomic(p, file(), &why)) << why;
    EXPECT_TRUE(fs::is_symlink(fs::symlink_status(file())));
    EXPECT_EQ(slurp(real), golden());
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(slurp(victim), "precious");
    EXPECT_EQ(std::distance(fs::directory_iterator(mDir), fs::directory_iterator()), 4)
        << "no temporary file is left behind";
}

TEST(ParameterSet, TypedCountsAreIntegersButFileTextsTruncate) {
    ParameterSet p;
    std::string message;
    EXPECT_FALSE(p.setEntry(TextId::SimulnSamp, "4.5", &message));
    EXPECT_EQ(message, "Invalid integer format");
    p.setTextRaw(TextId::SimulnSamp, "7.9");
    ASSERT_TRUE(p.recomputeValue(TextId::SimulnSamp));
    EXPECT_EQ(p.SimulnSamp, 7);
}

TEST(ParameterSet, NameLookUpSkipsReservedLines) {
    EXPECT_EQ(findText("ConfigKd"), TextId::ConfigKd);
    EXPECT_FALSE(findText("Reserved1").has_value());
    EXPECT_EQ(findFlag("rbSimulNstep"), FlagId::rbSimulNstep);
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
