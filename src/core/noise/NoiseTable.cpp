// Phase-noise tables: checks, log-linear interpolation and CSV text.
#include "core/noise/NoiseTable.h"

#include <array>
#include <charconv>
#include <cmath>

namespace loopcraft {

namespace {

std::string number(double v) {
    std::array<char, 32> buffer{};
    const auto r = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), r.ptr);
}

// dB at `offset` on the line through points a and b, in log-frequency.
double onSegment(const NoisePoint& a, const NoisePoint& b, double logOffset) {
    const double la = std::log10(a.offset);
    const double lb = std::log10(b.offset);
    return a.dbc + (b.dbc - a.dbc) * (logOffset - la) / (lb - la);
}

bool isSeparator(char c) {
    return c == ',' || c == ';' || c == '\t' || c == ' ';
}

// Reads one number at the front of `s` (after blanks); false when there is none.
bool readNumber(std::string_view& s, double& value) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    if (!s.empty() && s.front() == '+')
        s.remove_prefix(1);
    const auto r = std::from_chars(s.data(), s.data() + s.size(), value);
    if (r.ec != std::errc())
        return false;
    s.remove_prefix(static_cast<std::size_t>(r.ptr - s.data()));
    return true;
}

} // namespace

std::optional<std::string> checkNoiseTable(const NoiseTable& table, std::string_view what) {
    const std::string name(what);
    if (table.empty())
        return name + " has no points";
    for (std::size_t i = 0; i < table.size(); ++i) {
        const NoisePoint& p = table[i];
        const std::string where = name + ", point " + std::to_string(i + 1) + ": ";
        if (!std::isfinite(p.offset) || !std::isfinite(p.dbc))
            return where + "the offset and the level must be finite numbers";
        if (!(p.offset > 0))
            return where + "the offset " + number(p.offset) + " Hz is not positive";
        if (i > 0 && p.offset == table[i - 1].offset)
            return where + "the offset " + number(p.offset) + " Hz appears twice";
        if (i > 0 && p.offset < table[i - 1].offset)
            return where + "the offsets must increase, but " + number(p.offset) + " Hz follows " +
                   number(table[i - 1].offset) + " Hz";
    }
    return std::nullopt;
}

double noiseAt(const NoiseTable& table, double offset) {
    if (table.size() == 1)
        return table.front().dbc;
    const double lf = std::log10(offset);
    std::size_t i = 1;
    while (i + 1 < table.size() && table[i].offset < offset)
        ++i;
    return onSegment(table[i - 1], table[i], lf);
}

void noiseAt(const NoiseTable& table, const std::vector<double>& offsets,
             std::vector<double>& dbc) {
    dbc.resize(offsets.size());
    if (table.size() == 1) {
        std::fill(dbc.begin(), dbc.end(), table.front().dbc);
        return;
    }
    std::size_t i = 1;
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        while (i + 1 < table.size() && table[i].offset < offsets[k])
            ++i;
        dbc[k] = onSegment(table[i - 1], table[i], std::log10(offsets[k]));
    }
}

NoiseTableRead parseNoiseCsv(std::string_view text, std::string_view what) {
    NoiseTableRead read;
    const std::string name(what);
    if (text.size() > kMaxNoiseCsvBytes) {
        read.error = name + " is larger than " + std::to_string(kMaxNoiseCsvBytes >> 20) + " MB";
        return read;
    }
    std::size_t lineNo = 0;
    bool seenData = false;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNo;
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        std::string_view rest = line;
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        if (rest.empty() || rest.front() == '#')
            continue;
        NoisePoint p;
        bool ok = readNumber(rest, p.offset);
        if (ok) {
            bool separated = false;
            while (!rest.empty() && isSeparator(rest.front())) {
                separated = true;
                rest.remove_prefix(1);
            }
            ok = separated && readNumber(rest, p.dbc);
            while (ok && !rest.empty() && isSeparator(rest.front()))
                rest.remove_prefix(1);
            ok = ok && rest.empty();
        }
        if (!ok) {
            if (!seenData && lineNo == 1)
                continue; // a header line
            read.error = name + ", line " + std::to_string(lineNo) +
                         ": expected two numbers, an offset in Hz and a level in dBc/Hz";
            read.table.clear();
            return read;
        }
        seenData = true;
        read.table.push_back(p);
    }
    if (auto why = checkNoiseTable(read.table, what)) {
        read.error = *why;
        read.table.clear();
    }
    return read;
}

std::string noiseTableCsv(const NoiseTable& table) {
    std::string out = "offset_hz,dbc_hz\n";
    for (const NoisePoint& p : table)
        out.append(number(p.offset)).append(",").append(number(p.dbc)).append("\n");
    return out;
}

} // namespace loopcraft
