// Phase-noise tables: interpolation in log-frequency and dB, the extended end slopes, the checks
// that refuse unusable tables, and CSV text.
#include "core/noise/NoiseTable.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

const NoiseTable kTable = {{100, -80}, {1000, -100}, {100000, -120}};

TEST(NoiseTable, InterpolatesStraightInLogFrequencyAndDb) {
    EXPECT_DOUBLE_EQ(noiseAt(kTable, 100), -80);
    EXPECT_DOUBLE_EQ(noiseAt(kTable, 1000), -100);
    EXPECT_NEAR(noiseAt(kTable, 316.227766), -90, 1e-6); // half a decade
    EXPECT_NEAR(noiseAt(kTable, 10000), -110, 1e-9);     // -10 dB/decade segment
    EXPECT_NEAR(noiseAt(kTable, 100000), -120, 1e-9);
}

TEST(NoiseTable, EndSlopesGoOnBeyondTheTable) {
    EXPECT_NEAR(noiseAt(kTable, 10), -60, 1e-9);        // -20 dB/decade continued down
    EXPECT_NEAR(noiseAt(kTable, 1e6), -130, 1e-9);      // -10 dB/decade continued up
    EXPECT_DOUBLE_EQ(noiseAt({{1000, -150}}, 1), -150); // one point is flat
    EXPECT_DOUBLE_EQ(noiseAt({{1000, -150}}, 1e9), -150);
}

TEST(NoiseTable, SweepAgreesWithSinglePoints) {
    const std::vector<double> f = {1, 50, 100, 200, 999, 1000, 1001, 5e4, 1e5, 1e7};
    std::vector<double> dbc;
    noiseAt(kTable, f, dbc);
    ASSERT_EQ(dbc.size(), f.size());
    for (std::size_t i = 0; i < f.size(); ++i)
        EXPECT_NEAR(dbc[i], noiseAt(kTable, f[i]), 1e-9) << f[i];
}

TEST(NoiseTable, UnusableTablesAreNamedWithTheirFault) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        NoiseTable table;
        const char* fault;
    };
    const Case cases[] = {
        {{}, "has no points"},
        {{{100, nan}}, "finite"},
        {{{nan, -100}}, "finite"},
        {{{0, -100}}, "not positive"},
        {{{-10, -100}, {10, -110}}, "not positive"},
        {{{10, -100}, {10, -110}}, "appears twice"},
        {{{100, -100}, {10, -110}}, "must increase"},
    };
    for (const Case& c : cases) {
        const auto why = checkNoiseTable(c.table, "the reference table");
        ASSERT_TRUE(why) << c.fault;
        EXPECT_NE(why->find("the reference table"), std::string::npos) << *why;
        EXPECT_NE(why->find(c.fault), std::string::npos) << *why;
    }
    EXPECT_FALSE(checkNoiseTable(kTable, "t"));
}

TEST(NoiseCsv, ReadsPointsWithHeaderCommentsAndAnySeparator) {
    const auto read = parseNoiseCsv("offset,dBc\r\n# measured\n100,-80\n\n1e3;-100\n"
                                    "100000\t-120\n",
                                    "the oscillator table");
    ASSERT_TRUE(read.error.empty()) << read.error;
    EXPECT_EQ(read.table, kTable);
    const auto back = parseNoiseCsv(noiseTableCsv(kTable), "t");
    EXPECT_EQ(back.table, kTable);
}

TEST(NoiseCsv, RefusesBadLinesBadTablesAndHugeTexts) {
    auto read = parseNoiseCsv("100,-80\n1000,abc\n", "the oscillator table");
    EXPECT_TRUE(read.table.empty());
    EXPECT_NE(read.error.find("line 2"), std::string::npos) << read.error;
    read = parseNoiseCsv("offset,dbc\n100,-80,7\n", "t");
    EXPECT_NE(read.error.find("line 2"), std::string::npos) << read.error;
    read = parseNoiseCsv("1000,-80\n100,-90\n", "t");
    EXPECT_NE(read.error.find("must increase"), std::string::npos) << read.error;
    read = parseNoiseCsv("100,nan\n", "t");
    EXPECT_NE(read.error.find("finite"), std::string::npos) << read.error;
    read = parseNoiseCsv("offset,dbc\n", "t");
    EXPECT_NE(read.error.find("no points"), std::string::npos) << read.error;
    const std::string huge(kMaxNoiseCsvBytes + 1, '1');
    read = parseNoiseCsv(huge, "t");
    EXPECT_NE(read.error.find("larger than"), std::string::npos) << read.error;
}

} // namespace
} // namespace loopcraft
