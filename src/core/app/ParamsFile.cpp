// Reading and writing PARAMS.TXT.
//
// The file has no keys: its meaning is its order, so reading and writing walk the same item
// list. Items are whitespace-delimited words except the two font names, which are whole lines
// (a face name may contain blanks).
#include "core/app/ParamsFile.h"

#include "core/app/FileAccess.h"

#include <charconv>
#include <functional>
#include <limits>
#include <optional>
#include <sstream>

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

// The integer items of the display block, lines 70-95, in order.
std::vector<std::pair<std::string, std::function<void(ParameterSet&, long long)>>>
displayIntsBeforeFonts() {
    using Setter = std::function<void(ParameterSet&, long long)>;
    auto colour = [](std::uint32_t ParameterSet::*m) -> Setter {
        return [m](ParameterSet& p, long long v) { p.*m = static_cast<std::uint32_t>(v); };
    };
    auto integer = [](int ParameterSet::*m) -> Setter {
        return [m](ParameterSet& p, long long v) { p.*m = static_cast<int>(v); };
    };
    std::vector<std::pair<std::string, Setter>> items = {
        {"ColorAxisTickLabels", colour(&ParameterSet::ColorAxisTickLabels)},
        {"ColorCurve1", colour(&ParameterSet::ColorCurve1)},
        {"ColorCurve2", colour(&ParameterSet::ColorCurve2)},
        {"ColorFrameBackground", colour(&ParameterSet::ColorFrameBackground)},
        {"ColorGrid", colour(&ParameterSet::ColorGrid)},
        {"ColorPrinterFont", colour(&ParameterSet::ColorPrinterFont)},
    };
    for (int i = 0; i < 16; ++i)
        items.emplace_back("CustomColors[" + std::to_string(i) + "]",
                           [i](ParameterSet& p, long long v) {
                               p.CustomColors[i] = static_cast<std::uint32_t>(v);
                           });
    items.emplace_back("PenWidthCurve1", integer(&ParameterSet::PenWidthCurve1));
    items.emplace_back("PenWidthCurve2", integer(&ParameterSet::PenWidthCurve2));
    items.emplace_back("AxisFontSize", integer(&ParameterSet::AxisFontSize));
    items.emplace_back("PrinterFontSize", integer(&ParameterSet::PrinterFontSize));
    return items;
}

bool isColourItem(const std::string& name) {
    return name.rfind("Color", 0) == 0 || name.rfind("CustomColors", 0) == 0;
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
    Scanner scan(buffer.str());
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

    // A file that stops inside the display options still loads; what it lacks is 0 or empty.
    params.ColorAxisTickLabels = params.ColorCurve1 = params.ColorCurve2 = 0;
    params.ColorFrameBackground = params.ColorGrid = params.ColorPrinterFont = 0;
    params.CustomColors.fill(0);
    params.PenWidthCurve1 = params.PenWidthCurve2 = 0;
    params.AxisFontSize = params.PrinterFontSize = 0;
    params.AxisFontName.clear();
    params.PrinterFontName.clear();
    params.AxisFontStyle.fill(0);
    params.PrinterFontStyle.fill(0);

    // Only the end of the file ends the display block early; a word that is not an integer in
    // range is as malformed here as anywhere else.
    ParamsFileResult ok;
    const auto integerItem = [&](const std::string& name, long long lo, long long hi,
                                 long long& v) -> std::optional<ParamsFileResult> {
        if (!scan.word(word, line))
            return ok;
        if (!parseInteger(word, v) || v < lo || v > hi)
            return failure(fileName, line,
                           "found " + quoteForMessage(word) + " where " + name + " (an integer " +
                               std::to_string(lo) + ".." + std::to_string(hi) + ") was expected");
        return std::nullopt;
    };
    constexpr long long kIntMin = std::numeric_limits<int>::min();
    constexpr long long kIntMax = std::numeric_limits<int>::max();
    for (const auto& [name, set] : displayIntsBeforeFonts()) {
        const bool colour = isColourItem(name);
        long long v = 0;
        if (auto stop = integerItem(name, colour ? 0 : kIntMin, colour ? 0xFFFFFFFFLL : kIntMax, v))
            return *stop;
        set(params, v);
    }
    scan.skipRestOfLine();
    std::string name;
    if (!scan.wholeLine(name))
        return ok;
    params.AxisFontName = name.substr(0, kMaxFontNameChars);
    if (!scan.wholeLine(name))
        return ok;
    params.PrinterFontName = name.substr(0, kMaxFontNameChars);
    for (auto* styles : {&params.AxisFontStyle, &params.PrinterFontStyle}) {
        const std::string prefix =
            styles == &params.AxisFontStyle ? "AxisFontStyle[" : "PrinterFontStyle[";
        for (std::size_t i = 0; i < styles->size(); ++i) {
            long long v = 0;
            if (auto stop = integerItem(prefix + std::to_string(i) + "]", kIntMin, kIntMax, v))
                return *stop;
            (*styles)[i] = static_cast<int>(v);
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
    for (std::uint32_t c : {p.ColorAxisTickLabels, p.ColorCurve1, p.ColorCurve2,
                            p.ColorFrameBackground, p.ColorGrid, p.ColorPrinterFont})
        out << c << eol;
    for (std::uint32_t c : p.CustomColors)
        out << c << eol;
    out << p.PenWidthCurve1 << eol << p.PenWidthCurve2 << eol;
    out << p.AxisFontSize << eol << p.PrinterFontSize << eol;
    out << p.AxisFontName << eol << p.PrinterFontName << eol;
    for (int bit : p.AxisFontStyle)
        out << bit << eol;
    for (int bit : p.PrinterFontStyle)
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
