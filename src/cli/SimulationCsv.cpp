#include "cli/SimulationCsv.h"

#include "cli/Progress.h"

#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>
#include <system_error>

namespace loopcraft::cli {

namespace {

constexpr std::string_view kHeader = "t_s,curve1,curve2\n";
// No row is longer: three numbers of at most 16 characters ("-1.23456789e-308"), two commas and
// the line end.
constexpr std::size_t kMaxRowBytes = 3 * 16 + 3;

using RowBuffer = std::array<char, 96>;

// The row as printf's "%.9g,%.9g,%.9g\n" writes it; its length.
std::size_t formatRow(RowBuffer& buffer, std::size_t index, double dt, const ResultPair& p) {
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    const double values[] = {static_cast<double>(index) * dt, static_cast<double>(p.Curve1),
                             static_cast<double>(p.Curve2)};
    for (std::size_t i = 0; i < 3; ++i) {
        out = std::to_chars(out, end, values[i], std::chars_format::general, 9).ptr;
        *out++ = i < 2 ? ',' : '\n';
    }
    return static_cast<std::size_t>(out - buffer.data());
}

// Whether the whole file stays within `maxBytes`; counts only as far as it must.
bool fitsWithin(const std::vector<ResultPair>& results, double dt, std::uintmax_t maxBytes) {
    std::uintmax_t total = kHeader.size();
    if (total + results.size() * static_cast<std::uintmax_t>(kMaxRowBytes) <= maxBytes)
        return true;
    RowBuffer row;
    for (std::size_t i = 0; i < results.size(); ++i) {
        total += formatRow(row, i, dt, results[i]);
        if (total > maxBytes)
            return false;
    }
    return true;
}

std::string sizeText(std::uintmax_t bytes) {
    if (bytes % (std::uintmax_t{1} << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes % (std::uintmax_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

} // namespace

void writeSimulationCsv(const CliContext& ctx, const std::string& path,
                        const std::vector<ResultPair>& results, double dt,
                        std::uintmax_t maxBytes) {
    if (!fitsWithin(results, dt, maxBytes)) {
        throw UserMessage("CSV", "the file would have " + std::to_string(results.size() + 1) +
                                     " rows and more than " + sizeText(maxBytes) +
                                     "; record fewer points with --filter or a shorter T");
    }
    const auto failed = [&path](int error) {
        return UserMessage("CSV", "cannot write " + path + ": " +
                                      std::generic_category().message(error != 0 ? error : EIO));
    };
    errno = 0;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file)
        throw failed(errno);

    ProgressLine progress(ctx, "writing " + path);
    std::string chunk(kHeader);
    chunk.reserve(std::size_t{1} << 20);
    RowBuffer row;
    const auto flush = [&] {
        errno = 0;
        if (std::fwrite(chunk.data(), 1, chunk.size(), file.get()) != chunk.size())
            throw failed(errno);
        chunk.clear();
    };
    for (std::size_t i = 0; i < results.size(); ++i) {
        chunk.append(row.data(), formatRow(row, i, dt, results[i]));
        if (chunk.size() + row.size() > chunk.capacity()) {
            flush();
            progress.update(static_cast<double>(i + 1) / static_cast<double>(results.size()));
        }
    }
    flush();
    errno = 0;
    if (std::fclose(file.release()) != 0)
        throw failed(errno);
    progress.update(1.0);
}

} // namespace loopcraft::cli
