#include "core/sim/ProtocolText.h"

#include <gtest/gtest.h>

namespace loopcraft {
namespace {

TEST(ProtocolLines, MixedSignalPhaseStepWithoutNoise) {
    ParameterSet p;
    p.setEntry(TextId::Simulf0, "1e5");
    p.setEntry(TextId::Simuldphi, "45");
    p.selectFlag(FlagId::rbConfigDPLLPFD_CP);
    p.selectFlag(FlagId::rbConfigVCOScaler);
    p.ConfigN = 8;
    const auto lines = ProtocolLines(p, Configuration::fromFlags(p), Stimulus::PhiStep, false, 7,
                                     {6, 12, 2026, 9, 5});
    const std::vector<std::string> expected = {"Mixed Signal PLL Simulation\n\r",
                                               "6-12-2026  9:5\r\n",
                                               "PD = Phase-Frequency Detector with Charge Pump\r\n",
                                               "LF = passive lag\r\n",
                                               "OSC = VCO + prescaler, division ratio = 8\r\n",
                                               "Center frequency = 1e5 Hz\r\n",
                                               "Response on phase step 45 deg",
                                               "No noise added"};
    EXPECT_EQ(lines, expected);
}

// With noise the protocol names the seed that makes the same run again.
TEST(ProtocolLines, AdpllWithNoiseHasTenLines) {
    ParameterSet p;
    p.selectFlag(FlagId::rbConfigADPLL);
    p.selectFlag(FlagId::rbConfigADPLLJK);
    const auto lines = ProtocolLines(p, Configuration::fromFlags(p), Stimulus::FStep, true,
                                     4294967295u, {1, 1, 2027, 23, 59});
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0], "ADPLL Simulation\n\r");
    EXPECT_EQ(lines[2], "PD = JK-Flipflop\r\n");
    EXPECT_EQ(lines[3], "LF = K-Counter\r\n");
    EXPECT_EQ(lines[4], "OSC = I/D-Counter\r\n");
    EXPECT_EQ(lines[6], "Response on frequency step 2000 Hz\r\n");
    EXPECT_EQ(lines[7], "SNR(db) = 20 db");
    EXPECT_EQ(lines[8], "NoiseBW(rel) = 0.5");
    EXPECT_EQ(lines[9], "Noise seed = 4294967295");
}

} // namespace
} // namespace loopcraft
