// The design window's operations without widgets: worked examples, texts written back,
// messages and focus, and what a stopped operation leaves alone.
#include "core/design/DesignSession.h"

#include "core/design/LoopFigures.h"
#include "core/schematic/RoundedParts.h"
#include "core/schematic/SchematicSession.h"

#include <gtest/gtest.h>
#include <limits>
#include <memory>
#include <string>

namespace loopcraft {
namespace {

class DesignSessionTest : public testing::Test {
protected:
    ParameterSet params;

    std::unique_ptr<DesignSession> session;

    // A session on the current parameters with its window prepared.
    DesignSession& open() {
        session = std::make_unique<DesignSession>(params);
        session->PrepareDesignWindow();
        return *session;
    }
};

TEST_F(DesignSessionTest, OpeningWithDefaultsShowsTheLoopFigures) {
    DesignSession d(params);
    const DesignOutcome o = d.PrepareDesignWindow();
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(d.window().entry(DesignField::LDPLLf3db).substr(0, 3), "470");
    EXPECT_EQ(params.text(TextId::FiltDesignLDPLLf3db), d.window().entry(DesignField::LDPLLf3db));
    EXPECT_EQ(d.window().phaseMarginCaption, "51.1");
    EXPECT_EQ(d.window().zetaCaption, "0.486");
    EXPECT_EQ(d.window().memo1, "PLL type: Mixed Signal\r\nPD type: Exor\r\nLF type: passive "
                                "lead-lag\r\nOscillator type: VCO\r\n");
    EXPECT_EQ(d.window().memo2, "Center frequency: 100000.0 Hz\r\nPLL order: 2\r\n");
}

TEST_F(DesignSessionTest, FiveKilohertzDesignWritesTheTimeConstants) {
    DesignSession& d = open();
    d.window().entry(DesignField::LDPLLf3db) = "5000";
    const DesignOutcome o = d.CalcFilterParams();
    ASSERT_TRUE(o.ok);
    EXPECT_FALSE(o.message);
    EXPECT_EQ(d.window().entry(DesignField::Tau1), "0.000462000");
    EXPECT_EQ(d.window().entry(DesignField::Tau2), "0.000055900");
    EXPECT_NEAR(params.FiltDesignTau1, 0.000462, 5e-7);
    // Untouched by this configuration, yet written back in their formats.
    EXPECT_EQ(d.window().entry(DesignField::Ka), "10.00");
    EXPECT_EQ(d.window().entry(DesignField::Tau3), "0.000005000");
    EXPECT_EQ(d.window().entry(DesignField::zeta), "0.707");
    EXPECT_EQ(d.window().entry(DesignField::C1), "10.0");
    // The request itself is not rewritten.
    EXPECT_EQ(d.window().entry(DesignField::LDPLLf3db), "5000");
    EXPECT_NEAR(*o.figures.f3db, 5005.0, 1.0);
}

TEST_F(DesignSessionTest, RequestAboveTheMaximumWarnsAndChangesNothing) {
    DesignSession& d = open();
    d.window().entry(DesignField::LDPLLf3db) = "30000";
    const DesignWindowModel before = d.window();
    const DesignOutcome o = d.CalcFilterParams();
    EXPECT_FALSE(o.ok);
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->title, "Warning");
    EXPECT_EQ(o.message->text.rfind("Maximum f3db frequency with this PLL is 26343.5 Hz.\r\n", 0),
              0U);
    EXPECT_EQ(o.message->field, TextId::FiltDesignLDPLLf3db);
    EXPECT_EQ(d.window().entries, before.entries);
    EXPECT_EQ(params.text(TextId::FiltDesignTau1), "0.000500");
}

TEST_F(DesignSessionTest, RequestEqualToTheMaximumIsDesigned) {
    DesignSession& d = open();
    d.state().K0 = static_cast<float>(26000.0 * 6.283185307179586 / d.state().Kd);
    d.window().entry(DesignField::LDPLLf3db) = "26000";
    const DesignOutcome o = d.CalcFilterParams();
    EXPECT_FALSE(o.message && o.message->title == "Warning") << o.message->text;
}

TEST_F(DesignSessionTest, ChargePumpActiveLeadLagAlwaysUsesGainTen) {
    params.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    params.selectFlag(FlagId::rbConfigActiveLL);
    params.selectFlag(FlagId::rbConfigPLLOrder3);
    DesignSession& d = open();
    d.window().entry(DesignField::Ka) = "3";
    const DesignOutcome o = d.CalcFilterParams();
    ASSERT_TRUE(o.ok) << o.message->text;
    EXPECT_EQ(d.window().entry(DesignField::Ka), "10.00");
    EXPECT_TRUE(o.c1UnitWritten);
    // The designed C1 is normalised into its unit and rounded to the series.
    const float c1 = params.SchemaC1Val;
    EXPECT_GE(c1, 1.0F);
    EXPECT_LE(c1, 10.0F * 100.0F);
    EXPECT_EQ(params.text(TextId::SchemaC1Unit), std::to_string(d.window().c1Unit));
}

TEST_F(DesignSessionTest, EnteredC1IsRoundedEvenWithoutTheChargePump) {
    DesignSession& d = open();
    d.window().entry(DesignField::C1) = "0.05";
    d.window().c1Unit = 0;
    ASSERT_TRUE(d.CalcFilterParams().ok);
    EXPECT_EQ(d.window().entry(DesignField::C1), "51.0");
    EXPECT_EQ(d.window().c1Unit, 1);
    EXPECT_FLOAT_EQ(params.SchemaC1Val, 51.0F);
    EXPECT_EQ(params.SchemaC1Unit, 1);
}

TEST_F(DesignSessionTest, ComplexPolesLeaveTau4AndTau5ButWriteThemBack) {
    params.selectFlag(FlagId::rbConfigActivePI);
    params.selectFlag(FlagId::rbConfigPLLOrder4);
    DesignSession& d = open();
    d.window().entry(DesignField::Tau4) = "0.0000031";
    d.window().poleKind = PoleKind::Complex;
    const DesignOutcome o = d.CalcFilterParams();
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(d.window().entry(DesignField::Tau4), "0.000003100");
    EXPECT_EQ(d.window().entry(DesignField::zeta), "0.707");
    EXPECT_EQ(params.rbFiltDesignComplexPoles, 1);
    EXPECT_EQ(params.rbFiltDesignRealPoles, 0);
}

TEST_F(DesignSessionTest, ReadFailureKeepsEarlierFieldsAndFocusesTheEntry) {
    DesignSession& d = open();
    d.window().entry(DesignField::Ka) = "12";
    d.window().entry(DesignField::Tau2) = "0.0.1";
    d.window().entry(DesignField::Tau3) = "0.00001";
    const DesignOutcome o = d.CalcFilterParams();
    EXPECT_FALSE(o.ok);
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->title, "Format error");
    EXPECT_EQ(o.message->text, "Invalid floating format");
    EXPECT_EQ(o.message->field, TextId::FiltDesignTau2);
    EXPECT_TRUE(o.message->selectAll);
    EXPECT_EQ(params.text(TextId::FiltDesignKa), "12");
    EXPECT_EQ(params.text(TextId::FiltDesignTau3), "0.000005");
}

TEST_F(DesignSessionTest, HiddenTau3StillStopsOrderTwo) {
    DesignSession& d = open();
    d.window().entry(DesignField::Tau3) = "0";
    const DesignOutcome o = d.CalcFrequencyParams();
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->title, "Illegal entry");
    EXPECT_EQ(o.message->text, "Tau3 must be positive");
    EXPECT_EQ(o.message->field, TextId::FiltDesignTau3);
}

TEST_F(DesignSessionTest, LoopWithoutCrossingReportsAndChangesNothing) {
    params.selectFlag(FlagId::rbConfigActivePI);
    ASSERT_TRUE(params.setEntry(TextId::ConfigK0, "0"));
    DesignSession d(params);
    DesignOutcome o = d.PrepareDesignWindow();
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->text, "no crossing found");
    EXPECT_EQ(d.window().entry(DesignField::LDPLLf3db), "5000");
    EXPECT_EQ(d.window().phaseMarginCaption, "(alpha)");
    const DesignWindowModel before = d.window();
    o = d.CalcFilterParams();
    EXPECT_FALSE(o.ok);
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->text, "no crossing found");
    EXPECT_EQ(d.window().entries, before.entries);
    EXPECT_FLOAT_EQ(d.state().tau1, 0.0005F);
}

TEST_F(DesignSessionTest, AdpllFiguresAndCap) {
    params.selectFlag(FlagId::rbConfigADPLL);
    DesignSession d(params);
    ASSERT_TRUE(d.PrepareDesignWindow().ok);
    EXPECT_EQ(d.window().entry(DesignField::ADPLLfH), "25000.0");
    EXPECT_EQ(params.text(TextId::FiltDesignADPLLfH), "25000.0");
    EXPECT_EQ(d.window().adpllF3dbCaption, "15915.5");
    d.window().entry(DesignField::M) = "128";
    d.CalcAdpllFrequencyParams();
    EXPECT_EQ(d.window().entry(DesignField::ADPLLfH), "33333.3"); // capped at f0/3
    params.selectFlag(FlagId::rbConfigADPLLJK);
    d.window().entry(DesignField::M) = "64";
    d.CalcAdpllFrequencyParams();
    EXPECT_EQ(d.window().adpllF3dbCaption, "7957.7");
}

TEST_F(DesignSessionTest, AdpllParamsFillTheEntriesOnlyAndRefuseUnreachableRanges) {
    params.selectFlag(FlagId::rbConfigADPLL);
    DesignSession& d = open();
    d.window().entry(DesignField::ADPLLfH) = "25001";
    d.window().entry(DesignField::K) = "32";
    d.window().entry(DesignField::N) = "4";
    const DesignOutcome o = d.CalcAdpllParams();
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(d.window().entry(DesignField::M), "65");
    EXPECT_EQ(d.window().entry(DesignField::K), "8");
    EXPECT_EQ(d.window().entry(DesignField::N), "16");
    EXPECT_EQ(d.window().entry(DesignField::ADPLLfH), "25001.0");
    EXPECT_EQ(params.FiltDesignM, 64); // reaches the set only when next read
    EXPECT_EQ(params.FiltDesignK, 32);
    ASSERT_TRUE(d.Done().ok);
    EXPECT_EQ(params.FiltDesignM, 65);
    EXPECT_EQ(params.text(TextId::FiltDesignK), "8");

    d.window().entry(DesignField::ADPLLfH) = "1e30"; // no counter reaches it
    const DesignOutcome refused = d.CalcAdpllParams();
    EXPECT_FALSE(refused.ok);
    ASSERT_TRUE(refused.message);
    EXPECT_EQ(refused.message->field, TextId::FiltDesignADPLLfH);
    EXPECT_EQ(d.window().entry(DesignField::M), "65");
}

} // namespace
} // namespace loopcraft

namespace loopcraft {
namespace {

// Stale section-2 poles at 5 kHz under a loop designed for 5 kHz leave it with a negative phase
// margin: the design window and the schematic's figures say "unstable" beside the margin; a
// loop with a positive margin gets no mark.
TEST_F(DesignSessionTest, NegativePhaseMarginIsMarkedUnstable) {
    EXPECT_TRUE(IsUnstable(0.0F));
    EXPECT_TRUE(IsUnstable(-0.1F));
    EXPECT_TRUE(IsUnstable(std::numeric_limits<float>::quiet_NaN()));
    EXPECT_FALSE(IsUnstable(0.01F));

    params.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    params.selectFlag(FlagId::rbConfigActivePI);
    params.selectFlag(FlagId::rbConfigPLLOrder4);
    ASSERT_TRUE(params.setEntry(TextId::FiltDesignfs, "5000"));
    EXPECT_EQ(open().window().phaseMarginCaption, "-53.1 (unstable)");
    SchematicSession schematic(params);
    ASSERT_TRUE(schematic.ShowSchematic().ok);
    const std::vector<PartsFigureRow> rows = partsFigureRows(schematic.check());
    ASSERT_EQ(rows[1].name, "phase margin");
    EXPECT_EQ(rows[1].designed, "-53.1 deg (unstable)");
    EXPECT_TRUE(rows[1].rounded.ends_with(" deg (unstable)")) << rows[1].rounded;

    ASSERT_TRUE(params.setEntry(TextId::FiltDesignfs, "200000"));
    EXPECT_EQ(open().window().phaseMarginCaption.find("unstable"), std::string::npos);
}

// What every command checks before it computes from the stored loop: the configuration first,
// then the design entries, on a copy.
TEST_F(DesignSessionTest, StoredEntriesAreCheckedConfigurationFirstAndLeftAlone) {
    EXPECT_FALSE(DesignSession::CheckStoredEntries(params));
    params.setTextRaw(TextId::FiltDesignTau2, "0x1");
    const ParameterSet before = params;
    std::optional<Message> broken = DesignSession::CheckStoredEntries(params);
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->title, kFormatErrorTitle);
    EXPECT_EQ(params.text(TextId::FiltDesignTau2), before.text(TextId::FiltDesignTau2));
    EXPECT_EQ(params.FiltDesignTau2, before.FiltDesignTau2);
    ASSERT_TRUE(params.setEntry(TextId::ConfigKd, "0"));
    broken = DesignSession::CheckStoredEntries(params);
    ASSERT_TRUE(broken);
    EXPECT_EQ(broken->text, "Kd must be positive");
}

// C1 from the schematic window: the entry and its unit, an unknown unit left as it was.
TEST_F(DesignSessionTest, TakeC1FillsTheEntryForTheNextCalculation) {
    params.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    DesignSession& d = open();
    d.TakeC1("47", 4);
    EXPECT_EQ(d.window().entry(DesignField::C1), "47");
    EXPECT_EQ(d.window().c1Unit, 4);
    d.TakeC1("22", 9);
    EXPECT_EQ(d.window().c1Unit, 4);
    ASSERT_TRUE(d.CalcFrequencyParams().ok);
    EXPECT_EQ(params.text(TextId::SchemaC1Val), "22");
}

} // namespace
} // namespace loopcraft
