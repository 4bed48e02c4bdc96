// Holds the recorded curves of short runs in every configuration against digests taken once, so
// that any change to a result, however small, fails here. The digest covers what the CSV and the
// summary of a run hold: the point count, the point interval, both curves of every point and the
// extremes, each by its bits (the CSV prints a float with %.9g, which gives back the same bits).
// A deliberate change of results updates the digests from the failure messages.
#include "core/sim/SimulationRun.h"

#include <bit>
#include <cinttypes>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

namespace loopcraft {
namespace {

using F = FlagId;

struct DigestCase {
    std::string name;
    std::function<void(ParameterSet&)> change;
    bool noise = false;
    bool filter = false;
    std::uint64_t digest = 0;
};

void PrintTo(const DigestCase& c, std::ostream* os) {
    *os << c.name;
}

class Fnv1a {
public:
    void add(std::uint32_t word) {
        for (int i = 0; i < 4; ++i) {
            mHash ^= (word >> (8 * i)) & 0xFFu;
            mHash *= 0x100000001B3ull;
        }
    }
    void add(float v) { add(std::bit_cast<std::uint32_t>(v)); }
    std::uint64_t value() const { return mHash; }

private:
    std::uint64_t mHash = 0xCBF29CE484222325ull;
};

std::uint64_t runDigest(const SimState& s, const SimulationRunResult& r) {
    Fnv1a h;
    h.add(static_cast<std::uint32_t>(s.Results.size()));
    h.add(r.pointInterval);
    for (const ResultPair& p : s.Results) {
        h.add(p.Curve1);
        h.add(p.Curve2);
    }
    for (const float v : {s.Curve1Min, s.Curve1Max, s.Curve2Min, s.Curve2Max})
        h.add(v);
    return h.value();
}

std::function<void(ParameterSet&)> flags(std::initializer_list<FlagId> chosen,
                                         std::function<void(ParameterSet&)> more = {}) {
    return [list = std::vector<FlagId>(chosen), more](ParameterSet& p) {
        for (const FlagId f : list)
            p.selectFlag(f);
        if (more)
            more(p);
    };
}

class RunDigest : public testing::TestWithParam<DigestCase> {};

TEST_P(RunDigest, RecordedCurvesAreUnchanged) {
    const DigestCase& c = GetParam();
    ParameterSet p;
    p.SimulT = 0.005f; // 510 reference periods at the default 102 kHz
    c.change(p);
    SimState s;
    s.setParameters(p);
    s.cbSimulAddNoise = c.noise;
    s.cbSimulFilter = c.filter;
    const SimulationRunResult r = runSimulation(s);
    ASSERT_TRUE(r.ok()) << r.refusal->text;
    char actual[32];
    std::snprintf(actual, sizeof actual, "0x%016" PRIX64, runDigest(s, r));
    char expected[32];
    std::snprintf(expected, sizeof expected, "0x%016" PRIX64, c.digest);
    EXPECT_STREQ(actual, expected) << s.Results.size() << " points";
}

std::vector<DigestCase> digestCases() {
    const std::pair<const char*, FlagId> detectors[] = {{"Mul", F::rbConfigLPLLMul},
                                                        {"Exor", F::rbConfigDPLLExor},
                                                        {"JK", F::rbConfigDPLLJK},
                                                        {"PFD", F::rbConfigDPLLPFD},
                                                        {"PFDCP", F::rbConfigDPLLPFD_CP}};
    const std::pair<const char*, FlagId> filters[] = {{"PassiveLL", F::rbConfigPassiveLL},
                                                      {"ActiveLL", F::rbConfigActiveLL},
                                                      {"ActivePI", F::rbConfigActivePI}};
    // Every detector with every filter (each detector with PassiveLL, ActiveLL, ActivePI), first
    // without noise, then with it.
    const std::uint64_t pairDigests[] = {
        0x27B8340EF0431558, 0x9EC05A4E108FA2B2, 0xA5B3822F4D4D7E58, 0x49AC06D0313E6748,
        0xEC010C1E50133B26, 0xB1E6EBEDBDCF0279, 0x159163567D3155D3, 0x672B3D7B7DE00876,
        0xBA365D07EC891085, 0x080640ABD4307768, 0xA7E4DAA45100B081, 0xE629E6D6389015D7,
        0x0497250F77377C0E, 0x7D15E8E88ABF7208, 0x3C7032325B0911A6, 0xCBD8E108432F9195,
        0x5692DB81B7F6DDAB, 0xF8BCED85F78140F8, 0xD895371C5CFB7B9A, 0x0EEB6E7B7C17F99B,
        0x358E1414563A2135, 0xB8120B9AD7FD8C31, 0xEE5605E56841AC7E, 0x7443B4B1A2DACC26,
        0x4586E35DF81BFE34, 0x899B2F8D4A4A8477, 0x34066A5F8F56A2BD, 0x3B760D09A1710604,
        0xAEA2D2166B9F8823, 0x76DEEFBF994411AB,
    };
    std::vector<DigestCase> cases;
    std::size_t i = 0;
    for (const bool noise : {false, true})
        for (const auto& [dn, df] : detectors)
            for (const auto& [fn, ff] : filters)
                cases.push_back({std::string(dn) + fn + (noise ? "Noise" : ""), flags({df, ff}),
                                 noise, false, pairDigests[i++]});

    auto phi = [](float deg) { return [deg](ParameterSet& p) { p.Simuldphi = deg; }; };
    auto nStep = [](ParameterSet& p) {
        p.ConfigN = 4;
        p.SimuldN = 1;
    };
    auto nSamp = [](int n) { return [n](ParameterSet& p) { p.SimulnSamp = n; }; };
    const std::vector<DigestCase> more = {
        {"ExorPassiveLLFilter", flags({}), false, true, 0xF8AB87814252ABD6},
        {"MulActiveLLFilter", flags({F::rbConfigLPLLMul, F::rbConfigActiveLL}), false, true,
         0x2900CDE8B3CA2E80},
        {"PFDCPActivePIFilterNoise", flags({F::rbConfigDPLLPFD_CP, F::rbConfigActivePI}), true,
         true, 0x0980CB52C36D0092},
        {"PFDPhiStepLeading", flags({F::rbConfigDPLLPFD, F::rbSimulphistep}, phi(90)), false, false,
         0x71188A8587A8C7B0},
        {"PFDCPPhiStepLagging",
         flags({F::rbConfigDPLLPFD_CP, F::rbConfigActiveLL, F::rbSimulphistep}, phi(-120)), false,
         false, 0xA51C74D7DE318917},
        {"MulPhiStep", flags({F::rbConfigLPLLMul, F::rbSimulphistep}, phi(60)), false, false,
         0xAE8FF12CE0507DD0},
        {"JKPhiStepFullTurn", flags({F::rbConfigDPLLJK, F::rbSimulphistep}, phi(-180)), false,
         false, 0x33BF24FCE349732D},
        {"ExorNStep", flags({F::rbConfigVCOScaler, F::rbSimulNstep}, nStep), false, false,
         0x79006520D857A1F4},
        {"PFDActivePINStepNoise",
         flags({F::rbConfigDPLLPFD, F::rbConfigActivePI, F::rbConfigVCOScaler, F::rbSimulNstep},
               nStep),
         true, false, 0x0CC557F33075E43C},
        {"JKScalerFStep",
         flags({F::rbConfigDPLLJK, F::rbConfigVCOScaler}, [](ParameterSet& p) { p.ConfigN = 4; }),
         false, false, 0xEDBDFBD387B4EF6F},
        {"MulNSamp5", flags({F::rbConfigLPLLMul}, nSamp(5)), false, false, 0xD16958FE0E009BCF},
        {"MulNSamp8Noise", flags({F::rbConfigLPLLMul}, nSamp(8)), true, false, 0x6B8A4AE1D4B8B3EE},
        {"PFDNSamp5", flags({F::rbConfigDPLLPFD}, nSamp(5)), false, false, 0xD29CA48EBDB9C47B},
        {"JKActiveLLNSamp8", flags({F::rbConfigDPLLJK, F::rbConfigActiveLL}, nSamp(8)), false,
         false, 0x533EC2AF9EAB9957},
        {"ExorNSamp8NoiseFilterUnchecked", flags({}, nSamp(8)), true, true, 0x9529E394C3B3B17D},
        {"ExorOrder1", flags({F::rbConfigPLLOrder1}), false, false, 0x0F35F9FE2286BAA8},
        {"MulOrder1Noise", flags({F::rbConfigPLLOrder1, F::rbConfigLPLLMul}), true, false,
         0xBC6EA57345967CC0},
        {"PFDCPOrder1", flags({F::rbConfigPLLOrder1, F::rbConfigDPLLPFD_CP}), false, false,
         0x2D9D723BBAAB456F},
        // Orders 3 to 5 run the whole filter circuit.
        {"ExorPassiveLLOrder3", flags({F::rbConfigPLLOrder3}), false, false, 0xA1BDC81B4B3F68C8},
        {"PFDActiveLLOrder3",
         flags({F::rbConfigPLLOrder3, F::rbConfigDPLLPFD, F::rbConfigActiveLL}), false, false,
         0x05BF72A43F21C694},
        {"PFDCPPassiveLLOrder4", flags({F::rbConfigPLLOrder4, F::rbConfigDPLLPFD_CP}), false, false,
         0x1D981FD4F4439972},
        {"PFDCPActivePIOrder4Real",
         flags({F::rbConfigPLLOrder4, F::rbConfigDPLLPFD_CP, F::rbConfigActivePI,
                F::rbFiltDesignRealPoles}),
         false, false, 0xCB6A24EEFC8E0829},
        {"MulActiveLLOrder5Noise",
         flags({F::rbConfigPLLOrder5, F::rbConfigLPLLMul, F::rbConfigActiveLL}), true, false,
         0x338C896075ECDA8B},
        {"PFDActivePIOrder5Filter",
         flags({F::rbConfigPLLOrder5, F::rbConfigDPLLPFD, F::rbConfigActivePI}), false, true,
         0x20D7715DA64D0B57},
        {"AdpllExor", flags({F::rbConfigADPLL}), false, false, 0x2BF18A89BBFF5A50},
        {"AdpllJK", flags({F::rbConfigADPLL, F::rbConfigADPLLJK}), false, false,
         0xB6220BDBBA593BF2},
        {"AdpllExorNoise", flags({F::rbConfigADPLL}), true, false, 0xA0F7E49739248246},
        {"AdpllJKNoisePhiStep",
         flags({F::rbConfigADPLL, F::rbConfigADPLLJK, F::rbSimulphistep}, phi(45)), true, false,
         0xA9EB53C692FFEDFC},
        {"AdpllExorPhiStepLagging", flags({F::rbConfigADPLL, F::rbSimulphistep}, phi(-90)), false,
         false, 0x9371E484B8C41CBD},
    };
    cases.insert(cases.end(), more.begin(), more.end());
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Configurations, RunDigest, testing::ValuesIn(digestCases()),
                         [](const testing::TestParamInfo<DigestCase>& info) {
                             return info.param.name;
                         });

} // namespace
} // namespace loopcraft
