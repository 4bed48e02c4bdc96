#include "core/base/SidecarSettings.h"

#include "core/base/ParameterSet.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

TEST(SidecarSettings, SetReadsEachKindStrictlyAndChangesNothingOnFailure) {
    SidecarSettings s;
    std::string why;
    EXPECT_TRUE(s.set("SimTolerance", "1e3", &why)) << why;
    EXPECT_DOUBLE_EQ(s.SimTolerance, 1000.0);
    EXPECT_TRUE(s.set("SimShowModel", "true"));
    EXPECT_TRUE(s.SimShowModel);
    EXPECT_TRUE(s.set("SimShowModel", "0"));
    EXPECT_FALSE(s.SimShowModel);

    for (const char* bad : {"", "abc", "1e3x", "nan", "inf", "0x10", "1,5"}) {
        EXPECT_FALSE(s.set("SimTolerance", bad, &why)) << bad;
        EXPECT_NE(why.find("SimTolerance"), std::string::npos) << why;
    }
    EXPECT_FALSE(s.set("SimTolerance", "-1", &why));
    EXPECT_NE(why.find("range"), std::string::npos) << why;
    EXPECT_FALSE(s.set("SimShowModel", "yes"));
    EXPECT_TRUE(s.set("NoiseSeed", "4294967295"));
    EXPECT_EQ(s.NoiseSeed, 4294967295u);
    for (const char* bad : {"-1", "4294967296", "1.5"})
        EXPECT_FALSE(s.set("NoiseSeed", bad)) << bad;
    EXPECT_EQ(s.NoiseSeed, 4294967295u);
    EXPECT_FALSE(s.set("NoSuchSetting", "1", &why));
    EXPECT_NE(why.find("NoSuchSetting"), std::string::npos);
    EXPECT_DOUBLE_EQ(s.SimTolerance, 1000.0);
}

TEST(SidecarSettings, AssignChecksTheKindOfTheValue) {
    SidecarSettings s;
    const SettingDescriptor* tol = findSetting("SimTolerance");
    ASSERT_NE(tol, nullptr);
    EXPECT_TRUE(s.assign(*tol, SettingValue(std::int64_t{7}))); // a whole number is a number
    EXPECT_DOUBLE_EQ(s.SimTolerance, 7.0);
    EXPECT_FALSE(s.assign(*tol, SettingValue(true)));
    EXPECT_FALSE(s.assign(*tol, SettingValue(std::string("7"))));
    const SettingDescriptor* show = findSetting("SimShowModel");
    ASSERT_NE(show, nullptr);
    EXPECT_FALSE(s.assign(*show, SettingValue(1.0)));
    EXPECT_EQ(settingText(s.get(*tol)), "7");
}

TEST(SidecarSettings, EveryDefaultIsInsideItsOwnRange) {
    SidecarSettings s;
    for (const SettingDescriptor& d : sidecarDescriptors()) {
        std::string why;
        EXPECT_TRUE(s.assign(d, d.defaultValue, &why)) << why;
        EXPECT_EQ(findSetting(d.name), &d);
        // What settingText prints, set() reads back.
        EXPECT_TRUE(s.set(d.name, settingText(s.get(d)), &why)) << d.name << ": " << why;
    }
}

TEST(SidecarSettings, InitDefaultsResetsKnownSettingsButKeepsUnknownKeys) {
    ParameterSet p;
    p.sidecar.SimTolerance = 5;
    p.sidecar.SimShowModel = true;
    p.sidecar.unknownKeys["FutureKey"] = "[1,2]";
    p.setDefaults();
    EXPECT_EQ(p.sidecar.SimTolerance, 0.0);
    EXPECT_FALSE(p.sidecar.SimShowModel);
    EXPECT_EQ(p.sidecar.unknownKeys.at("FutureKey"), "[1,2]");
}

} // namespace
} // namespace loopcraft
