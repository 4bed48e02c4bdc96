// Inputs that once crashed or hung a fuzz target (make fuzz drops them into tests/data/fuzz/),
// and the targets' minimised corpus (fuzz/corpus/), are replayed here with the checks the
// targets make.
#include "core/base/EntryReading.h"
#include "core/base/HelpDocument.h"
#include "core/base/ParamsFile.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace loopcraft {
namespace {

std::vector<std::string> regressionInputs(const std::string& kind) {
    std::vector<std::string> inputs;
    for (const std::filesystem::path& dir : {std::filesystem::path(TEST_DATA_DIR) / "fuzz" / kind,
                                             std::filesystem::path(FUZZ_CORPUS_DIR) / kind}) {
        if (!std::filesystem::is_directory(dir)) {
            continue;
        }
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            std::ifstream in(entry.path(), std::ios::binary);
            inputs.emplace_back(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
        }
    }
    return inputs;
}

TEST(FuzzRegressions, ParamsFilesReadOrFailWithAReasonAndWriteBackStably) {
    for (const auto& input : regressionInputs("params")) {
        std::istringstream in(input);
        ParameterSet params;
        const auto result = ReadParamsFile(in, params);
        if (!result.ok) {
            EXPECT_FALSE(result.message.empty());
            continue;
        }
        params.recomputeAllValues();
        std::ostringstream out;
        WriteParamsFile(out, params);
        std::istringstream again(out.str());
        ParameterSet reread;
        ASSERT_TRUE(ReadParamsFile(again, reread).ok);
        std::ostringstream twice;
        WriteParamsFile(twice, reread);
        EXPECT_EQ(twice.str(), out.str());
    }
}

TEST(FuzzRegressions, EntriesKeepTheirCutTextAndReadAgainAlike) {
    for (const auto& input : regressionInputs("entry")) {
        for (const auto kind : {EntryKind::Float, EntryKind::Int, EntryKind::IntTruncated}) {
            const auto r = readEntry(input, kind);
            EXPECT_EQ(r.text, cutEntryText(input));
            EXPECT_EQ(r.ok, r.message.empty());
            if (r.ok) {
                const auto again = readEntry(r.text, kind);
                EXPECT_TRUE(again.ok);
                EXPECT_EQ(again.intValue, r.intValue);
                EXPECT_EQ(again.floatValue, r.floatValue);
            }
        }
    }
}

TEST(FuzzRegressions, HelpFilesParseIntoPagesFoundByTheirIdentifiers) {
    for (const auto& input : regressionInputs("help")) {
        const HelpDocument document = HelpDocument::parse(input);
        for (const HelpTopic& topic : document.topics()) {
            const HelpTopic* found = document.find(topic.id);
            ASSERT_NE(found, nullptr) << topic.id;
            EXPECT_EQ(found->id, topic.id);
        }
        EXPECT_EQ(document.search("").size(), document.topics().size());
        document.search(std::string_view(input).substr(0, 64));
    }
}

} // namespace
} // namespace loopcraft
