// The netlist command: what it refuses, the rounded deck, and the whole loop run through ngspice
// against the simulation's own run.
#include "CliTestSupport.h"

#include <cstdlib>
#include <regex>
#include <sstream>

namespace loopcraft::cli {
namespace {

class NetlistCli : public CliTest {
protected:
    // Runs ngspice in batch mode on `deck` in the test's folder; returns what it printed.
    std::string ngspice(const std::string& deck) const {
        const std::string command =
            "cd '" + mDir.string() + "' && '" NGSPICE_EXE "' -b " + deck + " > ngspice.log 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << readFile(mDir / "ngspice.log");
        return readFile(mDir / "ngspice.log");
    }
};

TEST_F(NetlistCli, LoopsWithoutFilterAreRefused) {
    const struct {
        const char* flag;
        const char* message;
    } cases[] = {
        {"rbConfigPLLOrder1=1", "Netlist: a PLL of order 1 has no loop filter circuit\n"},
        {"rbConfigADPLL=1", "Netlist: the all-digital loop has no loop filter circuit\n"},
    };
    for (const auto& c : cases) {
        const CliRun r = run({"--set", c.flag, "netlist"});
        EXPECT_EQ(r.status, 1) << c.flag;
        EXPECT_EQ(r.err, c.message);
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(NetlistCli, RoundedDeckCarriesTheSeriesValuesUnderTheDrawingsDesignators) {
    // τ1 = 500 µs, τ2 = 50 µs on 10 nF: R1 = 50 kΩ rounds to 51 kΩ, R2 = 5 kΩ to 5.1 kΩ.
    const CliRun r = run({"netlist", "--values", "e24"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("\nVpd in 0 DC 0 AC 1\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nR1 in out 51000\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nR2 out n1 5100\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nC1 n1 0 1e-08\n"), std::string::npos) << r.out;
    EXPECT_NE(run({"netlist"}).out.find("\nR1 in out 50000.004\n"), std::string::npos);
}

TEST_F(NetlistCli, DeckNamesItsTableAfterItselfInAFormNgspiceReads) {
    const auto deck = mDir / "my loop;1.cir";
    ASSERT_EQ(run({"netlist", "--out", deck.string()}).status, 0);
    EXPECT_NE(readFile(deck).find("\nwrdata my_loop_1.ac.txt gain phase_deg\n"), std::string::npos);
    const CliRun r = run({"netlist", "--out", (mDir / "missing" / "x.cir").string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind("Netlist: cannot write ", 0), 0U) << r.err;
}

// A divider step needs the divider for every mixed-signal detector, as in the simulation panel:
// the multiplier's deck gets it too, and a frequency step leaves the oscillator as chosen.
TEST_F(NetlistCli, TransientDividerStepSelectsTheDividerForEveryMixedSignalLoop) {
    for (const char* detector : {"rbConfigLPLLMul=1", "rbConfigDPLLPFD=1"}) {
        const std::string deck = (mDir / "n.cir").string();
        const CliRun n =
            run({"--set", detector, "netlist", "--transient", "--stimulus", "N", "--out", deck});
        ASSERT_EQ(n.status, 0) << n.err;
        EXPECT_NE(readFile(deck).find("oscillator: VCO with divide-by-N\n"), std::string::npos)
            << detector;
        const CliRun f =
            run({"--set", detector, "netlist", "--transient", "--stimulus", "f", "--out", deck});
        ASSERT_EQ(f.status, 0) << f.err;
        EXPECT_NE(readFile(deck).find("oscillator: VCO\n"), std::string::npos) << detector;
    }
}

// The default EXOR loop with its passive lead-lag filter answers the frequency step: the control
// voltage ngspice settles to is the one the simulation settles to.
TEST_F(NetlistCli, TransientSettlesWhereTheSimulationSettles) {
    ASSERT_TRUE(std::filesystem::exists(NGSPICE_EXE))
        << "ngspice is not installed: run scripts/install-deps.sh";
    const CliRun deck =
        run({"netlist", "--transient", "--stimulus", "f", "--out", (mDir / "loop.cir").string()});
    ASSERT_EQ(deck.status, 0) << deck.err;
    const std::string log = ngspice("loop.cir");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(log, m,
                                  std::regex("uf_settled\\s*=\\s*([-+0-9.eE]+)\\s+from=\\s*([-+0-9."
                                             "eE]+)\\s+to=\\s*([-+0-9.eE]+)")))
        << log;
    const double spice = std::stod(m[1]);
    const double from = std::stod(m[2]);
    const double to = std::stod(m[3]);
    EXPECT_TRUE(std::filesystem::exists(mDir / "loop.tran.txt"));

    const CliRun sim = run({"simulate", "--stimulus", "f", "--csv", (mDir / "sim.csv").string()});
    ASSERT_EQ(sim.status, 0) << sim.err;
    std::istringstream csv(readFile(mDir / "sim.csv"));
    std::string line;
    std::getline(csv, line);
    double sum = 0;
    int count = 0;
    while (std::getline(csv, line)) {
        double t = 0, curve1 = 0, curve2 = 0;
        char comma = 0;
        std::istringstream row(line);
        row >> t >> comma >> curve1 >> comma >> curve2;
        // Each point is the mean over the step that ends at its time.
        if (t > from && t <= to * (1 + 1e-9)) {
            sum += curve2;
            ++count;
        }
    }
    ASSERT_GT(count, 0);
    EXPECT_NEAR(spice, sum / count, 0.005);
}

// The active filter's op-amp stops at the filter's lower output limit: with it set just above
// where the inverting PI stage's output would settle, the control voltage (its mirror) settles at
// the limit's mirror instead of where the loop would take it (2.548 V). And the time step
// resolves the detector's edges to a 2048th of a reference period.
TEST_F(NetlistCli, TransientOpAmpsStopAtTheFiltersOutputLimits) {
    ASSERT_TRUE(std::filesystem::exists(NGSPICE_EXE))
        << "ngspice is not installed: run scripts/install-deps.sh";
    const CliRun deck =
        run({"--set", "rbConfigActivePI=1", "--set", "Simuldf=1000", "--set", "ConfigLFSatN=2.47",
             "netlist", "--transient", "--stimulus", "f", "--out", (mDir / "loop.cir").string()});
    ASSERT_EQ(deck.status, 0) << deck.err;
    const std::string text = readFile(mDir / "loop.cir");
    EXPECT_NE(text.find("\ntran 4.83446782e-09 "), std::string::npos) << text; // 1/(101 kHz·2048)
    const std::string log = ngspice("loop.cir");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(log, m, std::regex("uf_settled\\s*=\\s*([-+0-9.eE]+)"))) << log;
    EXPECT_NEAR(std::stod(m[1]), 2.53, 0.003) << log;
}

} // namespace
} // namespace loopcraft::cli
