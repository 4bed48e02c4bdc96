#include "cli/SimulationCsv.h"

#include <array>
#include <charconv>
#include <string_view>

namespace loopcraft::cli {

namespace {

constexpr std::string_view kHeader = "t_s,curve1,curve2\n";
constexpr std::string_view kModelHeader = "t_s,curve1,curve2,model_curve2\n";
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

using RowBuffer = std::array<char, 96>;

// The row as printf's "%.9g,%.9g,%.9g\n" writes it; its length.
std::size_t formatRow(RowBuffer& buffer, std::size_t index, double dt, const ResultPair& p,
                      const float* model) {
    char* out = buffer.data();
    char* const end = buffer.data() + buffer.size();
    const double values[] = {static_cast<double>(index) * dt, static_cast<double>(p.Curve1),
                             static_cast<double>(p.Curve2), model ? *model : 0.0};
    const std::size_t n = model ? 4 : 3;
    for (std::size_t i = 0; i < n; ++i) {
        out = std::to_chars(out, end, values[i], std::chars_format::general, 9).ptr;
        *out++ = i + 1 < n ? ',' : '\n';
    }
    return static_cast<std::size_t>(out - buffer.data());
}

std::string sizeText(std::uintmax_t bytes) {
    if (bytes % (std::uintmax_t{1} << 30) == 0)
        return std::to_string(bytes >> 30) + " GiB";
    if (bytes % (std::uintmax_t{1} << 20) == 0)
        return std::to_string(bytes >> 20) + " MiB";
    return std::to_string(bytes) + " bytes";
}

} // namespace

SimulationCsvWriter::SimulationCsvWriter(const std::string& path, std::uintmax_t maxBytes,
                                         bool withModel)
    : mFile(path), mMaxBytes(maxBytes), mBytes(withModel ? kModelHeader.size() : kHeader.size()),
      mChunk(withModel ? kModelHeader : kHeader), mWithModel(withModel) {
    mChunk.reserve(kChunkBytes);
}

void SimulationCsvWriter::add(const std::vector<ResultPair>& points, double dt,
                              const float* model) {
    RowBuffer row;
    for (const ResultPair& point : points) {
        const float* modelValue = mWithModel && model ? model++ : nullptr;
        const std::size_t index = mRows++;
        if (mBytes > mMaxBytes || !mFile.ok())
            continue; // refused or failed: only the rows are still counted, for the message
        const std::size_t length = formatRow(row, index, dt, point, modelValue);
        mBytes += length;
        mChunk.append(row.data(), length);
        if (mChunk.size() + row.size() > mChunk.capacity()) {
            mFile.write(mChunk);
            mChunk.clear();
        }
    }
}

void SimulationCsvWriter::finish() {
    if (mBytes > mMaxBytes) {
        throw UserMessage("CSV", "the file would have " + std::to_string(mRows + 1) +
                                     " rows and more than " + sizeText(mMaxBytes) +
                                     "; record fewer points with --filter or a shorter T");
    }
    if (!mFile.write(mChunk) || !mFile.commit())
        throw UserMessage("CSV", mFile.error());
}

} // namespace loopcraft::cli
