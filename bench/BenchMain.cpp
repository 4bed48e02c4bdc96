// The benchmark program: Google Benchmark's usual console report, then the simulation runs'
// throughput gathered into one table (detector by loop filter) that reads against the engine's
// speed goals at a glance.
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

// Benchmarks named "BM_Run/<row>/<column>" with a "steps/s" counter land in the table.
constexpr const char* kTablePrefix = "BM_Run/";
constexpr const char* kRateCounter = "steps/s";

class RunTableReporter final : public benchmark::ConsoleReporter {
public:
    // The table's runs show only their median; every other benchmark reports as usual.
    void ReportRuns(const std::vector<Run>& runs) override {
        std::vector<Run> shown;
        for (const Run& run : runs) {
            if (!inTable(run) || counts(run))
                shown.push_back(run);
            if (inTable(run) && counts(run))
                take(run);
        }
        if (!shown.empty())
            ConsoleReporter::ReportRuns(shown);
    }

    void Finalize() override {
        ConsoleReporter::Finalize();
        if (mRows.empty())
            return;
        std::printf("\nSimulation throughput, million steps per second (median of the repetitions;"
                    "\nADPLL: reference periods per second)\n");
        int width = 12;
        for (const auto& [order, row] : mRowOrder)
            width = std::max(width, static_cast<int>(row.size()) + 1);
        std::printf("%-*s", width, "");
        for (const auto& [order, column] : mColumns)
            std::printf("%12s", column.c_str());
        std::printf("\n");
        for (const auto& [order, row] : mRowOrder) {
            std::printf("%-*s", width, row.c_str());
            for (const auto& [order, column] : mColumns) {
                const auto& cells = mRows[row];
                const auto cell = cells.find(column);
                if (cell == cells.end())
                    std::printf("%12s", "-");
                else
                    std::printf("%12.1f", cell->second / 1e6);
            }
            std::printf("\n");
        }
        std::fflush(stdout);
    }

private:
    static bool inTable(const Run& run) {
        return run.run_name.function_name.rfind(kTablePrefix, 0) == 0;
    }
    // With repetitions only the median counts; a single run stands for itself.
    static bool counts(const Run& run) {
        if (run.repetitions <= 1)
            return run.run_type == Run::RT_Iteration;
        return run.aggregate_name == "median";
    }

    void take(const Run& run) {
        if (run.error_occurred)
            return;
        const std::string& name = run.run_name.function_name;
        const auto counter = run.counters.find(kRateCounter);
        if (counter == run.counters.end())
            return;
        const std::string rest = name.substr(std::strlen(kTablePrefix));
        const std::size_t slash = rest.find('/');
        if (slash == std::string::npos)
            return;
        const std::string row = rest.substr(0, slash);
        const std::string column = rest.substr(slash + 1);
        // Rows and columns keep the order of registration, whatever order the runs came in.
        const auto order = run.family_index;
        placeFirst(mRowOrder, row, order);
        placeFirst(mColumns, column, order);
        mRows[row][column] = counter->second.value;
    }

    static void placeFirst(std::map<std::int64_t, std::string>& order, const std::string& name,
                           std::int64_t index) {
        for (auto it = order.begin(); it != order.end(); ++it) {
            if (it->second != name)
                continue;
            if (it->first <= index)
                return;
            order.erase(it);
            break;
        }
        order.emplace(index, name);
    }

    std::map<std::int64_t, std::string> mRowOrder;
    std::map<std::int64_t, std::string> mColumns;
    std::map<std::string, std::map<std::string, double>> mRows;
};

} // namespace

int main(int argc, char** argv) {
    // Defaults for a shared, noisy machine, each unless given on the command line: three
    // repetitions, reported by their aggregates (the table takes the medians). On a loaded
    // machine --benchmark_enable_random_interleaving=true spreads the repetitions over the
    // session, at the price of an output in random order.
    static char repetitions[] = "--benchmark_repetitions=3";
    static char aggregatesOnly[] = "--benchmark_report_aggregates_only=true";
    std::vector<char*> args(argv, argv + argc);
    bool console = true; // the table goes with the console format only
    auto given = [argc, argv](const char* flag) {
        const auto length = static_cast<std::size_t>(std::strchr(flag, '=') - flag);
        for (int i = 1; i < argc; ++i)
            if (std::strncmp(argv[i], flag, length) == 0)
                return true;
        return false;
    };
    for (char* flag : {repetitions, aggregatesOnly})
        if (!given(flag))
            args.push_back(flag);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark_format=", 19) == 0)
            console = std::strcmp(argv[i] + 19, "console") == 0;
    int count = static_cast<int>(args.size());
    args.push_back(nullptr);
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data()))
        return 1;
    if (console) {
        RunTableReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}
