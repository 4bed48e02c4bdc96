#include "core/schematic/FilterCircuit.h"

#include "core/design/LoopModel.h"
#include "core/schematic/SchematicLayout.h"

#include <cmath>
#include <complex>
#include <gtest/gtest.h>
#include <map>
#include <numbers>
#include <ostream>
#include <set>
#include <string>

namespace loopcraft {

// Names the circuit in test output instead of dumping its bytes.
void PrintTo(const FilterCircuit& c, std::ostream* os) {
    *os << c.file;
}

namespace {

using Cplx = std::complex<double>;

Configuration configFor(const FilterCircuit& c, PoleKind poles = PoleKind::Complex) {
    Configuration config;
    config.order = c.filterOrder + 1;
    config.filter = c.filter;
    config.detector = c.chargePump ? Detector::PFD_CP : Detector::Exor;
    config.poleKind = poles;
    return config;
}

ComponentInputs designInputs(const FilterCircuit& c, PoleKind poles) {
    ComponentInputs in;
    in.order = c.filterOrder + 1;
    in.filter = c.filter;
    in.chargePump = c.chargePump;
    in.poleKind = poles;
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

// Output voltage of the circuit at `f` Hz for a source of 1 V or 1 A: modified nodal analysis
// with ideal op-amps (inputs held equal, output current free).
Cplx circuitResponse(const FilterCircuit& c, const ComponentInputs& in, double f) {
    const auto values = CalcComponentValues(in);
    std::map<std::string, int> index;
    for (const auto& p : c.parts) {
        for (const auto& n : p.nodes) {
            if (n != c.ground && !index.count(n)) {
                const int i = static_cast<int>(index.size());
                index[n] = i;
            }
        }
    }
    int unknowns = static_cast<int>(index.size());
    for (const auto& p : c.parts) {
        unknowns += p.kind == PartKind::OpAmp || p.kind == PartKind::VoltageSource;
    }
    std::vector<std::vector<Cplx>> a(unknowns, std::vector<Cplx>(unknowns + 1));
    auto node = [&](const std::string& n) { return n == c.ground ? -1 : index.at(n); };
    auto add = [&](int r, int col, Cplx v) {
        if (r >= 0 && col >= 0) {
            a[r][col] += v;
        }
    };
    const double w = 2 * std::numbers::pi * f;
    int extra = static_cast<int>(index.size());
    for (const auto& p : c.parts) {
        switch (p.kind) {
        case PartKind::Resistor:
        case PartKind::Capacitor: {
            const auto v = partValue(p, in, values);
            EXPECT_TRUE(v.has_value()) << p.name;
            const Cplx y = p.kind == PartKind::Resistor ? Cplx(1.0 / v.value_or(1))
                                                        : Cplx(0, w * v.value_or(1));
            const int x = node(p.nodes[0]), z = node(p.nodes[1]);
            add(x, x, y), add(z, z, y), add(x, z, -y), add(z, x, -y);
            break;
        }
        case PartKind::CurrentSource:
            add(node(p.nodes[0]), unknowns, 1.0), add(node(p.nodes[1]), unknowns, -1.0);
            break;
        case PartKind::VoltageSource:
            add(node(p.nodes[0]), extra, 1), add(node(p.nodes[1]), extra, -1);
            add(extra, node(p.nodes[0]), 1), add(extra, node(p.nodes[1]), -1);
            a[extra++][unknowns] = 1;
            break;
        case PartKind::OpAmp:
            add(node(p.nodes[2]), extra, 1);
            add(extra, node(p.nodes[0]), 1), add(extra, node(p.nodes[1]), -1);
            ++extra;
            break;
        }
    }
    for (int col = 0; col < unknowns; ++col) {
        int pivot = col;
        for (int r = col + 1; r < unknowns; ++r) {
            if (std::abs(a[r][col]) > std::abs(a[pivot][col])) {
                pivot = r;
            }
        }
        std::swap(a[col], a[pivot]);
        EXPECT_GT(std::abs(a[col][col]), 0.0) << c.file << ": singular at unknown " << col;
        for (int r = 0; r < unknowns; ++r) {
            if (r != col && a[col][col] != 0.0) {
                const Cplx k = a[r][col] / a[col][col];
                for (int k2 = col; k2 <= unknowns; ++k2) {
                    a[r][k2] -= k * a[col][k2];
                }
            }
        }
    }
    const int out = index.at(c.output);
    return a[out][unknowns] / a[out][out];
}

// The filter function the loop model uses: G with unit detector, pump and oscillator gains,
// times jω (the oscillator's integration taken out).
Cplx modelResponse(const FilterCircuit& c, const ComponentInputs& in, PoleKind poles, double f) {
    FilterDesignState s;
    s.tau1 = in.tau1, s.tau2 = in.tau2, s.tau3 = in.tau3, s.tau4 = in.tau4, s.tau5 = in.tau5;
    s.Ka = c.filter == LoopFilter::ActiveLL ? in.Ka : 1.0F;
    s.Kd = s.Kp = s.K0 = 1;
    s.fs = in.fs;
    s.zeta2 = in.zeta;
    s.C1 = in.C1;
    const auto g = EvaluateLoop(s, configFor(c, poles), static_cast<float>(f)).openLoop;
    return Cplx(g.re, g.im) * Cplx(0, 2 * std::numbers::pi * f);
}

std::set<std::string> valuedRows(const FilterCircuit& c) {
    std::set<std::string> rows;
    for (const auto& p : c.parts) {
        if (p.kind == PartKind::Resistor || p.kind == PartKind::Capacitor) {
            rows.insert(p.row);
            EXPECT_EQ(p.row.rfind("stSchema" + p.designator, 0), 0U) << p.name;
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
    for (const auto& [object, visible] : layout.byObjectName()) {
        if (visible && object.rfind("stSchema", 0) == 0) {
            shown.insert(object);
        }
    }
    std::set<std::string> computed{"stSchemaC1"};
    const auto values = CalcComponentValues(designInputs(c, PoleKind::Complex));
    for (const auto& v : values) {
        const std::string field = componentFieldName(v.component);
        computed.insert(field.substr(0, field.size() - 3));
    }
    if (hasSection2(c.filterOrder + 1, c.filter)) {
        computed.insert("stSchemaC4");
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

// The circuit, solved as a network, gives the filter function of the loop model: this ties the
// drawing's circuit to the component formulas and to the transfer model.
TEST_P(FilterCircuits, NetworkRealisesTheLoopModelsFilter) {
    const auto& c = GetParam();
    const double tolerance = 2e-4;
    for (const auto poles : {PoleKind::Real, PoleKind::Complex}) {
        const auto in = designInputs(c, poles);
        for (const double f : {100.0, 1000.0, 3000.0, 10000.0, 30000.0}) {
            const Cplx circuit = circuitResponse(c, in, f) * (c.inverting ? -1.0 : 1.0);
            const Cplx model = modelResponse(c, in, poles, f);
            EXPECT_LT(std::abs(circuit - model) / std::abs(model), tolerance)
                << c.file << " at " << f << " Hz: circuit " << circuit << ", model " << model;
        }
    }
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
