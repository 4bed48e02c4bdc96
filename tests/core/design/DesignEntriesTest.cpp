// The design window's validation table, panel rules and configuration description.
#include "core/design/DesignEntries.h"

#include "core/design/DesignPanelRules.h"

#include <gtest/gtest.h>
#include <string>

namespace loopcraft {
namespace {

Configuration mixed(int order, Detector d, LoopFilter f) {
    Configuration c;
    c.order = order;
    c.detector = d;
    c.filter = f;
    return c;
}

Configuration adpll() {
    Configuration c;
    c.category = Category::Adpll;
    return c;
}

struct RuleRow {
    bool adpll;
    TextId field;
    const char* text;
    int code;
    const char* message;
    TextId focus;
};

class DesignValidationTest : public testing::TestWithParam<RuleRow> {};

TEST_P(DesignValidationTest, FirstBrokenRuleGivesItsCodeMessageAndFocus) {
    const RuleRow& row = GetParam();
    ParameterSet p;
    ASSERT_TRUE(p.setEntry(row.field, row.text));
    const Configuration c = row.adpll ? adpll() : mixed(2, Detector::PFD_CP, LoopFilter::PassiveLL);
    const DesignErrorCode code = ValidateDesignEntries(p, c);
    EXPECT_EQ(static_cast<int>(code), row.code);
    if (row.code != 0) {
        const Message m = DesignErrorMessage(code, c);
        EXPECT_EQ(m.title, "Illegal entry");
        EXPECT_EQ(m.text, row.message);
        EXPECT_EQ(m.field, row.focus);
        EXPECT_FALSE(m.silent);
    }
}

using T = TextId;
const char* const kKRange = "K must be integer power of 2 in range 2^3..2^17";
const RuleRow kRules[] = {
    {true, T::FiltDesignADPLLfH, "0", 1, "fH must be positive", TextId::FiltDesignADPLLfH},
    {true, T::FiltDesignM, "-1", 2, "M must be positive", TextId::FiltDesignM},
    {true, T::FiltDesignK, "0", 3, "K must be positive", TextId::FiltDesignK},
    {true, T::FiltDesignK, "4", 14, kKRange, TextId::FiltDesignK},
    {true, T::FiltDesignK, "262144", 14, kKRange, TextId::FiltDesignK},
    {true, T::FiltDesignK, "24", 14, kKRange, TextId::FiltDesignK},
    {true, T::FiltDesignK, "131072", 0, "", {}},
    {true, T::FiltDesignN, "0", 4, "N must be positive", TextId::FiltDesignN},
    // Mixed-signal values do not count in the ADPLL category, and the other way round.
    {true, T::FiltDesignTau1, "0", 0, "", {}},
    {false, T::FiltDesignK, "0", 0, "", {}},
    {false, T::FiltDesignLDPLLf3db, "0", 5, "f3db must be positive", TextId::FiltDesignLDPLLf3db},
    {false, T::FiltDesignKa, "-2", 6, "Ka must be positive", TextId::FiltDesignKa},
    {false, T::FiltDesignTau1, "0", 7, "Tau1 must be positive", TextId::FiltDesignTau1},
    {false, T::FiltDesignTau5, "0", 11, "Tau5 must be positive", TextId::FiltDesignTau5},
    {false, T::FiltDesignfs, "0", 12, "fs must be positive", TextId::FiltDesignfs},
    {false, T::FiltDesignzeta, "0", 13, "zeta must be positive", TextId::FiltDesignzeta},
    {false, T::SchemaC1Val, "0", 15, "C1 must be positive", TextId::SchemaC1Val}};
INSTANTIATE_TEST_SUITE_P(Rules, DesignValidationTest, testing::ValuesIn(kRules));

TEST(DesignValidationOrder, PowerOfTwoRuleComesBeforeN) {
    ParameterSet p;
    ASSERT_TRUE(p.setEntry(TextId::FiltDesignK, "12"));
    ASSERT_TRUE(p.setEntry(TextId::FiltDesignN, "0"));
    EXPECT_EQ(ValidateDesignEntries(p, adpll()), DesignErrorCode::KPowerOfTwo);
    ASSERT_TRUE(p.setEntry(TextId::FiltDesignM, "0"));
    EXPECT_EQ(ValidateDesignEntries(p, adpll()), DesignErrorCode::M);
}

TEST(DesignValidationOrder, C1RuleIsSilentWithoutTheChargePump) {
    ParameterSet p;
    ASSERT_TRUE(p.setEntry(TextId::SchemaC1Val, "0"));
    const Configuration c = mixed(3, Detector::PFD, LoopFilter::ActivePI);
    ASSERT_EQ(ValidateDesignEntries(p, c), DesignErrorCode::C1);
    EXPECT_TRUE(DesignErrorMessage(DesignErrorCode::C1, c).silent);
    ASSERT_TRUE(p.setEntry(TextId::FiltDesignzeta, "0"));
    EXPECT_EQ(ValidateDesignEntries(p, c), DesignErrorCode::zeta);
}

TEST(DesignEntryReading, AdpllReadsItsFourEntriesOnly) {
    ParameterSet p;
    DesignWindowModel w;
    FillDesignEntries(w, p);
    w.entry(DesignField::Tau1) = "garbage";
    w.entry(DesignField::K) = "16";
    w.entry(DesignField::N) = "1.5";
    const auto m = ReadDesignEntries(w, Category::Adpll, p);
    ASSERT_TRUE(m);
    EXPECT_EQ(m->text, "Invalid integer format");
    EXPECT_EQ(m->field, TextId::FiltDesignN);
    EXPECT_EQ(p.FiltDesignK, 16);
}

TEST(DesignEntryReading, PoleKindIsStoredForMixedSignalOnly) {
    ParameterSet p;
    StorePoleKind(p, mixed(4, Detector::Exor, LoopFilter::ActivePI), PoleKind::Real);
    EXPECT_EQ(p.rbFiltDesignRealPoles, 1);
    EXPECT_EQ(p.rbFiltDesignComplexPoles, 0);
    StorePoleKind(p, adpll(), PoleKind::Complex);
    EXPECT_EQ(p.rbFiltDesignRealPoles, 1);
}

// Which entries the window shows per configuration is checked on the window itself.
TEST(DesignConfigurationText, MixedSignalWithScaler) {
    ParameterSet p;
    ASSERT_TRUE(p.setEntry(TextId::ConfigN, "40"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigLDPLLf0, "1234.56"));
    Configuration c = mixed(5, Detector::PFD_CP, LoopFilter::ActivePI);
    c.oscillator = Oscillator::VCOScaler;
    const ConfigurationMemos m = DescribeConfiguration(p, c);
    EXPECT_EQ(m.memo1, "PLL type: Mixed Signal\r\nPD type: PFD with Charge Pump\r\nLF type: "
                       "active PI\r\nOscillator with down counter");
    EXPECT_EQ(m.memo2, "Center frequency: 1234.6 Hz\r\nPLL order: 5\r\nDivide-by-N counter "
                       "scale factor N = 40");
}

TEST(DesignConfigurationText, AdpllWithJKFlipflop) {
    ParameterSet p;
    Configuration c = adpll();
    c.adpllDetector = AdpllDetector::JK;
    // The ADPLL's own centre frequency, not the mixed-signal one.
    ASSERT_TRUE(p.setEntry(TextId::ConfigLDPLLf0, "5"));
    const ConfigurationMemos m = DescribeConfiguration(p, c);
    EXPECT_EQ(m.memo1, "PLL type: ADPLL\r\nPD type: JK-Flipflop\r\nLoop filter: K "
                       "counter\r\nDivide-by-N ratio N: 16");
    EXPECT_EQ(m.memo2, "Center frequency: 100000.0 Hz\r\n");
}

} // namespace
} // namespace loopcraft
