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

using F = FlagId;

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

// The rules' messages and focus fields are checked through the session; here their order.
TEST(Validation, TheEarlierOfTwoBrokenRulesIsReported) {
    ParameterSet p;
    ASSERT_TRUE(p.setEntry(TextId::ConfigK0, "-1"));
    ASSERT_TRUE(p.setEntry(TextId::ConfigKd, "0"));
    EXPECT_EQ(ValidateConfiguration(p)->text, "Kd must be positive");
}

} // namespace
} // namespace loopcraft
