#include "core/schematic/FilterCircuit.h"

#include "core/schematic/SchematicLayout.h"

#include <gtest/gtest.h>
#include <map>
#include <ostream>
#include <set>
#include <string>

namespace loopcraft {

// Names the circuit in test output instead of dumping its bytes.
void PrintTo(const FilterCircuit& c, std::ostream* os) {
    *os << c.file;
}

namespace {

Configuration configFor(const FilterCircuit& c) {
    Configuration config;
    config.order = c.filterOrder + 1;
    config.filter = c.filter;
    config.detector = c.chargePump ? Detector::PFD_CP : Detector::Exor;
    return config;
}

// A design for the circuit: which parts get a value does not depend on the figures.
ComponentInputs designInputs(const FilterCircuit& c) {
    ComponentInputs in;
    in.order = c.filterOrder + 1;
    in.filter = c.filter;
    in.chargePump = c.chargePump;
    in.tau1 = 500e-6F;
    in.tau2 = 50e-6F;
    in.tau3 = 10e-6F;
    in.tau4 = 2e-6F;
    in.tau5 = 0.4e-6F;
    in.Ka = 5;
    in.fs = 30000;
    in.zeta = 0.707F;
    in.C1 = 10e-9F;
    in.C4 = 1e-9F;
    return in;
}

std::set<std::string> valuedRows(const FilterCircuit& c) {
    std::set<std::string> rows;
    for (const auto& p : c.parts) {
        if (p.kind == PartKind::Resistor || p.kind == PartKind::Capacitor) {
            rows.insert(p.row);
            EXPECT_EQ(p.row.rfind(p.designator, 0), 0U) << p.name;
        }
    }
    return rows;
}

class FilterCircuits : public ::testing::TestWithParam<FilterCircuit> {};

TEST_P(FilterCircuits, PartsAreTheRowsTheWindowShowsAndTheCalculationFills) {
    const auto& c = GetParam();
    const auto layout = SchematicLayoutFor(configFor(c));
    EXPECT_EQ(c.file, layout.file);

    std::set<std::string> shown;
    for (const SchematicLayoutRow& row : layout.rows()) {
        if (row.shown) {
            shown.insert(row.key);
        }
    }
    std::set<std::string> computed{"C1"};
    const auto values = CalcComponentValues(designInputs(c));
    for (const auto& v : values) {
        computed.insert(componentName(v.component));
    }
    if (hasSection2(c.filterOrder + 1, c.filter)) {
        computed.insert("C4");
    }
    const auto rows = valuedRows(c);
    EXPECT_EQ(rows, shown);
    EXPECT_EQ(rows, computed);
}

TEST_P(FilterCircuits, EveryNetIsJoinedAndNamesAreUnique) {
    const auto& c = GetParam();
    std::set<std::string> names;
    std::map<std::string, int> terminals;
    int sources = 0;
    for (const auto& p : c.parts) {
        EXPECT_TRUE(names.insert(p.name).second) << p.name;
        EXPECT_EQ(p.nodes.size(), p.kind == PartKind::OpAmp ? 3U : 2U) << p.name;
        EXPECT_NE(p.nodes[0], p.nodes[1]) << p.name;
        if (p.kind == PartKind::OpAmp) {
            EXPECT_NE(p.nodes[0], p.nodes[2]) << p.name;
        }
        for (const auto& n : p.nodes) {
            ++terminals[n];
        }
        sources += p.kind == PartKind::VoltageSource || p.kind == PartKind::CurrentSource;
    }
    EXPECT_EQ(sources, 1);
    EXPECT_EQ(c.part(c.chargePump ? "Icp" : "Vpd")->nodes[0], c.input);
    for (const auto& [net, count] : terminals) {
        EXPECT_GE(count, 2) << c.file << " net " << net << " is left open";
    }
    EXPECT_TRUE(terminals.count(c.output));
}

INSTANTIATE_TEST_SUITE_P(All24, FilterCircuits, ::testing::ValuesIn(allFilterCircuits()),
                         [](const testing::TestParamInfo<FilterCircuit>& info) {
                             const auto& f = info.param.file;
                             return f.substr(0, f.find('.'));
                         });

TEST(FilterCircuits, NoCircuitWithoutAFilter) {
    EXPECT_FALSE(filterCircuitFor(Configuration{.order = 1}));
    EXPECT_FALSE(filterCircuitFor(Configuration{.category = Category::Adpll}));
    EXPECT_EQ(filterCircuitFor(Configuration{.order = 5, .filter = LoopFilter::ActivePI})->file,
              "ActivePI4_U.wmf");
}

} // namespace
} // namespace loopcraft
