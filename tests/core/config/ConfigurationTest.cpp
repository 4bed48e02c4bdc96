#include "core/config/Configuration.h"

#include <gtest/gtest.h>
#include <tuple>

namespace loopcraft {
namespace {

// The radio states of the default set with the given buttons chosen in their groups.
ConfigRadioStates states(std::initializer_list<FlagId> chosen = {}) {
    ParameterSet p;
    for (const FlagId f : chosen)
        p.selectFlag(f);
    return LoadConfigFlags(p);
}

using F = FlagId;

TEST(ConfigRules, DetectorShowsOnlyTheGainAndLimitsThatApply) {
    // (detector, Kd, Kp, detector limits)
    const std::tuple<FlagId, bool, bool, bool> cases[] = {
        {F::rbConfigLPLLMul, true, false, true},
        {F::rbConfigDPLLExor, false, false, true},
        {F::rbConfigDPLLJK, false, false, true},
        {F::rbConfigDPLLPFD, false, false, true},
        {F::rbConfigDPLLPFD_CP, false, true, false}};
    for (const auto& [detector, kd, kp, pdSat] : cases) {
        const ConfigVisibility v = ApplyConfigRules(states({detector}));
        EXPECT_EQ(std::tuple(v.Kd, v.Kp, v.PDSat), std::tuple(kd, kp, pdSat))
            << static_cast<int>(detector);
    }
}

TEST(ConfigRules, PfdWithOrderOneSwitchesToOrderTwoAndHidesOrderOne) {
    EXPECT_FALSE(ApplyConfigRules(states({F::rbConfigPLLOrder1})).GroupBox4);
    ConfigVisibility v = ApplyConfigRules(states({F::rbConfigPLLOrder1, F::rbConfigDPLLPFD}));
    EXPECT_TRUE(v.switchOrder1To2);
    EXPECT_FALSE(v.rbConfigPLLOrder1);
    EXPECT_TRUE(v.GroupBox4);
    EXPECT_FALSE(ApplyConfigRules(states({F::rbConfigDPLLPFD})).switchOrder1To2);
    v = ApplyConfigRules(states({F::rbConfigPLLOrder2}));
    EXPECT_TRUE(v.rbConfigPLLOrder1);
    EXPECT_FALSE(v.switchOrder1To2);
}

TEST(ConfigRules, FilterOscillatorCategoryAndOrderOne) {
    ConfigVisibility v = ApplyConfigRules(states());
    EXPECT_TRUE(v.Panel2);
    EXPECT_FALSE(v.Panel3);
    EXPECT_FALSE(v.LFSat); // passive filter has no saturation
    EXPECT_FALSE(v.N);     // plain VCO has no divider
    ConfigRadioStates r = states({F::rbConfigActivePI, F::rbConfigVCOScaler});
    v = ApplyConfigRules(r);
    EXPECT_TRUE(v.LFSat);
    EXPECT_TRUE(v.N);
    r = states({F::rbConfigActivePI, F::rbConfigPLLOrder1});
    EXPECT_FALSE(ApplyConfigRules(r).GroupBox4);
    EXPECT_TRUE(r.rbConfigActivePI); // only hidden, never changed
    v = ApplyConfigRules(states({F::rbConfigADPLL}));
    EXPECT_FALSE(v.Panel2);
    EXPECT_TRUE(v.Panel3);
}

TEST(ConfigFlags, StoreAndLoadAreInverse) {
    ParameterSet p;
    const ConfigRadioStates r = states({F::rbConfigADPLL, F::rbConfigADPLLJK});
    StoreConfigFlags(r, p);
    EXPECT_EQ(p.rbConfigDPLL, 0);
    EXPECT_EQ(p.rbSimulfstep, 1); // not a configuration button
    EXPECT_EQ(LoadConfigFlags(p), r);
    const Configuration c = Configuration::fromFlags(p);
    EXPECT_TRUE(c.isAdpll());
    EXPECT_EQ(c.adpllDetector, AdpllDetector::JK);
    EXPECT_EQ(c.order, 2); // mixed-signal choices kept while ADPLL is selected
}

TEST(ConfigFlags, HandEditedGroupsReadDeterministically) {
    ParameterSet p;
    // no order flag set: the default order 2
    p.rbConfigPLLOrder2 = 0;
    EXPECT_EQ(Configuration::fromFlags(p).order, 2);
    // several detector flags set: the first in the list wins
    p.rbConfigDPLLJK = 1;
    p.rbConfigDPLLPFD_CP = 1;
    EXPECT_EQ(Configuration::fromFlags(p).detector, Detector::Exor);
    p.rbConfigDPLLExor = 0;
    EXPECT_EQ(Configuration::fromFlags(p).detector, Detector::JK);
    p.rbConfigPLLOrder5 = 1;
    p.rbConfigPLLOrder4 = 1;
    EXPECT_EQ(Configuration::fromFlags(p).order, 4);
}

TEST(Validation, ReportsTheFirstBrokenRule) {
    using T = TextId;
    const char* const larger = "USat+ must be larger than USat-";
    const char* const belowSupply = "USat+ must be smaller than U+";
    const char* const aboveSupply = "USat- must be larger than U-";
    // (field, text, message, focus)
    const std::tuple<TextId, const char*, const char*, const char*> rules[] = {
        {T::ConfigUSupN, "6", "U+ must be larger than U-", "EditConfigUSupP"},
        {T::ConfigLDPLLf0, "0", "f0 must be positive", "EditConfigLDPLLf0"},
        {T::ConfigKd, "-1", "Kd must be positive", "EditConfigKd"},
        {T::ConfigKp, "0", "Kp must bne positive", "EditConfigKp"},
        {T::ConfigPDSatN, "4.6", larger, "EditConfigPDSatP"},
        {T::ConfigPDSatP, "5.1", belowSupply, "EditConfigPDSatP"},
        {T::ConfigPDSatN, "-1", aboveSupply, "EditConfigPDSatN"},
        {T::ConfigLFSatN, "4.6", larger, "EditConfigLFSatP"},
        {T::ConfigLFSatP, "5.1", belowSupply, "EditConfigLFSatP"},
        {T::ConfigLFSatN, "-1", aboveSupply, "EditConfigLFSatN"},
        {T::ConfigVCOSatN, "4.6", larger, "EditConfigVCOSatP"},
        {T::ConfigVCOSatP, "5.1", belowSupply, "EditConfigVCOSatP"},
        {T::ConfigVCOSatN, "-1", aboveSupply, "EditConfigVCOSatN"},
        {T::ConfigK0, "0", "K0 must be positive", "EditConfigK0"},
        {T::ConfigN, "0", "N must be positive", "EditConfigN"}};
    for (const auto& [field, text, message, focus] : rules) {
        ParameterSet p;
        ASSERT_TRUE(p.setEntry(field, text));
        const auto v = ValidateConfiguration(p);
        ASSERT_TRUE(v.has_value()) << focus << " " << text;
        EXPECT_EQ(v->text, message) << focus << " " << text;
        EXPECT_EQ(v->focusField, focus) << text;
    }
}

TEST(Validation, EqualityPassesAndOrderMatters) {
    ParameterSet p;
    using T = TextId;
    for (const TextId id : {T::ConfigUSupN, T::ConfigPDSatP, T::ConfigPDSatN, T::ConfigLFSatP,
                            T::ConfigLFSatN, T::ConfigVCOSatP, T::ConfigVCOSatN}) {
        ASSERT_TRUE(p.setEntry(id, "5.0"));
    }
    EXPECT_FALSE(ValidateConfiguration(p).has_value());
    // Two broken rules: the earlier one in the table is reported.
    ASSERT_TRUE(p.setEntry(TextId::ConfigK0, "-1"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigKd, "0"));
    EXPECT_EQ(ValidateConfiguration(p)->text, "Kd must be positive");
}

TEST(Validation, AdpllChecksOnlyItsCentreFrequency) {
    ParameterSet p;
    p.selectFlag(FlagId::rbConfigADPLL);
    ASSERT_TRUE(p.setEntry(TextId::ConfigKd, "-1"));
    EXPECT_FALSE(ValidateConfiguration(p).has_value());
    ASSERT_TRUE(p.setEntry(TextId::ConfigADPLLf0, "0"));
    auto v = ValidateConfiguration(p);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->text, "f0 must be positive");
    EXPECT_EQ(v->focusField, "EditConfigADPLLf0");
    EXPECT_EQ(v->labelField, "stConfigADPLLf0");
}

} // namespace
} // namespace loopcraft
