#include "core/config/Configuration.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

ConfigRadioStates defaults() {
    return LoadConfigFlags(ParameterSet());
}

void choose(ConfigRadioStates& r, std::initializer_list<bool ConfigRadioStates::*> group,
            bool ConfigRadioStates::*chosen) {
    for (auto m : group)
        r.*m = false;
    r.*chosen = true;
}

const std::initializer_list<bool ConfigRadioStates::*> kDetectors = {
    &ConfigRadioStates::rbConfigLPLLMul, &ConfigRadioStates::rbConfigDPLLExor,
    &ConfigRadioStates::rbConfigDPLLJK, &ConfigRadioStates::rbConfigDPLLPFD,
    &ConfigRadioStates::rbConfigDPLLPFD_CP};
const std::initializer_list<bool ConfigRadioStates::*> kOrders = {
    &ConfigRadioStates::rbConfigPLLOrder1, &ConfigRadioStates::rbConfigPLLOrder2,
    &ConfigRadioStates::rbConfigPLLOrder3, &ConfigRadioStates::rbConfigPLLOrder4,
    &ConfigRadioStates::rbConfigPLLOrder5};

struct DetectorCase {
    bool ConfigRadioStates::*detector;
    bool kd, kp, pdSat;
};

class DetectorFields : public ::testing::TestWithParam<DetectorCase> {};

TEST_P(DetectorFields, ShowOnlyTheGainAndLimitsThatApply) {
    ConfigRadioStates r = defaults();
    choose(r, kDetectors, GetParam().detector);
    ConfigVisibility v = ApplyConfigRules(r);
    EXPECT_EQ(v.Kd, GetParam().kd);
    EXPECT_EQ(v.Kp, GetParam().kp);
    EXPECT_EQ(v.PDSat, GetParam().pdSat);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DetectorFields,
    ::testing::Values(DetectorCase{&ConfigRadioStates::rbConfigLPLLMul, true, false, true},
                      DetectorCase{&ConfigRadioStates::rbConfigDPLLExor, false, false, true},
                      DetectorCase{&ConfigRadioStates::rbConfigDPLLJK, false, false, true},
                      DetectorCase{&ConfigRadioStates::rbConfigDPLLPFD, false, false, true},
                      DetectorCase{&ConfigRadioStates::rbConfigDPLLPFD_CP, false, true, false}));

TEST(ConfigRules, PfdWithOrderOneSwitchesToOrderTwoAndHidesOrderOne) {
    ConfigRadioStates r = defaults();
    choose(r, kOrders, &ConfigRadioStates::rbConfigPLLOrder1);
    EXPECT_FALSE(ApplyConfigRules(r).GroupBox4);
    choose(r, kDetectors, &ConfigRadioStates::rbConfigDPLLPFD);
    ConfigVisibility v = ApplyConfigRules(r);
    EXPECT_TRUE(v.switchOrder1To2);
    EXPECT_FALSE(v.rbConfigPLLOrder1);
    EXPECT_TRUE(v.GroupBox4);

    choose(r, kOrders, &ConfigRadioStates::rbConfigPLLOrder2);
    EXPECT_FALSE(ApplyConfigRules(r).switchOrder1To2);
    choose(r, kDetectors, &ConfigRadioStates::rbConfigDPLLExor);
    v = ApplyConfigRules(r);
    EXPECT_TRUE(v.rbConfigPLLOrder1);
    EXPECT_FALSE(v.switchOrder1To2);
}

TEST(ConfigRules, FilterOscillatorCategoryAndOrderOne) {
    ConfigRadioStates r = defaults();
    ConfigVisibility v = ApplyConfigRules(r);
    EXPECT_TRUE(v.Panel2);
    EXPECT_FALSE(v.Panel3);
    EXPECT_FALSE(v.LFSat); // passive filter has no saturation
    EXPECT_FALSE(v.N);     // plain VCO has no divider
    r.rbConfigPassiveLL = false;
    r.rbConfigActivePI = true;
    r.rbConfigVCO = false;
    r.rbConfigVCOScaler = true;
    v = ApplyConfigRules(r);
    EXPECT_TRUE(v.LFSat);
    EXPECT_TRUE(v.N);
    choose(r, kOrders, &ConfigRadioStates::rbConfigPLLOrder1);
    v = ApplyConfigRules(r);
    EXPECT_FALSE(v.GroupBox4);
    EXPECT_TRUE(r.rbConfigActivePI); // only hidden, never changed
    r.rbConfigDPLL = false;
    r.rbConfigADPLL = true;
    v = ApplyConfigRules(r);
    EXPECT_FALSE(v.Panel2);
    EXPECT_TRUE(v.Panel3);
    auto names = v.byObjectName();
    EXPECT_EQ(names.size(), 18u);
}

TEST(ConfigFlags, StoreAndLoadAreInverse) {
    ParameterSet p;
    ConfigRadioStates r = defaults();
    r.rbConfigDPLL = false;
    r.rbConfigADPLL = true;
    r.rbConfigADPLLExor = false;
    r.rbConfigADPLLJK = true;
    StoreConfigFlags(r, p);
    EXPECT_EQ(p.rbConfigADPLL, 1);
    EXPECT_EQ(p.rbConfigDPLL, 0);
    EXPECT_EQ(p.rbConfigADPLLJK, 1);
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

INSTANTIATE_TEST_SUITE_P(
    Table, ValidationOrder,
    ::testing::Values(
        RuleCase{"USup", TextId::ConfigUSupN, "6", "U+ must be larger than U-", "EditConfigUSupP"},
        RuleCase{"f0", TextId::ConfigLDPLLf0, "0", "f0 must be positive", "EditConfigLDPLLf0"},
        RuleCase{"Kd", TextId::ConfigKd, "-1", "Kd must be positive", "EditConfigKd"},
        RuleCase{"Kp", TextId::ConfigKp, "0", "Kp must bne positive", "EditConfigKp"},
        RuleCase{"PDSatOrder", TextId::ConfigPDSatN, "4.6", "USat+ must be larger than USat-",
                 "EditConfigPDSatP"},
        RuleCase{"PDSatP", TextId::ConfigPDSatP, "5.1", "USat+ must be smaller than U+",
                 "EditConfigPDSatP"},
        RuleCase{"PDSatN", TextId::ConfigPDSatN, "-1", "USat- must be larger than U-",
                 "EditConfigPDSatN"},
        RuleCase{"LFSatOrder", TextId::ConfigLFSatN, "4.6", "USat+ must be larger than USat-",
                 "EditConfigLFSatP"},
        RuleCase{"LFSatP", TextId::ConfigLFSatP, "5.1", "USat+ must be smaller than U+",
                 "EditConfigLFSatP"},
        RuleCase{"LFSatN", TextId::ConfigLFSatN, "-1", "USat- must be larger than U-",
                 "EditConfigLFSatN"},
        RuleCase{"VCOSatOrder", TextId::ConfigVCOSatN, "4.6", "USat+ must be larger than USat-",
                 "EditConfigVCOSatP"},
        RuleCase{"VCOSatP", TextId::ConfigVCOSatP, "5.1", "USat+ must be smaller than U+",
                 "EditConfigVCOSatP"},
        RuleCase{"VCOSatN", TextId::ConfigVCOSatN, "-1", "USat- must be larger than U-",
                 "EditConfigVCOSatN"},
        RuleCase{"K0", TextId::ConfigK0, "0", "K0 must be positive", "EditConfigK0"},
        RuleCase{"N", TextId::ConfigN, "0", "N must be positive", "EditConfigN"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Validation, EqualityPassesAndOrderMatters) {
    ParameterSet p;
    ASSERT_TRUE(p.setEntry(TextId::ConfigUSupN, "5.0"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigPDSatP, "5.0"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigPDSatN, "5.0"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigLFSatP, "5.0"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigLFSatN, "5.0"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigVCOSatP, "5.0"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigVCOSatN, "5.0"));
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
