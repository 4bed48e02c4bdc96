#include "core/base/HelpDocument.h"

#include "core/base/FileAccess.h"

#include <algorithm>
#include <cctype>
#include <system_error>

namespace loopcraft {

namespace {

constexpr std::string_view kTopicMarker = "@topic";

std::string_view trim(std::string_view s) {
    auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    while (!s.empty() && isSpace(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isSpace(s.back()))
        s.remove_suffix(1);
    return s;
}

std::string lower(std::string_view s) {
    std::string out(s);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// "@topic Id | Title" -> topic with id and title; false when the line is not a topic line or
// names no identifier (such a line is kept as body text).
bool parseTopicLine(std::string_view line, HelpTopic& topic) {
    if (line.substr(0, kTopicMarker.size()) != kTopicMarker)
        return false;
    std::string_view rest = line.substr(kTopicMarker.size());
    if (rest.empty() || !std::isspace(static_cast<unsigned char>(rest.front())))
        return false;
    std::string_view title;
    if (auto bar = rest.find('|'); bar != std::string_view::npos) {
        title = trim(rest.substr(bar + 1));
        rest = rest.substr(0, bar);
    }
    std::string_view id = trim(rest);
    if (id.empty() || id.find_first_of(" \t") != std::string_view::npos)
        return false;
    topic.id = std::string(id);
    topic.title = std::string(title.empty() ? id : title);
    return true;
}

} // namespace

HelpDocument HelpDocument::parse(std::string_view text) {
    HelpDocument doc;
    if (text.size() > kMaxHelpFileBytes)
        text = text.substr(0, kMaxHelpFileBytes);
    HelpTopic* current = nullptr;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        pos = end + 1;

        HelpTopic topic;
        if (parseTopicLine(line, topic)) {
            // A repeated identifier would make its second page unreachable; it is dropped.
            if (doc.mIndex.emplace(topic.id, doc.mTopics.size()).second) {
                doc.mTopics.push_back(std::move(topic));
                current = &doc.mTopics.back();
            } else {
                current = nullptr;
            }
            continue;
        }
        if (current != nullptr) {
            current->body.append(line);
            current->body.push_back('\n');
        }
    }
    for (HelpTopic& t : doc.mTopics) {
        while (!t.body.empty() && (t.body.back() == '\n' || t.body.back() == ' '))
            t.body.pop_back();
        if (!t.body.empty())
            t.body.push_back('\n');
    }
    return doc;
}

const HelpTopic* HelpDocument::find(std::string_view id) const {
    const auto it = mIndex.find(std::string(id));
    return it == mIndex.end() ? nullptr : &mTopics[it->second];
}

std::vector<const HelpTopic*> HelpDocument::search(std::string_view query) const {
    std::vector<std::string> words;
    std::string q = lower(query);
    std::size_t pos = 0;
    while (pos < q.size()) {
        std::size_t start = q.find_first_not_of(" \t\r\n", pos);
        if (start == std::string::npos)
            break;
        std::size_t end = q.find_first_of(" \t\r\n", start);
        if (end == std::string::npos)
            end = q.size();
        words.push_back(q.substr(start, end - start));
        pos = end;
    }
    std::vector<const HelpTopic*> hits;
    for (const HelpTopic& t : mTopics) {
        const std::string haystack = lower(t.title) + "\n" + lower(t.body);
        bool all = std::all_of(words.begin(), words.end(), [&](const std::string& w) {
            return haystack.find(w) != std::string::npos;
        });
        if (all)
            hits.push_back(&t);
    }
    return hits;
}

HelpFileLoad LoadHelpFile(const std::filesystem::path& path) {
    HelpFileLoad load;
    const FileRead read = ReadRegularFile(path, kMaxHelpFileBytes);
    if (read.ok()) {
        load.document = HelpDocument::parse(read.bytes);
    } else if (read.status == FileRead::Status::Missing) {
        load.missing = true;
        load.error = path.string() + " cannot be read: " +
                     std::make_error_code(std::errc::no_such_file_or_directory).message();
    } else {
        load.error = read.error;
    }
    return load;
}

} // namespace loopcraft
