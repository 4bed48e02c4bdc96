#include "core/app/EntryReading.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

struct FloatCase {
    const char* text;
    bool ok;
    float value;
};

class FloatEntryGrammar : public ::testing::TestWithParam<FloatCase> {};

TEST_P(FloatEntryGrammar, ReadsOnlyDecimalNumbers) {
    const FloatCase& c = GetParam();
    EntryResult r = readEntry(c.text, EntryKind::Float);
    EXPECT_EQ(r.ok, c.ok) << c.text;
    if (c.ok) {
        EXPECT_FLOAT_EQ(r.floatValue, c.value) << c.text;
        EXPECT_TRUE(r.message.empty());
    } else {
        EXPECT_EQ(r.message, "Invalid floating format") << c.text;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FloatEntryGrammar,
    ::testing::Values(
        FloatCase{"1e-6", true, 1e-6f}, FloatCase{"-2.5", true, -2.5f}, FloatCase{"+3", true, 3.0f},
        FloatCase{"5.", true, 5.0f}, FloatCase{".5", true, 0.5f}, FloatCase{"1E+3", true, 1000.0f},
        // 14 digits: only the first 11 are read
        FloatCase{"12345678901234", true, 12345678901.0f},
        // the exponent stands in the cut-off tail
        FloatCase{"1.000000000e5", true, 1.0f}, FloatCase{"", false, 0}, FloatCase{"abc", false, 0},
        FloatCase{"1.2.3", false, 0}, FloatCase{"nan", false, 0}, FloatCase{"inf", false, 0},
        FloatCase{"-infinity", false, 0}, FloatCase{"0x10", false, 0}, FloatCase{"12abc", false, 0},
        FloatCase{" 1", false, 0}, FloatCase{"1 ", false, 0}, FloatCase{"1e", false, 0},
        FloatCase{"e5", false, 0}, FloatCase{"-", false, 0}, FloatCase{".", false, 0},
        FloatCase{"1,5", false, 0}, FloatCase{"1e39", false, 0}, FloatCase{"-4e38", false, 0}));

struct IntCase {
    const char* text;
    EntryKind kind;
    bool ok;
    int value;
};

class IntEntryGrammar : public ::testing::TestWithParam<IntCase> {};

TEST_P(IntEntryGrammar, ReadsDecimalIntegers) {
    const IntCase& c = GetParam();
    EntryResult r = readEntry(c.text, c.kind);
    EXPECT_EQ(r.ok, c.ok) << c.text;
    if (c.ok)
        EXPECT_EQ(r.intValue, c.value) << c.text;
    else
        EXPECT_EQ(r.message,
                  c.kind == EntryKind::Int ? "Invalid integer format" : "Invalid floating format");
}

INSTANTIATE_TEST_SUITE_P(Table, IntEntryGrammar,
                         ::testing::Values(IntCase{"16", EntryKind::Int, true, 16},
                                           IntCase{"-3", EntryKind::Int, true, -3},
                                           IntCase{"2147483647", EntryKind::Int, true, 2147483647},
                                           IntCase{"2147483648", EntryKind::Int, false, 0},
                                           IntCase{"1.5", EntryKind::Int, false, 0},
                                           IntCase{"1e3", EntryKind::Int, false, 0},
                                           IntCase{"", EntryKind::Int, false, 0},
                                           IntCase{"0x1F", EntryKind::Int, false, 0},
                                           IntCase{"4.9", EntryKind::IntTruncated, true, 4},
                                           IntCase{"-4.9", EntryKind::IntTruncated, true, -4},
                                           IntCase{"2e3", EntryKind::IntTruncated, true, 2000},
                                           IntCase{"3e9", EntryKind::IntTruncated, false, 0},
                                           IntCase{"x", EntryKind::IntTruncated, false, 0}));

TEST(EntryReading, KeepsTheCutTextAndStoresOnlyOnSuccess) {
    float value = 7;
    std::string text = "old";
    std::string message;
    EXPECT_FALSE(readFloatEntry("oops", value, text, &message));
    EXPECT_EQ(value, 7);
    EXPECT_EQ(text, "old");
    EXPECT_EQ(message, "Invalid floating format");

    // Twelve characters, the last one cut: 0.000000000 reads as zero.
    EXPECT_TRUE(readFloatEntry("0.0000000001", value, text));
    EXPECT_EQ(text, "0.000000000");
    EXPECT_EQ(value, 0.0f);

    int n = 5;
    EXPECT_FALSE(readIntEntry("2.0", n, text, &message));
    EXPECT_EQ(n, 5);
    EXPECT_EQ(message, "Invalid integer format");
}

TEST(EntryReading, RoundsFromFullPrecision) {
    // 0.1 rounded once to float, not via a float parse of a truncated decimal
    EXPECT_EQ(readEntry("0.1", EntryKind::Float).floatValue, 0.1f);
    EXPECT_EQ(readEntry("16777217", EntryKind::Float).floatValue, 16777216.0f);
}

} // namespace
} // namespace loopcraft
