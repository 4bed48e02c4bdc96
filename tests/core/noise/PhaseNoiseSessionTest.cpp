// The phase-noise window's session: entries read back into the settings they came from, a bad
// entry or table gives a message instead of a result, and tables import from files.
#include "core/noise/PhaseNoiseSession.h"

#include "core/base/SidecarSettings.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace loopcraft {
namespace {

TEST(PhaseNoiseSession, EntriesReadBackIntoTheirSettings) {
    PhaseNoiseSettings s;
    s.from = 100;
    s.points = 77;
    s.detectorFromFom = true;
    s.reference = {{1, -90}, {1e4, -150.5}};
    const PhaseNoiseSession session(s);
    std::string why;
    const auto back = session.settings(&why);
    ASSERT_TRUE(back) << why;
    EXPECT_EQ(*back, s);
}

// The settings file's defaults are the analysis's, and every setting goes there and back.
TEST(PhaseNoiseSettings, SettingsFileRoundTrip) {
    SidecarSettings sidecar;
    EXPECT_EQ(phaseNoiseSettingsFrom(sidecar), PhaseNoiseSettings{});
    PhaseNoiseSettings s;
    s.reference = {{5, -100}};
    s.oscillator = {{1, -10}, {1e6, -170}};
    s.detectorFloor = -140;
    s.detectorCorner = 0;
    s.detectorFromFom = true;
    s.detectorFom = -230;
    s.dividerFloor = -150;
    s.temperature = 77;
    s.opAmpNoise = 4;
    s.e24Values = true;
    s.from = 1;
    s.to = 1e6;
    s.points = 1234;
    storePhaseNoiseSettings(sidecar, s);
    EXPECT_EQ(phaseNoiseSettingsFrom(sidecar), s);
    std::string why;
    EXPECT_TRUE(sidecar.set("PhaseNoiseTemperature", "350", &why)) << why;
    EXPECT_EQ(phaseNoiseSettingsFrom(sidecar).temperature, 350.0);
    EXPECT_FALSE(sidecar.set("PhaseNoisePoints", "1", &why));
    EXPECT_FALSE(sidecar.set("PhaseNoiseReference", "0,-100", &why));
}

TEST(PhaseNoiseSession, UpdateAnalysesOrSaysWhyNot) {
    PhaseNoiseSession session;
    PhaseNoiseRun run = session.update(ParameterSet{});
    ASSERT_TRUE(run.result) << run.error;

    session.entry(NoiseField::Temperature) = "3OO";
    run = session.update(ParameterSet{});
    EXPECT_FALSE(run.result);
    EXPECT_EQ(run.error, "T (K): \"3OO\" is not a number");
    session.entry(NoiseField::Temperature) = "300";
    session.entry(NoiseField::Points) = "2.5";
    EXPECT_NE(session.update(ParameterSet{}).error.find("whole number"), std::string::npos);
    session.entry(NoiseField::Points) = "400";
    session.tableText(NoiseTableKind::Oscillator) = "1000,-80\n100,-90\n";
    EXPECT_NE(session.update(ParameterSet{}).error.find("oscillator table"), std::string::npos);
    // The last settings that worked stay.
    EXPECT_EQ(session.lastSettings().oscillator, PhaseNoiseSettings{}.oscillator);
}

TEST(PhaseNoiseSession, ImportsATableFromAFile) {
    const auto file = std::filesystem::temp_directory_path() /
                      ("loopcraft-noise-import-" + std::to_string(::getpid()) + ".csv");
    std::ofstream(file) << "offset;level\n10;-100\n1000;-140\n";
    PhaseNoiseSession session;
    std::string why;
    ASSERT_TRUE(session.importTable(NoiseTableKind::Reference, file.string(), &why)) << why;
    EXPECT_EQ(session.tableText(NoiseTableKind::Reference),
              "offset_hz,dbc_hz\n10,-100\n1000,-140\n");
    std::ofstream(file) << "10;-100\n10;-140\n";
    EXPECT_FALSE(session.importTable(NoiseTableKind::Reference, file.string(), &why));
    EXPECT_NE(why.find("twice"), std::string::npos);
    std::filesystem::remove(file);
    EXPECT_FALSE(session.importTable(NoiseTableKind::Reference, file.string(), &why));
    EXPECT_NE(why.find("does not exist"), std::string::npos);
}

} // namespace
} // namespace loopcraft
