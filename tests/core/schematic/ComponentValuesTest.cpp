#include "core/schematic/ComponentValues.h"

#include "core/schematic/SchematicLayout.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <map>
#include <string>
#include <tuple>
#include <utility>

namespace loopcraft {
namespace {

std::map<std::string, float> valuesByName(const std::vector<ComponentValue>& values) {
    std::map<std::string, float> out;
    for (const auto& v : values) {
        out[componentName(v.component)] = v.value;
    }
    return out;
}

std::map<std::string, std::string> textsByName(const std::vector<ComponentValue>& values) {
    std::map<std::string, std::string> out;
    for (const auto& v : values) {
        out[componentName(v.component)] = v.text;
    }
    return out;
}

ComponentInputs baseInputs(int order, LoopFilter filter, bool chargePump = false) {
    ComponentInputs in;
    in.order = order;
    in.filter = filter;
    in.chargePump = chargePump;
    in.tau1 = 500e-6F;
    in.tau2 = 50e-6F;
    in.tau3 = 5e-6F;
    in.tau4 = 2e-6F;
    in.tau5 = 1e-6F;
    in.Ka = 5;
    in.fs = 20000;
    in.zeta = 0.707F;
    in.C1 = 10e-9F;
    in.C4 = 10e-9F;
    return in;
}

struct FormatCase {
    ComponentKind kind;
    float value;
    const char* text;
};

class FormatComponent : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatComponent, RoundsAndPicksUnit) {
    EXPECT_EQ(FormatComponentValue(GetParam().kind, GetParam().value), GetParam().text);
}

constexpr auto R = ComponentKind::Resistor;
constexpr auto C = ComponentKind::Capacitor;

INSTANTIATE_TEST_SUITE_P(
    Values, FormatComponent,
    ::testing::Values(FormatCase{R, 50000, "51.0 kOhm"}, FormatCase{R, 5000, "5.1 kOhm"},
                      FormatCase{R, 470, "470.0 Ohm"}, FormatCase{R, 3.3e6F, "3.3 MOhm"},
                      FormatCase{R, 2.2e9F, "2.2 GOhm"}, FormatCase{R, 5e13F, "5.10E+04 GOhm"},
                      FormatCase{R, 1e12F, "1.00E+03 GOhm"}, // never past the last unit
                      FormatCase{R, 980, "1.00E+03 Ohm"},    // 1000 is not above 1000
                      FormatCase{R, 1.0F, "1.0 Ohm"}, FormatCase{C, 0.8e-9F, "820.0 pF"},
                      FormatCase{C, 4.7e-6F, "4.7 uF"}, FormatCase{C, 33e-9F, "33.0 nF"},
                      FormatCase{C, 1e-10F, "100.0 pF"}, FormatCase{C, 0.047F, "47.0 mF"},
                      FormatCase{C, 3.0F, "3.0 F"},
                      // no series value: a dash, never a hang
                      FormatCase{R, 0, "-"}, FormatCase{C, -1e-9F, "-"},
                      FormatCase{R, std::numeric_limits<float>::infinity(), "-"},
                      FormatCase{C, std::numeric_limits<float>::quiet_NaN(), "-"}));

TEST(ComponentValues, ActiveLeadLagR2UsesC2) {
    const auto values = CalcComponentValues(baseInputs(2, LoopFilter::ActiveLL));
    const auto v = valuesByName(values);
    EXPECT_FLOAT_EQ(v.at("C2"), 2e-9F);
    EXPECT_FLOAT_EQ(v.at("R2"), 25000.0F);
    EXPECT_FLOAT_EQ(v.at("R1"), 50000.0F);
    EXPECT_EQ(textsByName(values).at("C2"), "2.0 nF");
}

TEST(ComponentValues, PassiveStagesEachFiveTimesThePrevious) {
    const auto v = valuesByName(CalcComponentValues(baseInputs(5, LoopFilter::PassiveLL)));
    EXPECT_FLOAT_EQ(v.at("R2"), 5000.0F);
    EXPECT_FLOAT_EQ(v.at("C3"), 5e-6F / 5000.0F);
    EXPECT_FLOAT_EQ(v.at("R4_1"), 25000.0F);
    EXPECT_FLOAT_EQ(v.at("C4_1"), 2e-6F / 25000.0F);
    EXPECT_FLOAT_EQ(v.at("R5_1"), 125000.0F);
    EXPECT_FLOAT_EQ(v.at("C5_1"), 1e-6F / 125000.0F);
    EXPECT_EQ(v.count("R4"), 0U);
}

TEST(ComponentValues, Section2RealPolesOfEqualTimeConstants) {
    auto in = baseInputs(4, LoopFilter::ActivePI, true);
    in.poleKind = PoleKind::Real;
    in.tau4 = in.tau5 = 4e-6F;
    const auto v = valuesByName(CalcComponentValues(in));
    // Equal real poles: zeta = 1, omegaN = 1/tau4 = 250000/s.
    EXPECT_FLOAT_EQ(v.at("C5"), 20e-9F);
    EXPECT_FLOAT_EQ(v.at("R4"), 400.0F);
    EXPECT_FLOAT_EQ(v.at("R5"), 200.0F);
    EXPECT_EQ(v.count("C3"), 0U);
}

TEST(ComponentValues, Section2ComplexPolesUseFsAndZeta) {
    auto in = baseInputs(5, LoopFilter::ActiveLL);
    in.poleKind = PoleKind::Complex;
    const auto v = valuesByName(CalcComponentValues(in));
    // fs = 20 kHz, zeta = 0.707, C4 = 10 nF.
    EXPECT_NEAR(v.at("C5"), 40.012e-9, 1e-12);
    EXPECT_NEAR(v.at("R4"), 562.61, 0.01);
    EXPECT_EQ(v.count("C3"), 1U);
}

TEST(ComponentValues, ZeroTimeConstantShowsDashWithoutHanging) {
    auto in = baseInputs(4, LoopFilter::ActivePI);
    in.poleKind = PoleKind::Real;
    in.tau1 = 0;
    in.tau4 = 0;
    const auto texts = textsByName(CalcComponentValues(in));
    EXPECT_EQ(texts.at("R1"), "-");
    EXPECT_EQ(texts.at("R4"), "-");
    EXPECT_EQ(texts.at("C5"), "-");
}

// Drawing file and shown rows per configuration are tied to the circuits in FilterCircuitTest;
// here the title's wording, one row per order word and filter kind.
TEST(ComponentValues, LayoutTitleNamesOrderAndFilter) {
    const std::tuple<int, LoopFilter, const char*> titles[] = {
        {2, LoopFilter::PassiveLL, "First-order passive lead-lag filter"},
        {3, LoopFilter::ActiveLL, "Second-order active lead-lag filter"},
        {4, LoopFilter::ActivePI, "Third-order active PI filter"},
        {5, LoopFilter::PassiveLL, "Fourth-order passive lead-lag filter"}};
    for (const auto& [order, filter, title] : titles) {
        for (const Detector d : {Detector::JK, Detector::PFD_CP}) {
            EXPECT_EQ(
                SchematicLayoutFor(Configuration{.order = order, .detector = d, .filter = filter})
                    .title,
                title);
        }
    }
}

Configuration configOf(int order, LoopFilter filter, Detector detector = Detector::Exor) {
    Configuration c;
    c.order = order;
    c.filter = filter;
    c.detector = detector;
    return c;
}

TEST(CapacitorEntries, SameCapacitanceInAnotherUnitGivesSameComponents) {
    ParameterSet a;
    ParameterSet b;
    const auto config = configOf(3, LoopFilter::PassiveLL);
    const auto inNf = CalculateComponentValues(a, config, {"10", 3, "10", 3});
    const auto inUf = CalculateComponentValues(b, config, {"0.01", 2, "10", 3});
    ASSERT_FALSE(inNf.error);
    ASSERT_FALSE(inUf.error);
    EXPECT_EQ(textsByName(inNf.values), textsByName(inUf.values));
    EXPECT_EQ(b.text(TextId::SchemaC1Val), "0.01");
}

// C1 is checked first, then C4 where section 2 exists; a refused entry computes nothing.
TEST(CapacitorEntries, RefusedEntriesGiveTitleMessageAndFocus) {
    struct Case {
        int order;
        LoopFilter filter;
        const char *c1, *c4, *title, *message;
        TextId focus;
    };
    const Case cases[] = {{4, LoopFilter::ActivePI, "0", "-1", "Illegal entry",
                           "C1 must be positive", TextId::SchemaC1Val},
                          {5, LoopFilter::ActiveLL, "10", "-1", "Illegal entry",
                           "C4 must be positive", TextId::SchemaC4Val},
                          {4, LoopFilter::ActiveLL, "10", "1,5", "Format error",
                           kInvalidFloatMessage, TextId::SchemaC4Val}};
    for (const Case& c : cases) {
        ParameterSet params;
        const auto r =
            CalculateComponentValues(params, configOf(c.order, c.filter), {c.c1, 3, c.c4, 3});
        ASSERT_TRUE(r.error) << c.message;
        EXPECT_EQ(r.error->title, c.title);
        EXPECT_EQ(r.error->text, c.message);
        EXPECT_EQ(r.error->field, c.focus);
        EXPECT_TRUE(r.values.empty());
    }
}

} // namespace
} // namespace loopcraft
