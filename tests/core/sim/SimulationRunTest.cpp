#include "core/sim/SimulationRun.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>
#include <tuple>

namespace loopcraft {
namespace {

constexpr float kPi = 3.14159265f;

// A SimState holding the default parameters with the given changes, ready to run.
std::unique_ptr<SimState> makeState(const std::function<void(ParameterSet&)>& change = {}) {
    ParameterSet p;
    if (change)
        change(p);
    auto s = std::make_unique<SimState>();
    s->setParameters(p);
    return s;
}

// The state after a run with the "Filter" option (one point per reference period).
std::unique_ptr<SimState> runFiltered(const std::function<void(ParameterSet&)>& change) {
    auto s = makeState(change);
    s->cbSimulFilter = true;
    EXPECT_TRUE(runSimulation(*s).ok());
    return s;
}

float finalUf(const SimState& s) {
    return s.Results.empty() ? NAN : s.Results.back().Curve2;
}

TEST(ValidateSimulation, FirstBrokenRuleWithItsFocus) {
    constexpr Stimulus S = Stimulus::FStep;
    // (field, text, stimulus, message, focus)
    const std::tuple<TextId, const char*, Stimulus, const char*, TextId> rules[] = {
        {TextId::Simulf0, "0", S, "f0 must be > 0", TextId::Simulf0},
        {TextId::Simuldf, "-100000", S, "Sum f0 + df must be > 0", TextId::Simuldf},
        {TextId::Simuldphi, "180.5", Stimulus::PhiStep, "dphi must be in range -180..180",
         TextId::Simuldphi},
        {TextId::SimuldN, "-1", Stimulus::NStep, "Sum N + dN must be > 0", TextId::SimuldN},
        {TextId::SimulnSamp, "65", S, "nSamp must be in range 4..64", TextId::SimulnSamp},
        {TextId::SimulT, "0", S, "T must be > 0", TextId::SimulT},
        {TextId::SimulZoomFact, "17", S, "ZoomFact must be in range 1..16", TextId::SimulZoomFact},
        // Checked even though no noise is added.
        {TextId::SimulNoiseBW, "0.09", S, "NoiseBWRel must be in range 0.1..1",
         TextId::SimulNoiseBW},
        {TextId::SimulT, "30000", S, "T too large: the run would need more than 2000000000 steps",
         TextId::SimulT},
        // Beyond the memory limit even with "Filter" and without noise.
        {TextId::SimulT, "2000", S, "T too large: the run would need more than 1 GiB of memory",
         TextId::SimulT}};
    for (const auto& [field, text, stimulus, message, focus] : rules) {
        ParameterSet p;
        ASSERT_TRUE(p.setEntry(field, text));
        const auto m = ValidateSimulation(p, stimulus, Configuration::fromFlags(p));
        ASSERT_TRUE(m.has_value()) << textName(focus) << " " << text;
        EXPECT_EQ(m->title + ": " + m->text, std::string("Illegal Entry: ") + message);
        EXPECT_EQ(m->field, focus) << text;
    }
}

TEST(ValidateSimulation, BoundariesAreAcceptedAndTheOrderDecides) {
    ParameterSet p;
    for (float dphi : {-180.0f, 180.0f}) {
        p.Simuldphi = dphi;
        EXPECT_FALSE(ValidateSimulation(p, Stimulus::PhiStep, Configuration::fromFlags(p)));
    }
    p.ConfigN = 1;
    p.SimuldN = 0;
    EXPECT_FALSE(ValidateSimulation(p, Stimulus::NStep, Configuration::fromFlags(p)));
    p.SimuldN = -1; // N + dN = 0
    EXPECT_TRUE(ValidateSimulation(p, Stimulus::NStep, Configuration::fromFlags(p)));
    p.SimulnSamp = 3; // before T
    p.SimulT = -1;
    EXPECT_EQ(ValidateSimulation(p, Stimulus::FStep, Configuration::fromFlags(p))->field,
              TextId::SimulnSamp);
}

TEST(ReadSimulationEntries, StopsAtTheFirstFormatErrorKeepingEarlierFields) {
    ParameterSet p;
    SimulationEntries e = SimulationEntries::fromParameters(p);
    e.Simulf0 = "50000";
    e.SimulnSamp = "8";
    e.SimulT = "1x";
    e.SimulZoomFact = "4";
    const auto m = ReadSimulationEntries(p, e, Stimulus::FStep, false);
    ASSERT_TRUE(m.has_value());
    EXPECT_EQ(m->title + ": " + m->text, "Format error: Invalid floating format");
    EXPECT_EQ(m->field, TextId::SimulT);
    EXPECT_EQ(p.Simulf0, 50000);
    EXPECT_EQ(p.SimulnSamp, 8);
    EXPECT_EQ(p.SimulZoomFact, 1); // after the broken field: not read

    ParameterSet a;
    SimulationEntries ea = SimulationEntries::fromParameters(a);
    ea.SimulnSamp = "bad"; // hidden for the all-digital loop, never read
    EXPECT_FALSE(ReadSimulationEntries(a, ea, Stimulus::FStep, true));
    EXPECT_EQ(a.SimulnSamp, 1);
}

TEST(PanelPreparation, ProposedRunLengthText) {
    EXPECT_EQ(FormatProposedT(4.0f / 5000), "0.000800000");
    EXPECT_EQ(FormatProposedT(4.0f / 5027.3f), "0.000796000");
    ParameterSet p;
    p.setEntry(TextId::ConfigLDPLLf0, "1e5");
    const Configuration config = Configuration::fromFlags(p);
    const auto prep =
        PrepareSimulationPanel(p, config, FilterDesignState::fromParameters(p, config));
    EXPECT_EQ(p.text(TextId::Simulf0), "1e5");
    EXPECT_EQ(p.text(TextId::SimulT), prep.proposedT.value_or("none"));
}

// The memory check counts the run's arrays as the run allocates them: results, reference
// records (one shared record without noise), noise arrays and the ADPLL's edge list.
TEST(RunSize, CountsExactlyWhatTheRunAllocates) {
    // (name, changes, noise, "Filter")
    const std::tuple<const char*, std::function<void(ParameterSet&)>, bool, bool> runs[] = {
        {"exor", {}, false, false},
        {"exor filtered", {}, false, true},
        {"mul noisy", [](ParameterSet& p) { p.selectFlag(FlagId::rbConfigLPLLMul); }, true, false},
        {"pfd noisy filtered", [](ParameterSet& p) { p.selectFlag(FlagId::rbConfigDPLLPFD); }, true,
         true},
        {"nSamp 8 unchecks the filter", [](ParameterSet& p) { p.SimulnSamp = 8; }, true, true},
        {"adpll", [](ParameterSet& p) { p.selectFlag(FlagId::rbConfigADPLL); }, false, false},
        {"adpll noisy phase step",
         [](ParameterSet& p) {
             p.selectFlag(FlagId::rbConfigADPLL);
             p.selectFlag(FlagId::rbSimulphistep);
             p.Simuldphi = -170;
         },
         true, false}};
    for (const auto& [name, change, noise, filter] : runs) {
        ParameterSet p;
        p.SimulT = 0.003f;
        if (change)
            change(p);
        SimState s;
        s.setParameters(p);
        s.cbSimulAddNoise = noise;
        s.cbSimulFilter = filter;
        ASSERT_TRUE(runSimulation(s).ok()) << name;
        const double allocated =
            static_cast<double>(s.Results.capacity() * sizeof(ResultPair) +
                                s.RefPeriodRecords.capacity() * sizeof(RefPeriodRecord) +
                                (s.WhiteNoise.capacity() + s.RefSignal.capacity()) * sizeof(float) +
                                s.RefEdgeList.capacity() * sizeof(double));
        const Configuration config = Configuration::fromFlags(p);
        EXPECT_EQ(EstimateRunSize(p, StimulusFromFlags(p), config, noise, filter).bytes, allocated)
            << name;
    }
}

// A noisy run without "Filter" at four steps a period takes 100 bytes a period: a 36-byte
// record, four white-noise and four signal floats, four result points; and 1104 bytes besides
// (the noise arrays' 274 extra floats, the first point). 1 GiB thus holds 10737407 periods.
TEST(RunSize, RefusesJustAboveTheLimitWithTheLiveChoices) {
    auto periods = [](int count) {
        ParameterSet p;
        p.selectFlag(FlagId::rbSimulphistep); // the reference at f0: T = periods / f0 exactly
        p.Simulf0 = 65536;
        p.SimulT = static_cast<float>(count) / 65536.0f;
        return p;
    };
    const ParameterSet fits = periods(10737407);
    const ParameterSet over = periods(10737408);
    const Configuration config = Configuration::fromFlags(fits);
    EXPECT_LE(EstimateRunSize(fits, Stimulus::PhiStep, config, true, false).bytes, kMaxRunBytes);
    EXPECT_GT(EstimateRunSize(over, Stimulus::PhiStep, config, true, false).bytes, kMaxRunBytes);

    // Without noise or with "Filter" the larger run would fit: only the run, which knows the
    // live choices, refuses it, before it has changed anything: the old results stay valid.
    EXPECT_FALSE(ValidateSimulation(over, Stimulus::PhiStep, config));
    auto s = makeState();
    ASSERT_TRUE(runSimulation(*s).ok());
    const std::vector<ResultPair> before = s->Results;
    s->setParameters(over);
    s->cbSimulAddNoise = true;
    const SimulationRunResult refused = runSimulation(*s);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.refusal->text, "T too large: the run would need more than 1 GiB of memory");
    EXPECT_EQ(s->Results, before);
    EXPECT_TRUE(s->ResultsValid);

    // 138 s of the noisy default loop: 1.4 GB, once let through as if "Filter" were checked.
    auto noisy = makeState([](ParameterSet& p) { p.SimulT = 138; });
    noisy->cbSimulAddNoise = true;
    EXPECT_FALSE(runSimulation(*noisy).ok());
}

// A run with a sink hands over, in order, exactly the points a kept run keeps, and holds one
// block at most: its memory stays that of a short run. A non-finite point is named the same way.
TEST(RunSimulation, HandedOverRunGivesTheKeptPointsAndHoldsOneBlock) {
    for (const float tau2 : {0.0f, 3.4e38f}) {
        const auto change = [tau2](ParameterSet& p) {
            p.SimulT = 0.4f; // 163 200 points, two full blocks and a part
            if (tau2 != 0)
                p.FiltDesignTau2 = tau2;
        };
        auto kept = makeState(change);
        const SimulationRunResult keptRun = runSimulation(*kept);

        auto handedOver = makeState(change);
        std::vector<ResultPair> received;
        std::size_t largestBlock = 0;
        handedOver->ResultSink = [&](const std::vector<ResultPair>& block) {
            received.insert(received.end(), block.begin(), block.end());
            largestBlock = std::max(largestBlock, block.size());
        };
        const SimulationRunResult run = runSimulation(*handedOver);
        ASSERT_EQ(run.ok(), keptRun.ok()) << tau2;
        if (!run.ok()) {
            EXPECT_EQ(run.refusal->text, keptRun.refusal->text);
            continue;
        }
        EXPECT_EQ(received, kept->Results);
        EXPECT_EQ(run.points, kept->Results.size());
        EXPECT_EQ(largestBlock, kResultBlockPoints);
        EXPECT_LE(handedOver->Results.capacity(), kResultBlockPoints);
        EXPECT_FALSE(handedOver->ResultsValid) << "nothing is left to show";
        EXPECT_EQ(MakePlotSetup(*handedOver, {}).numPoints, kept->Results.size());

        ParameterSet p;
        change(p);
        const Configuration config = Configuration::fromFlags(p);
        const auto bytes = [&](bool handOver) {
            return EstimateRunSize(p, Stimulus::FStep, config, false, false, handOver).bytes;
        };
        EXPECT_EQ(
            bytes(false) - bytes(true),
            static_cast<double>((kept->Results.size() - kResultBlockPoints) * sizeof(ResultPair)));
    }
    // 2000 s would need 1.6 GB kept even with "Filter", one block handed over.
    ParameterSet longRun;
    longRun.SimulT = 2000;
    const Configuration config = Configuration::fromFlags(longRun);
    EXPECT_TRUE(ValidateSimulation(longRun, Stimulus::FStep, config));
    EXPECT_FALSE(ValidateSimulation(longRun, Stimulus::FStep, config, true));
}

// Every step recorded, or one point per period when filtered (only at four steps per period).
TEST(RunSimulation, RecordedPointCounts) {
    auto filtered = makeState();
    filtered->cbSimulFilter = true;
    float lastProgress = -1;
    ASSERT_TRUE(runSimulation(*filtered, [&](float f) { lastProgress = f; }).ok());
    EXPECT_EQ(lastProgress, 1.0f);
    EXPECT_EQ(filtered->Results.size(), static_cast<std::size_t>(filtered->NumRefPeriods) + 1);

    auto eight = makeState([](ParameterSet& p) { p.SimulnSamp = 8; });
    eight->cbSimulFilter = true;
    const SimulationRunResult r = runSimulation(*eight);
    EXPECT_TRUE(r.filterUnchecked);
    EXPECT_FALSE(eight->cbSimulFilter);
    EXPECT_EQ(eight->Results.size(), eight->SimulNumSteps + 1u);
}

// (detector, loop filter)
class FrequencyStep : public testing::TestWithParam<std::pair<FlagId, FlagId>> {};

TEST_P(FrequencyStep, VcoSettlesAtTheNewFrequency) {
    auto s = runFiltered([](ParameterSet& p) {
        p.selectFlag(GetParam().first);
        p.selectFlag(GetParam().second);
        p.SimulT = 0.01f;
    });
    const float settled = 2.5f + 2 * kPi * 2000 / 130000; // the VCO at f0 + df
    EXPECT_NEAR(finalUf(*s), settled, 2e-3f);
    EXPECT_GT(s->Curve2Max, settled); // the step first pushes the voltage beyond its final value
}

using F = FlagId;
const std::pair<FlagId, FlagId> kLoops[] = {
    {F::rbConfigDPLLExor, F::rbConfigPassiveLL}, {F::rbConfigDPLLExor, F::rbConfigActivePI},
    {F::rbConfigDPLLJK, F::rbConfigActiveLL},    {F::rbConfigDPLLPFD, F::rbConfigPassiveLL},
    {F::rbConfigDPLLPFD, F::rbConfigActivePI},   {F::rbConfigLPLLMul, F::rbConfigPassiveLL},
    {F::rbConfigLPLLMul, F::rbConfigActiveLL},   {F::rbConfigDPLLPFD_CP, F::rbConfigPassiveLL},
    {F::rbConfigDPLLPFD_CP, F::rbConfigActivePI}};
INSTANTIATE_TEST_SUITE_P(Loops, FrequencyStep, testing::ValuesIn(kLoops));

TEST(RunSimulation, PhaseStepSettlesBackToTheCentreVoltage) {
    for (float dphi : {90.0f, -180.0f}) {
        auto s = runFiltered([dphi](ParameterSet& p) {
            p.selectFlag(FlagId::rbSimulphistep);
            p.selectFlag(FlagId::rbConfigDPLLPFD);
            p.Simuldphi = dphi;
            p.SimulT = 0.01f;
        });
        EXPECT_NEAR(finalUf(*s), 2.5f, 1e-3f) << dphi;
        // The loop answered: the control voltage left the centre on the way.
        EXPECT_GT(s->Curve2Max - s->Curve2Min, 0.05f) << dphi;
    }
}

TEST(RunSimulation, AdpllInsideItsHoldRangeFollowsAFrequencyStep) {
    auto s = makeState([](ParameterSet& p) {
        p.selectFlag(FlagId::rbConfigADPLL);
        p.SimulT = 0.01f;
    });
    ASSERT_TRUE(runSimulation(*s).ok());
    ASSERT_EQ(s->Results.size(), static_cast<std::size_t>(s->NumRefPeriods) + 1);
    const std::size_t half = s->Results.size() / 2;
    double sum = 0;
    for (std::size_t i = half; i < s->Results.size(); ++i) {
        sum += s->Results[i].Curve2;
        EXPECT_LT(std::fabs(s->Results[i].Curve1), 90.0f) << i; // phase error stays bounded
    }
    EXPECT_NEAR(sum / static_cast<double>(s->Results.size() - half), 2000, 100);
}

// Every run starts the noise from its seed: the same seed gives the same run, whatever ran
// before and however long the run, another seed another realisation.
TEST(RunSimulation, NoiseComesFromTheSeed) {
    auto a = makeState();
    auto b = makeState();
    a->cbSimulAddNoise = b->cbSimulAddNoise = true;
    ASSERT_TRUE(runSimulation(*a).ok());
    ASSERT_TRUE(runSimulation(*b).ok());
    EXPECT_EQ(a->Results, b->Results);
    const std::vector<ResultPair> first = a->Results;
    ASSERT_TRUE(runSimulation(*a).ok());
    EXPECT_EQ(a->Results, first); // a second run of the same state repeats the first
    a->sidecar.NoiseSeed = 2;
    ASSERT_TRUE(runSimulation(*a).ok());
    EXPECT_NE(a->Results, first);
    // Seeds 1 and 2 differ from the first period on.
    EXPECT_NE(a->RefPeriodRecords[0].QuarterSample, b->RefPeriodRecords[0].QuarterSample);
    a->sidecar.NoiseSeed = 1;
    ASSERT_TRUE(runSimulation(*a).ok());
    EXPECT_EQ(a->Results, first);

    // An all-digital run whose noisy reference never crosses zero still runs on the grid.
    auto d = makeState([](ParameterSet& p) {
        p.selectFlag(FlagId::rbConfigADPLL);
        p.SimulSNR = 1000;
    });
    d->cbSimulAddNoise = true;
    ASSERT_TRUE(runSimulation(*d).ok());
    EXPECT_EQ(d->Results.size(), static_cast<std::size_t>(d->NumRefPeriods) + 1);
}

// With almost no noise a run follows the noise-free one, whichever side of t = 0 the noisy
// reference's first rising crossing falls on: the edge detectors must start on the level the
// noisy reference has there (taking it the wrong way round relocks the loop half a cycle away),
// and the PFD must pair that crossing with the oscillator edge the noise-free run pairs it with.
TEST(RunSimulation, NoisyRunFollowsTheNoiseFreeOne) {
    const FlagId detectors[] = {FlagId::rbConfigDPLLExor, FlagId::rbConfigDPLLJK,
                                FlagId::rbConfigDPLLPFD, FlagId::rbConfigDPLLPFD_CP};
    for (const FlagId detector : detectors) {
        for (const float dphi : {0.0f, -45.0f}) {
            const auto change = [&](ParameterSet& p) {
                p.selectFlag(detector);
                p.selectFlag(FlagId::rbConfigActivePI);
                p.selectFlag(dphi == 0 ? FlagId::rbSimulfstep : FlagId::rbSimulphistep);
                p.Simuldphi = dphi;
                p.SimulSNR = 60;
                p.SimulT = 0.002f;
            };
            auto clean = makeState(change);
            ASSERT_TRUE(runSimulation(*clean).ok());
            bool before = false;
            bool after = false;
            // 77: a crossing that rounds onto the end of period 55.
            for (const std::uint32_t seed : {1u, 3u, 77u}) {
                auto noisy = makeState(change);
                noisy->cbSimulAddNoise = true;
                noisy->sidecar.NoiseSeed = seed;
                ASSERT_TRUE(runSimulation(*noisy).ok());
                (noisy->RefPeriodRecords[0].QuarterSample[0] < 0 ? after : before) = true;
                ASSERT_EQ(noisy->Results.size(), clean->Results.size());
                float worst = 0;
                for (std::size_t i = 0; i < clean->Results.size(); ++i)
                    worst = std::max(
                        worst, std::fabs(noisy->Results[i].Curve2 - clean->Results[i].Curve2));
                EXPECT_LT(worst, 0.005f)
                    << static_cast<int>(detector) << " dphi " << dphi << " seed " << seed;
                // The same lock: the oscillators end within a small fraction of a cycle.
                EXPECT_NEAR(noisy->Theta2End, clean->Theta2End, 0.1)
                    << static_cast<int>(detector) << " dphi " << dphi;
            }
            // The noise starts on both sides of the clean reference's edge at t = 0.
            EXPECT_TRUE(before && after);
        }
    }
}

TEST(RunSimulation, MillionPeriodRunSettlesLikeAShortOne) {
    auto shortRun = runFiltered([](ParameterSet& p) { p.SimulT = 0.01f; });
    auto longRun = runFiltered([](ParameterSet& p) { p.SimulT = 10.0f; });
    ASSERT_GE(longRun->NumRefPeriods, 1000000);
    EXPECT_NEAR(finalUf(*longRun), finalUf(*shortRun), 1e-3f);
}

} // namespace
} // namespace loopcraft
