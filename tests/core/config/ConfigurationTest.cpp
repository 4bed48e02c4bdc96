#include "core/config/Configuration.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

// The radio states of the default set with the given buttons chosen in their groups.
ConfigRadioStates states(std::initializer_list<FlagId> chosen = {}) {
    ParameterSet p;
    for (const FlagId f : chosen)
        p.selectFlag(f);
    return LoadConfigFlags(p);
}

struct DetectorCase {
    FlagId detector;
    bool kd, kp, pdSat;
};

class DetectorFields : public ::testing::TestWithParam<DetectorCase> {};

TEST_P(DetectorFields, ShowOnlyTheGainAndLimitsThatApply) {
    const ConfigVisibility v = ApplyConfigRules(states({GetParam().detector}));
    EXPECT_EQ(v.Kd, GetParam().kd);
    EXPECT_EQ(v.Kp, GetParam().kp);
    EXPECT_EQ(v.PDSat, GetParam().pdSat);
}

using F = FlagId;
const DetectorCase kDetectorCases[] = {{F::rbConfigLPLLMul, true, false, true},
                                       {F::rbConfigDPLLExor, false, false, true},
                                       {F::rbConfigDPLLJK, false, false, true},
                                       {F::rbConfigDPLLPFD, false, false, true},
                                       {F::rbConfigDPLLPFD_CP, false, true, false}};
INSTANTIATE_TEST_SUITE_P(Table, DetectorFields, ::testing::ValuesIn(kDetectorCases));

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
    ConfigRadioStates r = states();
    r.rbConfigDPLL = false;
    r.rbConfigADPLL = true;
    r.rbConfigADPLLExor = false;
    r.rbConfigADPLLJK = true;
    StoreConfigFlags(r, p);
    EXPECT_EQ(p.rbConfigDPLL, 0);
    EXPECT_EQ(p.rbSimulfstep, 1); // not a configuration button
    EXPECT_EQ(LoadConfigFlags(p), r);
    Configuration c = Configuration::fromFlags(p);
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

struct RuleCase {
    const char* name;
    TextId field;
    const char* text;
    const char* message;
    const char* focus;
};

class ValidationOrder : public ::testing::TestWithParam<RuleCase> {};

TEST_P(ValidationOrder, ReportsTheFirstBrokenRule) {
    ParameterSet p;
    ASSERT_FALSE(ValidateConfiguration(p).has_value());
    ASSERT_TRUE(p.setEntry(GetParam().field, GetParam().text));
    auto v = ValidateConfiguration(p);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->message, GetParam().message);
    EXPECT_EQ(v->focusField, GetParam().focus);
}

using T = TextId;
const char* const kLarger = "USat+ must be larger than USat-";
const char* const kBelowSupply = "USat+ must be smaller than U+";
const char* const kAboveSupply = "USat- must be larger than U-";
const RuleCase kRules[] = {
    {"USup", T::ConfigUSupN, "6", "U+ must be larger than U-", "EditConfigUSupP"},
    {"f0", T::ConfigLDPLLf0, "0", "f0 must be positive", "EditConfigLDPLLf0"},
    {"Kd", T::ConfigKd, "-1", "Kd must be positive", "EditConfigKd"},
    {"Kp", T::ConfigKp, "0", "Kp must bne positive", "EditConfigKp"},
    {"PDSatOrder", T::ConfigPDSatN, "4.6", kLarger, "EditConfigPDSatP"},
    {"PDSatP", T::ConfigPDSatP, "5.1", kBelowSupply, "EditConfigPDSatP"},
    {"PDSatN", T::ConfigPDSatN, "-1", kAboveSupply, "EditConfigPDSatN"},
    {"LFSatOrder", T::ConfigLFSatN, "4.6", kLarger, "EditConfigLFSatP"},
    {"LFSatP", T::ConfigLFSatP, "5.1", kBelowSupply, "EditConfigLFSatP"},
    {"LFSatN", T::ConfigLFSatN, "-1", kAboveSupply, "EditConfigLFSatN"},
    {"VCOSatOrder", T::ConfigVCOSatN, "4.6", kLarger, "EditConfigVCOSatP"},
    {"VCOSatP", T::ConfigVCOSatP, "5.1", kBelowSupply, "EditConfigVCOSatP"},
    {"VCOSatN", T::ConfigVCOSatN, "-1", kAboveSupply, "EditConfigVCOSatN"},
    {"K0", T::ConfigK0, "0", "K0 must be positive", "EditConfigK0"},
    {"N", T::ConfigN, "0", "N must be positive", "EditConfigN"}};
INSTANTIATE_TEST_SUITE_P(Table, ValidationOrder, ::testing::ValuesIn(kRules),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Validation, EqualityPassesAndOrderMatters) {
    ParameterSet p;
    for (const TextId id : {T::ConfigUSupN, T::ConfigPDSatP, T::ConfigPDSatN, T::ConfigLFSatP,
                            T::ConfigLFSatN, T::ConfigVCOSatP, T::ConfigVCOSatN}) {
        ASSERT_TRUE(p.setEntry(id, "5.0"));
    }
    EXPECT_FALSE(ValidateConfiguration(p).has_value());
    // Two broken rules: the earlier one in the table is reported.
    ASSERT_TRUE(p.setEntry(TextId::ConfigK0, "-1"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigKd, "0"));
    EXPECT_EQ(ValidateConfiguration(p)->message, "Kd must be positive");
}

TEST(Validation, AdpllChecksOnlyItsCentreFrequency) {
    ParameterSet p;
    p.selectFlag(FlagId::rbConfigADPLL);
    ASSERT_TRUE(p.setEntry(TextId::ConfigKd, "-1"));
    EXPECT_FALSE(ValidateConfiguration(p).has_value());
    ASSERT_TRUE(p.setEntry(TextId::ConfigADPLLf0, "0"));
    auto v = ValidateConfiguration(p);
    ASSERT_TRUE(v.has_value());
    EXPECT_EQ(v->message, "f0 must be positive");
    EXPECT_EQ(v->focusField, "EditConfigADPLLf0");
    EXPECT_EQ(v->labelField, "stConfigADPLLf0");
}

} // namespace
} // namespace loopcraft
