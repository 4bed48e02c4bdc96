// report through the command-line tool: the PDF and HTML documents a user hands on.
#include "CliTestSupport.h"

namespace loopcraft::cli {
namespace {

using ReportCli = CliTest;

std::string commandOutput(const std::string& cmd) {
    std::string text;
    if (FILE* pipe = ::popen(cmd.c_str(), "r")) {
        char buffer[4096];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            text.append(buffer, n);
        }
        ::pclose(pipe);
    }
    return text;
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

// A charge-pump loop of order 3, as a user configures it, written without a display.
TEST_F(ReportCli, FourPagesAndOneHtmlPageWithTheFiguresWithoutADisplay) {
    ASSERT_EQ(run({"--set", "rbConfigDPLLPFD_CP=1", "--set", "rbConfigPLLOrder3=1", "--set",
                   "rbConfigActivePI=1", "--save", "show"})
                  .status,
              0);
    ASSERT_EQ(runProcess("report --pdf r.pdf --html r.html", "out.txt", "-u DISPLAY"), 0)
        << readFile(mDir / "out.txt.err");
    const std::string out = readFile(mDir / "out.txt");
    EXPECT_NE(out.find("Report written to r.pdf"), std::string::npos) << out;
    EXPECT_NE(out.find("Phase margin"), std::string::npos) << out;

    const std::string pdf = (mDir / "r.pdf").string();
    EXPECT_EQ(commandOutput("pdfinfo '" + pdf + "' | sed -n 's/^Pages: *//p'"), "4\n");
    const std::string text = commandOutput("pdftotext -layout '" + pdf + "' -");
    for (const char* expected :
         {"Loop design", "PD type: PFD with Charge Pump", "Phase margin", "Damping zeta", "tau2",
          "Schematic and parts", "Second-order active PI filter", "R2", "E24 parts",
          "Step response", "Response on frequency step", "Phase noise", "Jitter", "RMS phase error",
          "Noise sources"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
    // Every figure the command prints stands in the document too.
    const nlohmann::json j = nlohmann::json::parse(
        commandOutput("cd '" + mDir.string() + "' && '" CLI_EXE "' --json report --pdf r2.pdf"));
    for (const auto& [name, value] : j["figures"].items()) {
        EXPECT_NE(text.find(value.get<std::string>()), std::string::npos) << name;
    }

    const std::string html = readFile(mDir / "r.html");
    EXPECT_EQ(count(html, "<svg"), 4U);
    EXPECT_NE(html.find("<td>Jitter</td>"), std::string::npos);
    EXPECT_EQ(html.find("<?xml"), std::string::npos);
    EXPECT_NE(html.find("<td>Phase margin</td>"), std::string::npos);
}

TEST_F(ReportCli, AllDigitalLoopShowsItsCountersAndRefusalsWriteNothing) {
    const std::string pdf = (mDir / "a.pdf").string();
    const CliRun r = run({"--set", "rbConfigADPLL=1", "--json", "report", "--pdf", pdf});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.json()["figures"].contains("Hold range fH")) << r.out;
    EXPECT_NE(commandOutput("pdftotext '" + pdf + "' -").find("K (K counter)"), std::string::npos);

    struct Refusal {
        std::vector<std::string> args;
        const char* error;
    };
    const std::string elsewhere = (mDir / "missing" / "r.pdf").string();
    const Refusal refusals[] = {
        {{"report"}, "report needs --pdf FILE, --html FILE or both"},
        {{"report", "--pdf", (mDir / "r.html").string()}, "--pdf needs a file name ending in .pdf"},
        {{"report", "--pdf", elsewhere}, "r.pdf"},
        {{"--set", "FiltDesignTau2=0", "report", "--pdf", pdf + ".pdf"}, "Illegal entry"}};
    for (const Refusal& bad : refusals) {
        const CliRun b = run(bad.args);
        EXPECT_EQ(b.status, 1) << bad.error;
        EXPECT_NE(b.err.find(bad.error), std::string::npos) << b.err;
    }
    EXPECT_FALSE(std::filesystem::exists(pdf + ".pdf"));
}

} // namespace
} // namespace loopcraft::cli
