// Reading and writing PARAMS.TXT.
//
// The file has no keys: its meaning is its order, so reading and writing walk the same item
// list. Items are whitespace-delimited words except the two font names, which are whole lines
// (a face name may contain blanks).
#include "core/base/ParamsFile.h"

#include "core/base/FileAccess.h"

#include <array>
#include <charconv>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>
#include <vector>

namespace loopcraft {
namespace {

constexpr std::uintmax_t kMaxParamsFileBytes = 1 << 20;

// Text slots in the order the file holds them: 1-34, then 39, 36-38, 40-46 (slot 35 has no line).
const std::array<TextId, 45>& fileTextOrder() {
    static const std::array<TextId, 45> order = [] {
        std::array<TextId, 45> o{};
        std::size_t n = 0;
        for (int slot = 1; slot <= 34; ++slot)
            o[n++] = static_cast<TextId>(slot - 1);
        o[n++] = TextId::FiltDesignADPLLfH;
        o[n++] = TextId::FiltDesignM;
        o[n++] = TextId::FiltDesignK;
        o[n++] = TextId::FiltDesignN;
        for (int slot = 40; slot <= 46; ++slot)
            o[n++] = static_cast<TextId>(slot - 1);
        return o;
    }();
    return order;
}

// Line of a text slot in a well-formed file.
int fileLineOf(TextId id) {
    const auto& order = fileTextOrder();
    for (std::size_t i = 0; i < order.size(); ++i)
        if (order[i] == id)
            return 25 + static_cast<int>(i);
    return 0;
}

// The integer items of the display block, lines 70-95, in order; the reader and the writer
// both walk this list.
struct DisplayInt {
    std::string name;
    bool colour; // 0x00BBGGRR, unsigned
    std::function<long long(const ParameterSet&)> get;
    std::function<void(ParameterSet&, long long)> set;
};

const std::vector<DisplayInt>& displayInts() {
    static const std::vector<DisplayInt> items = [] {
        auto colour = [](const char* name, std::uint32_t ParameterSet::*m) {
            return DisplayInt{
                name, true, [m](const ParameterSet& p) { return p.*m; },
                [m](ParameterSet& p, long long v) { p.*m = static_cast<std::uint32_t>(v); }};
        };
        auto integer = [](const char* name, int ParameterSet::*m) {
            return DisplayInt{name, false, [m](const ParameterSet& p) { return p.*m; },
                              [m](ParameterSet& p, long long v) { p.*m = static_cast<int>(v); }};
        };
        std::vector<DisplayInt> list = {
            colour("ColorAxisTickLabels", &ParameterSet::ColorAxisTickLabels),
            colour("ColorCurve1", &ParameterSet::ColorCurve1),
            colour("ColorCurve2", &ParameterSet::ColorCurve2),
            colour("ColorFrameBackground", &ParameterSet::ColorFrameBackground),
            colour("ColorGrid", &ParameterSet::ColorGrid),
            colour("ColorPrinterFont", &ParameterSet::ColorPrinterFont),
        };
        for (std::size_t i = 0; i < 16; ++i)
            list.push_back({"CustomColors[" + std::to_string(i) + "]", true,
                            [i](const ParameterSet& p) { return p.CustomColors[i]; },
                            [i](ParameterSet& p, long long v) {
                                p.CustomColors[i] = static_cast<std::uint32_t>(v);
                            }});
        list.push_back(integer("PenWidthCurve1", &ParameterSet::PenWidthCurve1));
        list.push_back(integer("PenWidthCurve2", &ParameterSet::PenWidthCurve2));
        list.push_back(integer("AxisFontSize", &ParameterSet::AxisFontSize));
        list.push_back(integer("PrinterFontSize", &ParameterSet::PrinterFontSize));
        return list;
    }();
    return items;
}

// The font items after them: the two names (whole lines), then the two style blocks.
std::array<std::string ParameterSet::*, 2> fontNames() {
    return {&ParameterSet::AxisFontName, &ParameterSet::PrinterFontName};
}
std::array<std::array<int, 4> ParameterSet::*, 2> fontStyles() {
    return {&ParameterSet::AxisFontStyle, &ParameterSet::PrinterFontStyle};
}

// Walks the file content word by word and line by line, counting lines.
class Scanner {
public:
    explicit Scanner(std::string content) : mText(std::move(content)) {}

    // Next whitespace-delimited word; false at the end of the file.
    bool word(std::string& out, int& line) {
        while (mPos < mText.size() && isSpace(mText[mPos])) {
            if (mText[mPos] == '\n')
                ++mLine;
            ++mPos;
        }
        if (mPos >= mText.size())
            return false;
        line = mLine;
        const std::size_t start = mPos;
        while (mPos < mText.size() && !isSpace(mText[mPos]))
            ++mPos;
        out = mText.substr(start, mPos - start);
        return true;
    }

    void skipRestOfLine() {
        while (mPos < mText.size() && mText[mPos] != '\n')
            ++mPos;
        if (mPos < mText.size()) {
            ++mPos;
            ++mLine;
        }
    }

    // A whole line without its CR LF; false at the end of the file.
    bool wholeLine(std::string& out) {
        if (mPos >= mText.size())
            return false;
        const std::size_t start = mPos;
        skipRestOfLine();
        std::size_t end = mPos;
        if (end > start && mText[end - 1] == '\n')
            --end;
        if (end > start && mText[end - 1] == '\r')
            --end;
        out = mText.substr(start, end - start);
        return true;
    }

    int line() const { return mLine; }

private:
    static bool isSpace(char c) {
        return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
    }
    std::string mText;
    std::size_t mPos = 0;
    int mLine = 1;
};

bool parseInteger(const std::string& word, long long& value) {
    std::string_view s = word;
    if (!s.empty() && s[0] == '+')
        s.remove_prefix(1);
    auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), value);
    return ec == std::errc() && ptr == s.data() + s.size() && !s.empty();
}

std::string quoteForMessage(const std::string& word) {
    return "\"" + (word.size() > 20 ? word.substr(0, 20) + "..." : word) + "\"";
}

ParamsFileResult failure(const std::string& fileName, int line, const std::string& what) {
    ParamsFileResult r;
    r.ok = false;
    r.line = line;
    r.message = fileName + ", line " + std::to_string(line) + ": " + what;
    return r;
}

} // namespace

ParamsFileResult ReadParamsFile(std::istream& in, ParameterSet& params,
                                const std::string& fileName) {
    std::ostringstream buffer;
    buffer << in.rdbuf();
    // A CR alone ends a line as CR LF does (a file saved by an editor that writes old Mac line
    // ends); otherwise the font names would swallow the lines after them.
    std::string content = buffer.str();
    for (std::size_t i = 0; i < content.size(); ++i)
        if (content[i] == '\r' && (i + 1 == content.size() || content[i + 1] != '\n'))
            content[i] = '\n';
    Scanner scan(std::move(content));
    std::string word;
    int line = 0;

    for (int i = 0; i < kFlagCount; ++i) {
        const auto id = static_cast<FlagId>(i);
        const std::string expected =
            std::string("the choice flag ") + flagName(id) + " (0 or 1) was expected";
        if (!scan.word(word, line))
            return failure(fileName, std::max(scan.line(), i + 1),
                           "the file ends early; " + expected);
        if (word != "0" && word != "1")
            return failure(fileName, line, "found " + quoteForMessage(word) + " where " + expected);
        params.flag(id) = word == "1" ? 1 : 0;
    }

    for (TextId id : fileTextOrder()) {
        const std::string expected = std::string("the text of ") + textName(id) + " was expected";
        if (!scan.word(word, line))
            return failure(fileName, std::max(scan.line(), fileLineOf(id)),
                           "the file ends early; " + expected);
        params.setTextRaw(id, word);
    }

    // A file that stops inside the display options is as truncated as any other: loading it
    // would silently reset colours and fonts, and the save at exit would make that permanent.
    ParamsFileResult ok;
    const auto endsEarly = [&](const std::string& name) {
        return failure(fileName, scan.line(), "the file ends early; " + name + " was expected");
    };
    const auto integerItem = [&](const std::string& name, long long lo, long long hi,
                                 long long& v) -> std::optional<ParamsFileResult> {
        if (!scan.word(word, line))
            return endsEarly(name);
        if (!parseInteger(word, v) || v < lo || v > hi)
            return failure(fileName, line,
                           "found " + quoteForMessage(word) + " where " + name + " (an integer " +
                               std::to_string(lo) + ".." + std::to_string(hi) + ") was expected");
        return std::nullopt;
    };
    constexpr long long kIntMin = std::numeric_limits<int>::min();
    constexpr long long kIntMax = std::numeric_limits<int>::max();
    for (const DisplayInt& item : displayInts()) {
        long long v = 0;
        if (auto stop = integerItem(item.name, item.colour ? 0 : kIntMin,
                                    item.colour ? 0xFFFFFFFFLL : kIntMax, v))
            return *stop;
        item.set(params, v);
    }
    scan.skipRestOfLine();
    const char* const nameItems[] = {"AxisFontName", "PrinterFontName"};
    for (std::size_t i = 0; i < fontNames().size(); ++i) {
        const auto name = fontNames()[i];
        std::string text;
        if (!scan.wholeLine(text))
            return endsEarly(nameItems[i]);
        params.*name = text.substr(0, kMaxFontNameChars);
    }
    const char* const styleNames[] = {"AxisFontStyle[", "PrinterFontStyle["};
    for (std::size_t block = 0; block < fontStyles().size(); ++block) {
        std::array<int, 4>& styles = params.*fontStyles()[block];
        for (std::size_t i = 0; i < styles.size(); ++i) {
            long long v = 0;
            if (auto stop =
                    integerItem(styleNames[block] + std::to_string(i) + "]", kIntMin, kIntMax, v))
                return *stop;
            styles[i] = static_cast<int>(v);
        }
    }
    return ok;
}

void WriteParamsFile(std::ostream& out, const ParameterSet& p) {
    const char* eol = "\r\n";
    for (int i = 0; i < kFlagCount; ++i)
        out << p.flag(static_cast<FlagId>(i)) << eol;
    for (TextId id : fileTextOrder())
        out << p.text(id) << eol;
    for (const DisplayInt& item : displayInts())
        out << item.get(p) << eol;
    for (auto name : fontNames())
        out << p.*name << eol;
    for (auto styles : fontStyles())
        for (int bit : p.*styles)
            out << bit << eol;
}

InitResult InitParameters(ParameterSet& params, bool useFile, const std::filesystem::path& file) {
    InitResult result;
    FileRead read;
    read.status = FileRead::Status::Missing;
    if (useFile)
        read = ReadRegularFile(file, kMaxParamsFileBytes);

    if (read.status == FileRead::Status::Missing) {
        params.setDefaults();
        params.recomputeAllValues();
        return result;
    }
    // Only a missing file means defaults: a file that is there but cannot be read stops the
    // start, so the save at exit can never replace it.
    if (read.status == FileRead::Status::Failed) {
        result.ok = false;
        result.message = read.error + ". The file was left untouched.";
        return result;
    }

    // Read into a copy so that a broken file leaves the set as it was.
    const std::string fileName = file.string();
    ParameterSet loaded = params;
    std::istringstream in(std::move(read.bytes));
    const ParamsFileResult parsed = ReadParamsFile(in, loaded, fileName);
    if (!parsed.ok) {
        result.ok = false;
        result.message = parsed.message + ". The file was left untouched.";
        return result;
    }
    std::string why;
    if (auto bad = loaded.recomputeAllValues(&why)) {
        result.ok = false;
        result.message = fileName + ", line " + std::to_string(fileLineOf(*bad)) + ": " +
                         quoteForMessage(loaded.text(*bad)) + " is not a valid value for " +
                         textName(*bad) + " (" + why + "). The file was left untouched.";
        return result;
    }
    params = loaded;
    result.source = InitSource::File;
    return result;
}

bool SaveParamsFileAtomic(const ParameterSet& params, const std::filesystem::path& file,
                          std::string* error) {
    std::ostringstream content;
    WriteParamsFile(content, params);
    return ReplaceFileAtomic(file, content.str(), error);
}

} // namespace loopcraft
