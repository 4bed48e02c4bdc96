// The help file, parsed into pages. The file is our own plain-text format: a page starts with a
// line "@topic <Identifier> | <Title>" and its body is Markdown up to the next such line; text
// before the first page is a comment. The viewer looks pages up by the identifiers the windows
// ask for, and searches them for the contents page.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace loopcraft {

inline constexpr const char* kHelpFileName = "modhelp.hlp";
inline constexpr const char* kHelpContentsTopic = "Contents";

// Topic identifiers the windows ask for.
inline constexpr const char* kHelpTopicPLLConfiguration = "PLLConfiguration";
inline constexpr const char* kHelpTopicPLLDesign = "PLLDesign";
inline constexpr const char* kHelpTopicBode = "Bode";
inline constexpr const char* kHelpTopicSchematic = "Schematic";
inline constexpr const char* kHelpTopicSimulation = "ParametersOfPLLSimulation";

// A help file larger than this is refused rather than read into memory.
inline constexpr std::size_t kMaxHelpFileBytes = 16 * 1024 * 1024;

struct HelpTopic {
    std::string id;
    std::string title; // the identifier when the topic line gives none
    std::string body;  // Markdown
};

class HelpDocument {
public:
    static HelpDocument parse(std::string_view text);

    const std::vector<HelpTopic>& topics() const { return mTopics; }
    // The page with exactly this identifier (identifiers are case-sensitive), or nullptr.
    const HelpTopic* find(std::string_view id) const;
    // Pages whose title or body contains every word of the query, ignoring case, in file order.
    // An empty query matches every page.
    std::vector<const HelpTopic*> search(std::string_view query) const;

private:
    std::vector<HelpTopic> mTopics;
    std::unordered_map<std::string, std::size_t> mIndex; // identifier -> position in mTopics
};

// The help file at `path`, read when it is a regular file of at most kMaxHelpFileBytes.
struct HelpFileLoad {
    std::optional<HelpDocument> document;
    bool missing = false; // nothing at that path: the next place may be tried
    std::string error;    // why there is no document, naming the file
};
HelpFileLoad LoadHelpFile(const std::filesystem::path& path);

} // namespace loopcraft
