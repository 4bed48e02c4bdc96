#include "render/base/SidecarFile.h"

#include "core/base/FileAccess.h"

#include <algorithm>
#include <limits>
#include <nlohmann/json.hpp>
#include <optional>

namespace loopcraft {
namespace {

// A settings file this large was not written by us; reading it whole would only cost memory.
constexpr std::uintmax_t kMaxSidecarBytes = 1u << 20;

int lineAt(std::string_view text, std::size_t offset) {
    offset = std::min(offset, text.size());
    return 1 + static_cast<int>(std::count(text.begin(), text.begin() + offset, '\n'));
}

// The line of the key's last occurrence (the parser keeps the last of duplicates), 0 if not
// found.
int lineOfKey(std::string_view text, const std::string& key) {
    const std::string quotedKey = nlohmann::json(key).dump();
    std::size_t found = std::string_view::npos;
    for (std::size_t at = text.find(quotedKey); at != std::string_view::npos;
         at = text.find(quotedKey, at + 1)) {
        std::size_t after = at + quotedKey.size();
        while (after < text.size() && (text[after] == ' ' || text[after] == '\t' ||
                                       text[after] == '\r' || text[after] == '\n'))
            ++after;
        if (after < text.size() && text[after] == ':')
            found = at;
    }
    return found == std::string_view::npos ? 0 : lineAt(text, found);
}

SidecarReadResult failed(const std::string& fileName, int line, const std::string& why) {
    SidecarReadResult r;
    r.status = SidecarReadResult::Status::Failed;
    r.message = fileName + (line > 0 ? ", line " + std::to_string(line) : std::string()) + ": " +
                why + "; the file is left as it is";
    return r;
}

// The JSON value as the setting's kind wants it; nullopt when it has another type.
std::optional<SettingValue> toValue(const nlohmann::json& v, SettingKind kind) {
    switch (kind) {
    case SettingKind::Number:
        if (v.is_number())
            return SettingValue(v.get<double>());
        break;
    case SettingKind::Integer:
        if (v.is_number_unsigned()) {
            const auto u = v.get<std::uint64_t>();
            if (u > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
                return SettingValue(std::numeric_limits<std::int64_t>::max());
            return SettingValue(static_cast<std::int64_t>(u));
        }
        if (v.is_number_integer())
            return SettingValue(v.get<std::int64_t>());
        break;
    case SettingKind::Bool:
        if (v.is_boolean())
            return SettingValue(v.get<bool>());
        break;
    case SettingKind::Text:
        if (v.is_string())
            return SettingValue(v.get<std::string>());
        break;
    case SettingKind::Points: {
        if (!v.is_array())
            break;
        PointTable table;
        for (const nlohmann::json& p : v) {
            if (!p.is_array() || p.size() != 2 || !p[0].is_number() || !p[1].is_number())
                return std::nullopt;
            table.emplace_back(p[0].get<double>(), p[1].get<double>());
        }
        return SettingValue(std::move(table));
    }
    }
    return std::nullopt;
}

nlohmann::ordered_json toJson(const SettingValue& value) {
    struct Visitor {
        nlohmann::ordered_json operator()(double v) const { return v; }
        nlohmann::ordered_json operator()(std::int64_t v) const { return v; }
        nlohmann::ordered_json operator()(bool v) const { return v; }
        nlohmann::ordered_json operator()(const std::string& v) const { return v; }
        nlohmann::ordered_json operator()(const PointTable& v) const {
            nlohmann::ordered_json a = nlohmann::ordered_json::array();
            for (const auto& [x, y] : v)
                a.push_back({x, y});
            return a;
        }
    };
    return std::visit(Visitor{}, value);
}

} // namespace

std::filesystem::path SidecarPathBeside(const std::filesystem::path& paramsFile) {
    return paramsFile.parent_path() / kSidecarFileName;
}

SidecarReadResult ParseSidecar(std::string_view text, SidecarSettings& settings,
                               const std::string& fileName) {
    nlohmann::json root;
    try {
        root = nlohmann::json::parse(text.begin(), text.end());
    } catch (const nlohmann::json::parse_error& e) {
        // The parser's position is one past the offending byte.
        const std::size_t at = e.byte > 0 ? e.byte - 1 : 0;
        std::string why = e.what();
        // "[json.exception.parse_error.101] parse error at line 3, column 5: syntax error ..."
        if (const auto colon = why.find("syntax error"); colon != std::string::npos)
            why = why.substr(colon);
        else if (const auto bracket = why.find("] "); bracket != std::string::npos)
            why = why.substr(bracket + 2);
        return failed(fileName, lineAt(text, at), "not valid JSON (" + why + ")");
    } catch (const nlohmann::json::exception& e) {
        // A number beyond double's range: the parser names the token but not its place.
        std::string why = e.what();
        int line = 0;
        if (const auto q = why.find('\''); q != std::string::npos) {
            const auto end = why.find('\'', q + 1);
            const std::string token = why.substr(q + 1, end == std::string::npos ? 0 : end - q - 1);
            if (!token.empty())
                if (const auto at = text.find(token); at != std::string_view::npos)
                    line = lineAt(text, at);
        }
        if (const auto bracket = why.find("] "); bracket != std::string::npos)
            why = why.substr(bracket + 2);
        return failed(fileName, line, "not valid JSON (" + why + ")");
    }
    if (!root.is_object())
        return failed(fileName, 1, "expects one JSON object of settings, { \"Name\": value, ... }");

    SidecarSettings read = settings;
    read.unknownKeys.clear();
    for (const auto& [key, value] : root.items()) {
        const SettingDescriptor* d = findSetting(key);
        if (!d) {
            read.unknownKeys[key] = value.dump();
            continue;
        }
        std::string why;
        const std::optional<SettingValue> v = toValue(value, d->kind);
        if (!v)
            why = key + ": expects a " + settingKindName(d->kind) + ", found " + value.dump();
        else if (!read.assign(*d, *v, &why))
            why += ", found " + value.dump();
        if (!why.empty())
            return failed(fileName, lineOfKey(text, key), why);
    }
    settings = std::move(read);
    SidecarReadResult r;
    r.status = SidecarReadResult::Status::Read;
    return r;
}

SidecarReadResult ReadSidecarFile(const std::filesystem::path& file, SidecarSettings& settings) {
    const FileRead raw = ReadRegularFile(file, kMaxSidecarBytes);
    if (raw.status == FileRead::Status::Missing) {
        SidecarReadResult r;
        r.status = SidecarReadResult::Status::Missing;
        return r;
    }
    if (!raw.ok()) {
        SidecarReadResult r;
        r.status = SidecarReadResult::Status::Failed;
        r.message = raw.error + "; the file is left as it is";
        return r;
    }
    return ParseSidecar(raw.bytes, settings, file.string());
}

std::string FormatSidecar(const SidecarSettings& settings) {
    nlohmann::ordered_json root = nlohmann::ordered_json::object();
    for (const SettingDescriptor& d : sidecarDescriptors())
        root[d.name] = toJson(settings.get(d));
    for (const auto& [key, raw] : settings.unknownKeys) {
        // Kept as read; a text that no longer parses (never from our reader) is dropped rather
        // than written as broken JSON.
        nlohmann::ordered_json value = nlohmann::ordered_json::parse(raw, nullptr, false);
        if (!value.is_discarded())
            root[key] = std::move(value);
    }
    return root.dump(2) + "\n";
}

bool SaveSidecarFileAtomic(const SidecarSettings& settings, const std::filesystem::path& file,
                           std::string* error) {
    return ReplaceFileAtomic(file, FormatSidecar(settings), error);
}

} // namespace loopcraft
