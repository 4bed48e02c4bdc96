// noise and jitter on the command line: the JSON the scripts read, the files written, and bad
// input refused with a message and nothing written.
#include "CliTestSupport.h"

#include <cmath>
#include <numbers>

namespace loopcraft::cli {
namespace {

class NoiseCli : public CliTest {
protected:
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(mDir / name, std::ios::binary) << text;
        return (mDir / name).string();
    }
    std::string path(const std::string& name) const { return (mDir / name).string(); }
};

TEST_F(NoiseCli, JsonCarriesCurvesPerSourceAndTheFigures) {
    const CliRun r = run({"noise", "--json", "--points", "50", "--set", "rbConfigVCOScaler=1",
                          "--set", "ConfigN=8"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    ASSERT_EQ(j["offsets"].size(), 50U);
    ASSERT_EQ(j["total"].size(), 50U);
    for (const char* name :
         {"reference", "detector", "divider", "resistors", "R1", "R2", "oscillator"}) {
        ASSERT_TRUE(j["contributions"].contains(name)) << name;
        EXPECT_EQ(j["contributions"][name].size(), 50U) << name;
    }
    EXPECT_FALSE(j["contributions"].contains("opamp"));
    EXPECT_DOUBLE_EQ(j["outputFrequency"].get<double>(), 800000.0);
    EXPECT_DOUBLE_EQ(j["integrationFrom"].get<double>(), 10.0);
    EXPECT_DOUBLE_EQ(j["integrationTo"].get<double>(), 50000.0);
    const double rad = j["rmsPhaseRad"].get<double>();
    EXPECT_GT(rad, 0.0);
    EXPECT_NEAR(j["rmsPhaseDeg"].get<double>(), rad * 180 / std::numbers::pi, 1e-12);
    EXPECT_NEAR(j["jitterSeconds"].get<double>(), rad / (2 * std::numbers::pi * 800000.0), 1e-20);
    // The file was only read: without --save nothing is written.
    EXPECT_FALSE(std::filesystem::exists(params()));
}

TEST_F(NoiseCli, TablesLimitsAndFilesFromTheOptions) {
    const std::string ref = write("ref.csv", "offset,dBc\n10,-100\n10000,-160\n");
    const std::string vco = write("vco.csv", "1000,-60\n1000000,-150\n");
    const CliRun r = run({"noise", "--ref-csv", ref, "--vco-csv", vco, "--from", "100", "--to",
                          "10000", "--points", "30", "--csv", path("n.csv"), "--svg", path("n.svg"),
                          "--png", path("n.png"), "--size", "500x350"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Integration band: 100 Hz to 10 kHz"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Jitter: "), std::string::npos) << r.out;
    const std::string csv = readFile(path("n.csv"));
    EXPECT_EQ(csv.substr(0, csv.find('\n')),
              "offset_hz,total,reference,detector,resistors,R1,R2,oscillator");
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 31);
    EXPECT_EQ(readFile(path("n.png")).substr(1, 3), "PNG");
    EXPECT_NE(readFile(path("n.svg")).find("<svg"), std::string::npos);

    // In band the reference follows its own table, at 1 Hz on its -20 dB/decade slope extended.
    const auto j = run({"noise", "--json", "--ref-csv", ref, "--from", "10"}).json();
    EXPECT_NEAR(j["contributions"]["reference"][0].get<double>(), -80.0, 0.05);
}

// Every bad input: a message on stderr, exit 1, and neither the CSV nor the picture written.
TEST_F(NoiseCli, BadInputIsRefusedAndNothingIsWritten) {
    const std::string decreasing = write("dec.csv", "1000,-80\n100,-90\n");
    const std::string duplicate = write("dup.csv", "100,-80\n100,-90\n");
    const std::string negative = write("neg.csv", "-100,-80\n100,-90\n");
    const std::string notANumber = write("nan.csv", "100,nan\n");
    const std::string empty = write("empty.csv", "offset,dbc\n");
    const std::string huge = path("huge.csv");
    std::filesystem::resize_file(write("huge.csv", ""), 50u << 20);
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--ref-csv", decreasing}, "must increase"},
        {{"--vco-csv", duplicate}, "appears twice"},
        {{"--ref-csv", negative}, "not positive"},
        {{"--ref-csv", notANumber}, "finite"},
        {{"--vco-csv", empty}, "no points"},
        {{"--ref-csv", huge}, "larger than"},
        {{"--ref-csv", path("missing.csv")}, "does not exist"},
        {{"--from", "60000"}, "reversed"},
        {{"--from", "1000", "--to", "100"}, "reversed"},
        {{"--from", "0"}, "positive"},
        {{"--points", "1"}, "points"},
        {{"--pdf", path("x.svg")}, "--pdf needs a file name ending in .pdf"},
        {{"--set", "FiltDesignTau2=0"}, ""},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"noise", "--csv", path("out.csv"), "--png",
                                         path("out.png")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const CliRun r = run(args);
        EXPECT_EQ(r.status, 1) << c.message << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(path("out.csv"))) << c.message;
        EXPECT_FALSE(std::filesystem::exists(path("out.png"))) << c.message;
    }
}

// A flat -100 dBc/Hz over 1 MHz: φ² = 2·1e-10·1e6 rad².
TEST_F(NoiseCli, JitterOfAMeasuredCurve) {
    const std::string curve = write("m.csv", "# flat\n1,-100\n1000001,-100\n");
    const CliRun r = run({"jitter", "--json", "--csv", curve, "--carrier", "1e8"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = r.json();
    EXPECT_NEAR(j["rmsPhaseRad"].get<double>(), std::sqrt(2e-4), 1e-12);
    EXPECT_NEAR(j["jitterSeconds"].get<double>(), std::sqrt(2e-4) / (2 * std::numbers::pi * 1e8),
                1e-20);
    EXPECT_DOUBLE_EQ(j["outputFrequency"].get<double>(), 1e8);
    EXPECT_DOUBLE_EQ(j["integrationFrom"].get<double>(), 1.0);
    EXPECT_DOUBLE_EQ(j["integrationTo"].get<double>(), 1000001.0);

    const CliRun half = run(
        {"jitter", "--json", "--csv", curve, "--carrier", "1e8", "--from", "1", "--to", "500001"});
    EXPECT_NEAR(half.json()["rmsPhaseRad"].get<double>(), std::sqrt(1e-4), 1e-12);
    const CliRun text = run({"jitter", "--csv", curve, "--carrier", "1e8"});
    EXPECT_NE(text.out.find("RMS phase error: 0.81 deg (14.1 mrad)"), std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("Jitter: 22.5 ps"), std::string::npos) << text.out;

    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--carrier", "1e8", "--from", "100", "--to", "10"},
          std::vector<std::string>{"--carrier", "1e8", "--from", "0.5"},
          std::vector<std::string>{"--carrier", "1e8", "--to", "1e7"},
          std::vector<std::string>{"--carrier", "0"}}) {
        std::vector<std::string> args = {"jitter", "--csv", curve};
        args.insert(args.end(), bad.begin(), bad.end());
        const CliRun b = run(args);
        EXPECT_EQ(b.status, 1) << bad.back() << ": " << b.out;
        EXPECT_NE(b.err.find("Phase noise: "), std::string::npos) << b.err;
    }
}

// The settings file keeps what --save was given: tables and limits, read by the next command.
TEST_F(NoiseCli, SaveKeepsTheSettingsInTheSettingsFile) {
    const std::string ref = write("ref.csv", "10,-100\n10000,-160\n");
    ASSERT_EQ(run({"noise", "--ref-csv", ref, "--from", "100", "--points", "60", "--save"}).status,
              0);
    const auto file = nlohmann::json::parse(readFile(mDir / "LOOPCRAFT.JSON"));
    EXPECT_EQ(file["PhaseNoiseFrom"].get<double>(), 100.0);
    EXPECT_EQ(file["PhaseNoisePoints"].get<int>(), 60);
    EXPECT_EQ(file["PhaseNoiseReference"].dump(), "[[10.0,-100.0],[10000.0,-160.0]]");

    auto j = run({"noise", "--json"}).json();
    EXPECT_EQ(j["integrationFrom"].get<double>(), 100.0);
    EXPECT_EQ(j["offsets"].size(), 60U);
    // The first offset, a decade below the band, lies on the saved table's first point.
    EXPECT_NEAR(j["contributions"]["reference"][0].get<double>(), -100.0, 0.05);
    // --set reaches the same keys; a table the analysis cannot use is refused with its reason.
    j = run({"--set", "PhaseNoiseTo=20000", "--json", "noise"}).json();
    EXPECT_EQ(j["integrationTo"].get<double>(), 20000.0);
    const CliRun bad = run({"--set", "PhaseNoiseOscillator=100,-80;10,-90", "noise"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("must increase"), std::string::npos) << bad.err;
}

} // namespace
} // namespace loopcraft::cli
