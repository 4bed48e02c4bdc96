// Hostile input through the command-line tool: the regression corpus under tests/data, the CSV
// size limit and the progress shown on a terminal.
#include "CliTestSupport.h"
#include "cli/Progress.h"
#include "cli/SimulationCsv.h"

#include <cmath>
#include <cstdio>
#include <fstream>

namespace loopcraft::cli {
namespace {

namespace fs = std::filesystem;

const fs::path kCorpus = fs::path(TEST_DATA_DIR) / "regressions";

struct CorpusCase {
    int line = 0;
    int status = 0;
    std::string expected;
    std::string params; // file beside the corpus, or "-"
    std::vector<std::string> args;
};

void PrintTo(const CorpusCase& c, std::ostream* os) {
    *os << "cli-cases.txt line " << c.line;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(' ');
    const auto last = s.find_last_not_of(' ');
    return first == std::string::npos ? "" : s.substr(first, last - first + 1);
}

std::vector<CorpusCase> loadCorpus() {
    std::vector<CorpusCase> cases;
    std::ifstream in(kCorpus / "cli-cases.txt");
    std::string text;
    for (int line = 1; std::getline(in, text); ++line) {
        if (text.empty() || text[0] == '#')
            continue;
        std::vector<std::string> fields;
        for (std::size_t start = 0;;) {
            const std::size_t bar = text.find(" | ", start);
            fields.push_back(trimmed(text.substr(start, bar - start)));
            if (bar == std::string::npos)
                break;
            start = bar + 3;
        }
        CorpusCase c;
        c.line = line;
        c.status = fields.size() == 4 ? std::stoi(fields[0]) : -1;
        c.expected = fields.size() > 1 ? fields[1] : "";
        c.params = fields.size() > 2 ? fields[2] : "-";
        std::istringstream words(fields.size() > 3 ? fields[3] : "");
        for (std::string w; words >> w;)
            c.args.push_back(w);
        cases.push_back(c);
    }
    return cases;
}

class CorpusReplay : public ::testing::TestWithParam<CorpusCase> {
protected:
    void SetUp() override {
        mDir = fs::temp_directory_path() / ("loopcraft-corpus-" + std::to_string(::getpid()) + "-" +
                                            std::to_string(GetParam().line));
        fs::remove_all(mDir);
        fs::create_directories(mDir);
    }
    void TearDown() override { fs::remove_all(mDir); }
    fs::path mDir;
};

TEST_P(CorpusReplay, FailsWithItsMessageAndLeavesTheFile) {
    const CorpusCase& c = GetParam();
    ASSERT_EQ(c.status, 1) << "malformed corpus line " << c.line;
    const fs::path params = mDir / "PARAMS.TXT";
    if (c.params != "-")
        fs::copy_file(kCorpus / c.params, params);
    const std::string before = readFile(params);

    std::vector<std::string> args = {"--params", params.string(), "--save"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun r = runTool(args);
    EXPECT_EQ(r.status, c.status) << r.out;
    EXPECT_NE(r.err.find(c.expected), std::string::npos) << r.err;
    EXPECT_EQ(fs::exists(params), c.params != "-");
    EXPECT_EQ(readFile(params), before);
}

INSTANTIATE_TEST_SUITE_P(Regressions, CorpusReplay, ::testing::ValuesIn(loadCorpus()),
                         [](const auto& info) { return "Line" + std::to_string(info.param.line); });

class SimulationCsvTest : public CliTest {};

// Blocks continue each other's row numbers; a refused or failed file leaves the old one as it was.
TEST_F(SimulationCsvTest, RowsAreWrittenAsPrintfWouldAndARefusedFileLeavesTheOldOne) {
    const std::vector<ResultPair> points = {{2.5F, -1.0e-30F}, {-3.4e38F, 0.1F}, {0, 7}};
    const double dt = 1.0 / 3.0;
    std::string expected = "t_s,curve1,curve2\n";
    for (std::size_t i = 0; i < points.size(); ++i) {
        char row[96];
        std::snprintf(row, sizeof row, "%.9g,%.9g,%.9g\n", static_cast<double>(i) * dt,
                      static_cast<double>(points[i].Curve1), static_cast<double>(points[i].Curve2));
        expected += row;
    }
    const fs::path csv = mDir / "run.csv";
    const auto write = [&](std::uintmax_t maxBytes) {
        SimulationCsvWriter writer(csv.string(), maxBytes);
        writer.add({points[0], points[1]}, dt);
        writer.add({points[2]}, dt);
        writer.finish();
    };
    write(expected.size());
    EXPECT_EQ(readFile(csv), expected);

    std::ofstream(csv) << "old";
    try {
        write(expected.size() - 1);
        ADD_FAILURE() << "a CSV over the limit was written";
    } catch (const UserMessage& m) {
        EXPECT_EQ(m.title, "CSV");
        EXPECT_NE(m.text.find("4 rows"), std::string::npos) << m.text;
        EXPECT_NE(m.text.find("--filter or a shorter T"), std::string::npos) << m.text;
    }
    EXPECT_EQ(readFile(csv), "old");
    for (const auto& entry : fs::directory_iterator(mDir))
        EXPECT_NE(entry.path().extension(), ".tmp") << "left behind: " << entry.path();

    SimulationCsvWriter unwritable((mDir / "no folder" / "run.csv").string());
    EXPECT_FALSE(unwritable.ok());
    EXPECT_NE(unwritable.error().find("no folder"), std::string::npos) << unwritable.error();
}

TEST_F(SimulationCsvTest, ProgressGoesToATerminalOnly) {
    for (const bool terminal : {false, true}) {
        const std::string csv = (mDir / "run.csv").string();
        const char* argv[] = {"loopcraft-cli", "--params", nullptr, "simulate", "--csv", nullptr};
        const std::string params = this->params();
        argv[2] = params.c_str();
        argv[5] = csv.c_str();
        std::ostringstream out, err;
        ASSERT_EQ(runCli(6, argv, out, err, terminal), 0) << err.str();
        const std::string full = " [####################] 100%";
        EXPECT_EQ(err.str().find("\rsimulate" + full) != std::string::npos, terminal);
    }
}

TEST(ProgressText, BarPercentageAndTimeLeftOnceThereIsSomethingToEstimateFrom) {
    EXPECT_EQ(progressText("report", 0.0, 0.0), "report [--------------------]   0%");
    EXPECT_EQ(progressText("report", 0.5, 0.2), "report [##########----------]  50%");
    EXPECT_EQ(progressText("report", 0.25, 10.0), "report [#####---------------]  25%  30 s left");
    EXPECT_EQ(progressText("r", 0.1, 90.0), "r [##------------------]  10%  13 min 30 s left");
    EXPECT_EQ(progressText("r", 1.0, 90.0), "r [####################] 100%");
    EXPECT_EQ(progressText("r", std::nan(""), 1.0), progressText("r", 0.0, 1.0));
    EXPECT_EQ(progressText("r", 7.0, 1.0), progressText("r", 1.0, 1.0));
}

} // namespace
} // namespace loopcraft::cli
