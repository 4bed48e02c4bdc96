// The filter decks run through ngspice: every one of the 24 circuits, designed for the default
// loop (section 2 with either pole kind), against the loop model's filter function and against
// the noise analysis's resistor noise; and what the deck writer refuses.
#include "core/schematic/SpiceDeck.h"

#include "../ConfigFlagsSupport.h"
#include "../NgspiceSupport.h"
#include "core/design/DesignSession.h"
#include "core/design/LoopModel.h"
#include "core/noise/PhaseNoiseAnalysis.h"

#include <cmath>
#include <complex>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <numbers>
#include <ostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace loopcraft {
namespace {

struct DeckCase {
    FilterCircuit circuit;
    PoleKind poles;
};

// Names the case in test output instead of dumping the circuit's bytes.
std::string caseName(const DeckCase& c) {
    return c.circuit.file.substr(0, c.circuit.file.find('.')) +
           (c.poles == PoleKind::Real ? "_RealPoles" : "");
}

void PrintTo(const DeckCase& c, std::ostream* os) {
    *os << caseName(c);
}

// Every circuit; those with a section 2 once with each pole kind.
std::vector<DeckCase> deckCases() {
    std::vector<DeckCase> cases;
    for (const FilterCircuit& c : allFilterCircuits()) {
        cases.push_back({c, PoleKind::Complex});
        if (hasSection2(c.filterOrder + 1, c.filter)) {
            cases.push_back({c, PoleKind::Real});
        }
    }
    return cases;
}

Configuration configFor(const DeckCase& d) {
    Configuration config;
    config.order = d.circuit.filterOrder + 1;
    config.filter = d.circuit.filter;
    config.detector = d.circuit.chargePump ? Detector::PFD_CP : Detector::Exor;
    config.poleKind = d.poles;
    return config;
}

// The default loop with this circuit's filter, order and drive, designed for 5 kHz as the
// design window does it.
ParameterSet designedFor(const DeckCase& d) {
    ParameterSet params;
    test::selectMixedSignal(params, d.circuit.filterOrder + 1, d.circuit.filter,
                            d.circuit.chargePump, d.poles);
    DesignSession session(params);
    session.PrepareDesignWindow();
    session.window().entry(DesignField::LDPLLf3db) = "5000";
    const DesignOutcome o = session.CalcFilterParams();
    EXPECT_TRUE(o.ok) << (o.message ? o.message->text : std::string());
    return params;
}

class SpiceDecks : public ::testing::TestWithParam<DeckCase> {};

// Five frequencies a decade either side of the loop's bandwidth: ngspice's answer for the
// circuit with its designed values and the loop model's filter function agree. This ties the
// drawing's circuit, the component formulas and the model to an independent simulator.
TEST_P(SpiceDecks, NgspiceAgreesWithTheLoopModelsFilter) {
    ASSERT_TRUE(std::filesystem::exists(NGSPICE_EXE))
        << "ngspice is not installed: run scripts/install-deps.sh";
    const FilterCircuit& c = GetParam().circuit;
    ParameterSet params = designedFor(GetParam());
    const Configuration config = configFor(GetParam());
    const ComponentCalculation calc =
        CalculateComponentValues(params, config, CapacitorEntries::fromParameters(params));
    ASSERT_FALSE(calc.error);
    const auto values =
        deckPartValues(c, componentInputs(params, config, params.SchemaC1Unit, params.SchemaC4Unit),
                       calc.values, DeckValues::Designed);
    ASSERT_TRUE(values);

    const FilterDesignState state = FilterDesignState::fromParameters(params, config);
    const auto f3db = Find3dBFrequency(state, config);
    ASSERT_TRUE(f3db);
    AcDeckOptions options;
    options.fStart = *f3db / 10.0;
    options.fStop = *f3db * 10.0;
    options.pointsPerDecade = 2;
    options.dataFile = "ac.txt";
    const std::string name = caseName(GetParam());
    const auto points = test::runNgspiceAc(writeAcDeck(c, *values, options), name);
    ASSERT_EQ(points.size(), 5U);

    for (const auto& p : points) {
        const auto model = FilterResponse(state, config, static_cast<float>(p.f));
        ASSERT_TRUE(model);
        const std::complex<double> expected(model->re, model->im);
        const std::complex<double> circuit =
            std::polar(p.gain, p.phaseDeg * std::numbers::pi / 180.0) * (c.inverting ? -1.0 : 1.0);
        EXPECT_LT(std::abs(circuit - expected) / std::abs(expected), 2e-4)
            << name << " at " << p.f << " Hz: circuit " << circuit << ", model " << expected;
    }
}

// ngspice's .noise analysis of the same deck: the output noise of all resistors (its op-amps are
// noiseless sources) against the sum of 4kT/R·|Z|² the noise analysis computes, at five
// frequencies from a decade below to a decade above the loop's bandwidth. ngspice's resistors
// sit at 27 °C.
TEST_P(SpiceDecks, NgspiceNoiseAgreesWithTheResistorNoise) {
    ASSERT_TRUE(std::filesystem::exists(NGSPICE_EXE))
        << "ngspice is not installed: run scripts/install-deps.sh";
    const FilterCircuit& c = GetParam().circuit;
    const ParameterSet params = designedFor(GetParam());
    const Configuration config = configFor(GetParam());
    ParameterSet scratch = params;
    const ComponentCalculation calc =
        CalculateComponentValues(scratch, config, CapacitorEntries::fromParameters(scratch));
    ASSERT_FALSE(calc.error);
    const auto values = deckPartValues(
        c, componentInputs(scratch, config, scratch.SchemaC1Unit, scratch.SchemaC4Unit),
        calc.values, DeckValues::Designed);
    ASSERT_TRUE(values);
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(params, false);
    ASSERT_TRUE(build.loop) << build.error;
    ASSERT_TRUE(build.loop->filter);
    const FilterNoise& filter = *build.loop->filter;

    const auto f3db = Find3dBFrequency(build.loop->state, config);
    ASSERT_TRUE(f3db);
    AcDeckOptions options;
    options.dataFile = "ac.txt";
    std::string deck = writeAcDeck(c, *values, options);
    deck.erase(deck.find(".control"));
    deck += ".control\nset wr_singlescale\nset wr_vecnames\noption numdgt=10\n";
    deck += std::string("noise v(out) ") + (c.chargePump ? "Icp" : "Vpd") + " dec 2 " +
            std::to_string(*f3db / 10.0) + " " + std::to_string(*f3db * 10.0) + "\n";
    deck += "setplot noise1\nwrdata noise.txt onoise_spectrum\nif $?batchmode\n  quit 0\nend\n"
            ".endc\n.end\n";
    const std::string name = caseName(GetParam()) + "-noise";
    const auto rows = test::runNgspiceTable(deck, name, "noise.txt", 2);
    ASSERT_EQ(rows.size(), 5U);

    const double fourKT = 4.0 * kBoltzmann * 300.15;
    std::vector<double> gr, ga;
    for (const auto& row : rows) {
        ASSERT_TRUE(filter.transfers(row[0], gr, ga));
        double sv = 0;
        for (std::size_t k = 0; k < gr.size(); ++k)
            sv += fourKT / filter.resistance(k) * gr[k];
        EXPECT_NEAR(row[1] / std::sqrt(sv), 1.0, 1e-5)
            << name << " at " << row[0] << " Hz: ngspice " << row[1] << " V/sqrt(Hz), analysis "
            << std::sqrt(sv);
    }
}

INSTANTIATE_TEST_SUITE_P(All24, SpiceDecks, ::testing::ValuesIn(deckCases()),
                         [](const auto& info) { return caseName(info.param); });

// The series and designed values in the deck are checked through the netlist command.
TEST(SpiceDeck, UndesignedPartsAreRefused) {
    const FilterCircuit c = filterCircuit(LoopFilter::PassiveLL, 1, false);
    ComponentInputs in;
    in.tau1 = 500e-6F;
    in.C1 = 10e-9F;
    std::string why;
    EXPECT_FALSE(deckPartValues(c, in, CalcComponentValues(in), DeckValues::Designed, &why));
    EXPECT_EQ(why, "R2 has no positive value: design the filter first");
}

TEST(SpiceDeck, LoopDeckRefusesLoopsWithoutFilterAndRunsTooLong) {
    const FilterCircuit c = filterCircuit(LoopFilter::PassiveLL, 1, false);
    const DeckPartValues values{{"R1", 5e4}, {"R2", 5e3}, {"C1", 1e-8}};
    ParameterSet params;
    std::string why;
    EXPECT_TRUE(writeLoopDeck(c, values, params, Configuration{}, {}, &why));
    EXPECT_FALSE(writeLoopDeck(c, values, params, Configuration{.order = 1}, {}, &why));
    EXPECT_EQ(why, "this loop has no filter");
    params.setEntry(TextId::SimulT, "100");
    EXPECT_FALSE(writeLoopDeck(c, values, params, Configuration{}, {}, &why));
    EXPECT_EQ(why, "T must be > 0 and at most a million reference periods");
}

} // namespace
} // namespace loopcraft
