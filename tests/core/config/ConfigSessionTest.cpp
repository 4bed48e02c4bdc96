// The configuration dialog's rules without widgets: what it shows for the choices, the PFD's move
// from order 1 to 2, and what Done reads, stores and refuses.
#include "core/config/ConfigSession.h"

#include "core/base/EntryReading.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

class ConfigSessionTest : public testing::Test {
protected:
    ParameterSet params;
    ConfigSession session{params};

    ConfigRadioStates& radios() { return session.model().radios; }
    // A click on a radio button: the one choice of its group, then the rules.
    ConfigVisibility choose(FlagId flag) {
        ParameterSet scratch;
        StoreConfigFlags(radios(), scratch);
        scratch.selectFlag(flag);
        radios() = LoadConfigFlags(scratch);
        return session.ApplyRules();
    }
    void type(TextId id, const char* text) { *session.model().entry(id) = text; }
};

TEST_F(ConfigSessionTest, FillsChoicesAndTheFourteenEntriesFromTheParameterSet) {
    params.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    params.selectFlag(FlagId::rbConfigPLLOrder3);
    params.setTextRaw(TextId::ConfigKp, "2.5e-4");
    session.Fill();
    EXPECT_TRUE(radios().rbConfigDPLLPFD_CP && radios().rbConfigPLLOrder3);
    EXPECT_FALSE(radios().rbConfigDPLLExor || radios().rbConfigPLLOrder2);
    EXPECT_EQ(*session.model().entry(TextId::ConfigKp), "2.5e-4");
    EXPECT_EQ(*session.model().entry(TextId::ConfigUSupP), "5.0");
    EXPECT_EQ(session.model().entry(TextId::SimulT), nullptr);
}

TEST_F(ConfigSessionTest, PfdMovesOrderOneToTwoAndExorBringsOrderOneBack) {
    choose(FlagId::rbConfigActivePI);
    ConfigVisibility v = choose(FlagId::rbConfigPLLOrder1);
    EXPECT_FALSE(v.GroupBox4);
    EXPECT_TRUE(radios().rbConfigActivePI) << "only hidden, never changed";
    for (FlagId pfd : {FlagId::rbConfigDPLLPFD, FlagId::rbConfigDPLLPFD_CP}) {
        choose(FlagId::rbConfigDPLLExor);
        choose(FlagId::rbConfigPLLOrder1);
        v = choose(pfd);
        EXPECT_TRUE(radios().rbConfigPLLOrder2 && !radios().rbConfigPLLOrder1);
        EXPECT_FALSE(v.rbConfigPLLOrder1);
        EXPECT_TRUE(v.GroupBox4);
        EXPECT_FALSE(v.switchOrder1To2) << "the rules ran again on order 2";
    }
    v = choose(FlagId::rbConfigDPLLExor);
    EXPECT_TRUE(v.rbConfigPLLOrder1);
    EXPECT_TRUE(radios().rbConfigPLLOrder2);
}

TEST_F(ConfigSessionTest, DetectorFilterAndOscillatorShowTheirFields) {
    ConfigVisibility v = choose(FlagId::rbConfigLPLLMul);
    EXPECT_TRUE(v.Kd && !v.Kp && v.PDSat);
    v = choose(FlagId::rbConfigDPLLPFD_CP);
    EXPECT_TRUE(!v.Kd && v.Kp && !v.PDSat);
    for (FlagId pd : {FlagId::rbConfigDPLLExor, FlagId::rbConfigDPLLJK, FlagId::rbConfigDPLLPFD}) {
        v = choose(pd);
        EXPECT_TRUE(!v.Kd && !v.Kp && v.PDSat) << flagName(pd);
    }
    EXPECT_FALSE(v.LFSat);
    EXPECT_TRUE(choose(FlagId::rbConfigActivePI).LFSat);
    EXPECT_FALSE(v.N);
    EXPECT_TRUE(choose(FlagId::rbConfigVCOScaler).N);
}

TEST_F(ConfigSessionTest, AdpllAndBackKeepsEveryMixedSignalChoice) {
    choose(FlagId::rbConfigPLLOrder4);
    choose(FlagId::rbConfigActiveLL);
    ConfigVisibility v = choose(FlagId::rbConfigADPLL);
    EXPECT_TRUE(!v.Panel2 && v.Panel3);
    v = choose(FlagId::rbConfigDPLL);
    EXPECT_TRUE(v.Panel2 && !v.Panel3);
    EXPECT_TRUE(radios().rbConfigPLLOrder4 && radios().rbConfigActiveLL);
}

// The rule table below relies on the defaults passing; limits equal to their bounds pass too.
TEST_F(ConfigSessionTest, LimitsEqualToTheirBoundsAreAcceptedAndChoicesStored) {
    choose(FlagId::rbConfigDPLLPFD_CP);
    choose(FlagId::rbConfigPLLOrder3);
    choose(FlagId::rbConfigActivePI);
    for (TextId id :
         {TextId::ConfigUSupP, TextId::ConfigUSupN, TextId::ConfigPDSatP, TextId::ConfigPDSatN,
          TextId::ConfigLFSatP, TextId::ConfigLFSatN, TextId::ConfigVCOSatP, TextId::ConfigVCOSatN})
        type(id, "1");
    const ConfigOutcome o = session.Done();
    EXPECT_TRUE(o.ok);
    EXPECT_FALSE(o.message);
    EXPECT_EQ(params.rbConfigDPLLPFD_CP, 1);
    EXPECT_EQ(params.rbConfigDPLLExor, 0);
    EXPECT_EQ(params.rbConfigPLLOrder3, 1);
    EXPECT_EQ(params.rbConfigActivePI, 1);
    EXPECT_EQ(params.ConfigVCOSatN, 1.0f);
}

// One broken value: its message and the field the dialog focuses.
struct Violation {
    TextId entry;
    const char* text;
    const char* message;
    TextId focus;
    const char* title = kIllegalEntryTitle;
};

class ConfigSessionViolation : public ConfigSessionTest,
                               public testing::WithParamInterface<Violation> {};

TEST_P(ConfigSessionViolation, NamesItsRuleAndField) {
    const Violation& v = GetParam();
    type(v.entry, v.text);
    const ConfigOutcome o = session.Done();
    EXPECT_FALSE(o.ok);
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->title, v.title);
    EXPECT_EQ(o.message->text, v.message);
    EXPECT_EQ(o.message->field, v.focus);
    if (v.title != std::string(kIllegalEntryTitle)) {
        EXPECT_TRUE(o.message->selectAll);
        return;
    }
    // Every mixed-signal value was read before the check, the broken one included.
    EXPECT_EQ(params.text(v.entry), cutEntryText(v.text));
}

using T = TextId;
INSTANTIATE_TEST_SUITE_P(
    Rules, ConfigSessionViolation,
    testing::Values(
        Violation{T::ConfigUSupN, "5.5", "U+ must be larger than U-", T::ConfigUSupP},
        Violation{T::ConfigLDPLLf0, "0", "f0 must be positive", T::ConfigLDPLLf0},
        Violation{T::ConfigKd, "-1", "Kd must be positive", T::ConfigKd},
        Violation{T::ConfigKp, "0", "Kp must bne positive", T::ConfigKp},
        Violation{T::ConfigPDSatN, "4.6", "USat+ must be larger than USat-", T::ConfigPDSatP},
        Violation{T::ConfigPDSatP, "5.01", "USat+ must be smaller than U+", T::ConfigPDSatP},
        Violation{T::ConfigPDSatN, "-0.1", "USat- must be larger than U-", T::ConfigPDSatN},
        Violation{T::ConfigLFSatP, "0.4", "USat+ must be larger than USat-", T::ConfigLFSatP},
        Violation{T::ConfigLFSatP, "6", "USat+ must be smaller than U+", T::ConfigLFSatP},
        Violation{T::ConfigLFSatN, "-1", "USat- must be larger than U-", T::ConfigLFSatN},
        Violation{T::ConfigVCOSatN, "4.6", "USat+ must be larger than USat-", T::ConfigVCOSatP},
        Violation{T::ConfigVCOSatP, "5.5", "USat+ must be smaller than U+", T::ConfigVCOSatP},
        Violation{T::ConfigVCOSatN, "-2", "USat- must be larger than U-", T::ConfigVCOSatN},
        Violation{T::ConfigK0, "-130000", "K0 must be positive", T::ConfigK0},
        Violation{T::ConfigN, "0", "N must be positive", T::ConfigN},
        Violation{T::ConfigN, "2.0", "Invalid integer format", T::ConfigN, kFormatErrorTitle},
        // Twelve characters: the cut leaves "0.000000000", which is zero.
        Violation{T::ConfigKd, "0.0000000001", "Kd must be positive", T::ConfigKd}));

TEST_F(ConfigSessionTest, FormatErrorStopsReadingWithEarlierValuesAndFlagsKept) {
    choose(FlagId::rbConfigDPLLJK);
    type(TextId::ConfigKd, "2.5");
    type(TextId::ConfigK0, "13e4x");
    type(TextId::ConfigN, "7");
    const ConfigOutcome o = session.Done();
    ASSERT_TRUE(o.message);
    EXPECT_EQ(*o.message, (Message{kFormatErrorTitle, "Invalid floating format", TextId::ConfigK0,
                                   true, false}));
    EXPECT_EQ(params.rbConfigDPLLJK, 1); // stored before reading
    EXPECT_EQ(params.ConfigKd, 2.5f);    // read before the failure
    EXPECT_EQ(params.text(TextId::ConfigK0), "130000");
    EXPECT_EQ(params.ConfigN, 1); // never read
}

TEST_F(ConfigSessionTest, AdpllReadsOnlyItsCentreFrequency) {
    choose(FlagId::rbConfigADPLL);
    type(TextId::ConfigKd, "garbage");
    type(TextId::ConfigADPLLf0, "0");
    ConfigOutcome o = session.Done();
    ASSERT_TRUE(o.message);
    EXPECT_EQ(o.message->text, "f0 must be positive");
    EXPECT_EQ(o.message->field, TextId::ConfigADPLLf0);
    EXPECT_EQ(params.rbConfigADPLL, 1);

    type(TextId::ConfigADPLLf0, "250000");
    o = session.Done();
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(params.ConfigADPLLf0, 250000.0f);
    EXPECT_EQ(params.text(TextId::ConfigKd), "1");
}

} // namespace
} // namespace loopcraft
