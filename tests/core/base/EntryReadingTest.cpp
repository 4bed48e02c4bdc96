#include "core/base/EntryReading.h"

#include <gtest/gtest.h>
#include <utility>

namespace loopcraft {
namespace {

TEST(EntryGrammar, ReadsOnlyDecimalFloats) {
    // Of 14 digits only the first 11 are read; an exponent in the cut-off tail is lost.
    const std::pair<const char*, float> accepted[] = {{"1e-6", 1e-6f},
                                                      {"-2.5", -2.5f},
                                                      {"+3", 3.0f},
                                                      {"5.", 5.0f},
                                                      {".5", 0.5f},
                                                      {"1E+3", 1000.0f},
                                                      {"12345678901234", 12345678901.0f},
                                                      {"1.000000000e5", 1.0f}};
    for (const auto& [text, value] : accepted) {
        const EntryResult r = readEntry(text, EntryKind::Float);
        EXPECT_TRUE(r.ok && r.message.empty()) << text;
        EXPECT_FLOAT_EQ(r.floatValue, value) << text;
    }
    for (const char* text : {"", "1.2.3", "nan", "-infinity", "0x10", "12abc", " 1", "1 ", "1e",
                             "e5", "-", ".", "1,5", "1e39", "-4e38"}) {
        const EntryResult r = readEntry(text, EntryKind::Float);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_EQ(r.message, "Invalid floating format") << text;
    }
}

TEST(EntryGrammar, ReadsDecimalIntegers) {
    const std::pair<const char*, int> ints[] = {{"16", 16}, {"-3", -3}, {"2147483647", 2147483647}};
    for (const auto& [text, value] : ints)
        EXPECT_EQ(readEntry(text, EntryKind::Int).intValue, value) << text;
    for (const char* text : {"2147483648", "1.5", "1e3", "", "0x1F"})
        EXPECT_EQ(readEntry(text, EntryKind::Int).message, "Invalid integer format") << text;
    // Truncated integers are read as floats and cut towards zero.
    const std::pair<const char*, int> truncated[] = {{"4.9", 4}, {"-4.9", -4}, {"2e3", 2000}};
    for (const auto& [text, value] : truncated)
        EXPECT_EQ(readEntry(text, EntryKind::IntTruncated).intValue, value) << text;
    for (const char* text : {"3e9", "x"})
        EXPECT_EQ(readEntry(text, EntryKind::IntTruncated).message, "Invalid floating format");
}

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
