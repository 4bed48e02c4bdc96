#include "core/schematic/SchematicSession.h"

#include <gtest/gtest.h>

namespace loopcraft {

void PrintTo(const SchematicRow& r, std::ostream* os) {
    *os << r.section << ' ' << r.caption << ' ' << r.key << " \"" << r.value << '"';
}

namespace {

ParameterSet activePIOrder4ChargePump() {
    ParameterSet p;
    p.selectFlag(FlagId::rbConfigPLLOrder4);
    p.selectFlag(FlagId::rbConfigActivePI);
    p.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    return p;
}

TEST(SchematicSession, ShowLaysOutTheRowsWithTheirValuesAndFigures) {
    ParameterSet params = activePIOrder4ChargePump();
    params.setEntry(TextId::SchemaC1Val, "22");
    SchematicSession session(params);
    EXPECT_FALSE(session.shown());
    EXPECT_EQ(session.valueText(Component::R2), kBlankValueText);

    const SchematicOutcome o = session.ShowSchematic();
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(session.layout().file, "ActivePI3_I.wmf");
    const std::vector<SchematicRow> expected{
        {1, "C1", "C1", TextId::SchemaC1Val, "22 nF"},
        {1, "R2", "R2", std::nullopt, "2.4 kOhm"}, // 50 µs / 22 nF
        {2, "C4", "C4", TextId::SchemaC4Val, "10 nF"},
        {2, "C5", "C5", std::nullopt, session.valueText(Component::C5)},
        {2, "R4", "R4", std::nullopt, session.valueText(Component::R4)},
        {2, "R5", "R5", std::nullopt, session.valueText(Component::R5)}};
    EXPECT_EQ(session.rows(), expected);
    EXPECT_EQ(session.valueText(Component::C5), "39.0 nF"); // 2 C4 / 0.707²
    EXPECT_TRUE(session.check().designed);
    EXPECT_TRUE(session.check().rounded);
}

// A refused entry changes no value field; each read number is stored with its unit, C4's only
// where section 2 exists.
TEST(SchematicSession, CalculateAndDoneReadCheckAndKeepUnitsWithNumbers) {
    ParameterSet params = activePIOrder4ChargePump();
    SchematicSession session(params);
    ASSERT_TRUE(session.ShowSchematic().ok);
    const std::string r2 = session.valueText(Component::R2);

    session.entries() = {"0.022", 2, "0", 4};
    SchematicOutcome o = session.Calculate();
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->text, "C4 must be positive");
    EXPECT_EQ(o.message->field, TextId::SchemaC4Val);
    EXPECT_EQ(session.valueText(Component::R2), r2);
    EXPECT_EQ(params.text(TextId::SchemaC1Val), "0.022");
    EXPECT_EQ(params.SchemaC1Unit, 2);
    EXPECT_EQ(params.SchemaC4Unit, 4);

    session.entries().c1Text = "1e";
    o = session.Done();
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.message->title, kFormatErrorTitle);
    EXPECT_TRUE(o.message->selectAll);

    session.entries() = {"22", 3, "10", 3};
    EXPECT_TRUE(session.Done().ok);
    EXPECT_EQ(params.text(TextId::SchemaC1Val), "22");
    EXPECT_EQ(params.SchemaC1Unit, 3);

    params.selectFlag(FlagId::rbConfigPLLOrder3); // no section 2: C4 is neither read nor stored
    ASSERT_TRUE(session.ShowSchematic().ok);
    session.entries() = {"22", 3, "x", 1};
    EXPECT_TRUE(session.Calculate().ok);
    EXPECT_EQ(params.SchemaC4Unit, 3);
}

TEST(SchematicSession, OrderOneAndAllDigitalLoopsHaveNoFilter) {
    for (FlagId flag : {FlagId::rbConfigPLLOrder1, FlagId::rbConfigADPLL}) {
        ParameterSet params;
        params.selectFlag(flag);
        SchematicSession session(params);
        EXPECT_TRUE(session.ShowSchematic().ok);
        EXPECT_EQ(session.layout().title, "No filter");
        EXPECT_TRUE(session.layout().file.empty());
        EXPECT_TRUE(session.rows().empty());
        EXPECT_FALSE(session.check().designed);
    }
}

} // namespace
} // namespace loopcraft
