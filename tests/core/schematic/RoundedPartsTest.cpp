#include "core/schematic/RoundedParts.h"

#include "../ConfigFlagsSupport.h"
#include "core/base/E24.h"

#include <array>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace loopcraft {
namespace {

struct DesignCase {
    int order;
    LoopFilter filter;
    bool chargePump;
    PoleKind poles;
};

ParameterSet paramsFor(const DesignCase& c) {
    ParameterSet p;
    test::selectMixedSignal(p, c.order, c.filter, c.chargePump, c.poles);
    return p;
}

void set(ParameterSet& p, TextId id, const char* text) {
    ASSERT_TRUE(p.setEntry(id, text)) << text;
}

// Time constants whose parts all lie on the E24 series with C1 = C4 = 10 nF: R1 47k, R2 3.0k
// (15k behind the active lead-lag's C2 = 2 nF), C3 1 nF (200 pF), the passive stages 15k and
// 75k with 1 nF each, and section 2 with ωn = 50000/s and ζ = 1: C5 20 nF, R4 2.0k, R5 1.0k.
ParameterSet exactDesign(const DesignCase& c) {
    ParameterSet p = paramsFor(c);
    set(p, TextId::SchemaC1Val, "10");
    set(p, TextId::SchemaC4Val, "10");
    set(p, TextId::FiltDesignTau1, "0.00047");
    set(p, TextId::FiltDesignTau2, "0.00003");
    set(p, TextId::FiltDesignTau3, "0.000003");
    set(p, TextId::FiltDesignKa, "5");
    const bool passive = c.filter == LoopFilter::PassiveLL;
    set(p, TextId::FiltDesignTau4, passive ? "0.000015" : "0.00002");
    set(p, TextId::FiltDesignTau5, passive ? "0.000075" : "0.00002");
    set(p, TextId::FiltDesignfs, "7957.747");
    set(p, TextId::FiltDesignzeta, "1");
    return p;
}

class ExactE24Design : public ::testing::TestWithParam<DesignCase> {};

// Parts already on the series give back the designed time constants through the circuit's
// relations, so both sets of figures agree: a part mapped to the wrong time constant shows here.
TEST_P(ExactE24Design, RoundedPartsGiveTheDesignedFigures) {
    ParameterSet params = exactDesign(GetParam());
    const Configuration config = Configuration::fromFlags(params);
    const ComponentCalculation calc =
        CalculateComponentValues(params, config, CapacitorEntries::fromParameters(params));
    ASSERT_FALSE(calc.error);
    for (const ComponentValue& v : calc.values) {
        ASSERT_NEAR(roundToE24(v.value).value_or(0), v.value, 1e-4 * v.value)
            << componentName(v.component);
    }
    const RoundedPartsCheck check =
        CheckRoundedParts(params, config, componentInputs(params, config, 3, 3), calc.values);
    ASSERT_TRUE(check.designed);
    ASSERT_TRUE(check.rounded);
    EXPECT_NEAR(check.rounded->f3db, check.designed->f3db, 2e-3 * check.designed->f3db);
    EXPECT_NEAR(check.rounded->phaseMarginDeg, check.designed->phaseMarginDeg, 0.05);
    EXPECT_NEAR(check.rounded->zeta, check.designed->zeta, 1e-3 * check.designed->zeta);
}

std::vector<DesignCase> everyFilter() {
    std::vector<DesignCase> cases;
    for (int order = 2; order <= 5; ++order) {
        for (LoopFilter f : {LoopFilter::PassiveLL, LoopFilter::ActiveLL, LoopFilter::ActivePI}) {
            for (bool cp : {false, true}) {
                cases.push_back({order, f, cp, PoleKind::Real});
                if (hasSection2(order, f)) {
                    cases.push_back({order, f, cp, PoleKind::Complex});
                }
            }
        }
    }
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<DesignCase>& info) {
    const DesignCase& c = info.param;
    const std::array<const char*, 3> filters{"PassiveLL", "ActiveLL", "ActivePI"};
    return std::string(filters[static_cast<std::size_t>(c.filter)]) + "Order" +
           std::to_string(c.order) + (c.chargePump ? "_I" : "_U") +
           (c.poles == PoleKind::Real ? "" : "_ComplexPoles");
}

INSTANTIATE_TEST_SUITE_P(EveryFilter, ExactE24Design, ::testing::ValuesIn(everyFilter()), caseName);

LoopUnderTest roundedLoopOf(ParameterSet& params) {
    const Configuration config = Configuration::fromFlags(params);
    const ComponentCalculation calc =
        CalculateComponentValues(params, config, CapacitorEntries::fromParameters(params));
    const ComponentInputs in = componentInputs(params, config, 3, 3);
    const LoopUnderTest designed{FilterDesignState::fromParameters(params, config), config};
    return roundedPartsLoop(designed, in, calc.values).value_or(designed);
}

// τ1 = 500 µs and τ2 = 50 µs with 10 nF are bought as 51k and 5.1k: 510 µs and 51 µs.
TEST(RoundedParts, TimeConstantsComeBackFromTheRoundedParts) {
    ParameterSet passive = paramsFor({2, LoopFilter::PassiveLL, false, PoleKind::Real});
    const LoopUnderTest p = roundedLoopOf(passive);
    EXPECT_FLOAT_EQ(p.state.tau1, 510e-6F);
    EXPECT_FLOAT_EQ(p.state.tau2, 51e-6F);

    // Ka = 4.5 asks for C2 = 2.22 nF; with 2.2 nF the gain is C1/C2 = 4.545 and τ2 = R2·C2.
    ParameterSet active = paramsFor({2, LoopFilter::ActiveLL, false, PoleKind::Real});
    set(active, TextId::FiltDesignKa, "4.5");
    const LoopUnderTest a = roundedLoopOf(active);
    EXPECT_FLOAT_EQ(a.state.Ka, 10e-9F / 2.2e-9F);
    EXPECT_FLOAT_EQ(a.state.tau2, 22e3F * 2.2e-9F); // 50 µs / 2.22 nF = 22.5k -> 22k

    // The default real poles of 1 µs with C4 = 10 nF: C5 = 20 nF, R4 = 100 Ω, R5 = 51 Ω.
    ParameterSet pi = paramsFor({4, LoopFilter::ActivePI, true, PoleKind::Real});
    const LoopUnderTest s = roundedLoopOf(pi);
    const double omegaN = 1.0 / std::sqrt(100.0 * 51.0 * 10e-9 * 20e-9);
    EXPECT_EQ(s.config.poleKind, PoleKind::Complex);
    EXPECT_NEAR(s.state.fs, omegaN / 6.283185307179586, 1e-3);
    EXPECT_NEAR(s.state.zeta2, omegaN * 100.0 * 10e-9, 1e-6);
}

TEST(RoundedParts, RoundingMovesTheFiguresAndAPartOffTheSeriesGivesNone) {
    ParameterSet params = paramsFor({3, LoopFilter::PassiveLL, false, PoleKind::Real});
    const Configuration config = Configuration::fromFlags(params);
    auto check = [&] {
        const ComponentCalculation calc =
            CalculateComponentValues(params, config, CapacitorEntries::fromParameters(params));
        return CheckRoundedParts(params, config, componentInputs(params, config, 3, 3),
                                 calc.values);
    };
    const RoundedPartsCheck moved = check();
    ASSERT_TRUE(moved.designed && moved.rounded);
    EXPECT_NE(moved.rounded->f3db, moved.designed->f3db);
    EXPECT_NEAR(moved.rounded->f3db, moved.designed->f3db, 0.1 * moved.designed->f3db);

    set(params, TextId::FiltDesignTau3, "0"); // C3 = 0 has no series value
    const RoundedPartsCheck none = check();
    EXPECT_TRUE(none.designed);
    EXPECT_FALSE(none.rounded);
    const auto rows = partsFigureRows(none);
    ASSERT_EQ(rows.size(), 3U);
    EXPECT_EQ(rows[0].name, "f3db");
    EXPECT_TRUE(rows[0].designed.ends_with(" Hz"));
    EXPECT_EQ(rows[0].rounded, "-");
}

} // namespace
} // namespace loopcraft
