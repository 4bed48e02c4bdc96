// The noise generator against the loop model: in a locked loop the oscillator's phase jitter
// caused by reference noise is S_phi * B_L, with S_phi = 1 / (2 * SNR * B * fRef) the phase
// noise density that the noise settings put on the reference's edges and B_L = integral of |H|^2
// over frequency the noise bandwidth of the closed loop model. If the generator's level, the
// band-pass, the crossing search or the detectors' use of the crossings drifted, or the
// simulated loop stopped following its model, the two would part.
#include "core/design/FilterDesign.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopModel.h"
#include "core/sim/SimulationRun.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace loopcraft {
namespace {

constexpr float kFRef = 100000;
constexpr int kSteps = 4;            // per reference period
constexpr std::size_t kSettle = 200; // reference periods left out at the start
constexpr float kRunSeconds = 0.1f;  // 10 000 periods: the estimate scatters by about 4 %

// The default EXOR loop designed for a bandwidth, at rest (no step) at fRef.
ParameterSet lockedLoop(float f3db) {
    ParameterSet p;
    const Configuration config = Configuration::fromFlags(p);
    FilterDesignState st = FilterDesignState::fromParameters(p, config);
    EXPECT_TRUE(DesignForBandwidth(st, config, f3db));
    p.FiltDesignTau1 = st.tau1;
    p.FiltDesignTau2 = st.tau2;
    p.FiltDesignKa = st.Ka;
    p.Simulf0 = kFRef;
    p.selectFlag(FlagId::rbSimulfstep);
    p.Simuldf = 0;
    p.SimulnSamp = kSteps;
    p.SimulT = kRunSeconds;
    p.SimulSNR = 20;
    p.SimulNoiseBW = 0.5f;
    return p;
}

std::vector<float> controlVoltage(const ParameterSet& p, bool noise) {
    SimState s;
    s.setParameters(p);
    s.cbSimulAddNoise = noise;
    EXPECT_TRUE(runSimulation(s).ok());
    std::vector<float> uf;
    for (const ResultPair& r : s.Results)
        uf.push_back(std::clamp(r.Curve2, p.ConfigVCOSatN, p.ConfigVCOSatP));
    return uf;
}

// Variance (rad^2) of the oscillator phase that the noise adds, from the control voltages of a
// noisy and a noise-free run: the oscillator integrates K0 * (Uf - Uf_clean) step by step. The
// noise-free run takes out the settling and the detector's ripple; the per-period means are the
// phase as the reference sees it once a period.
double noisePhaseVariance(const ParameterSet& p) {
    const std::vector<float> noisy = controlVoltage(p, true);
    const std::vector<float> clean = controlVoltage(p, false);
    const double radPerVoltStep = p.ConfigK0 / (kSteps * static_cast<double>(kFRef));
    std::vector<double> means;
    double phase = 0;
    double sum = 0;
    for (std::size_t i = 1; i < noisy.size(); ++i) {
        phase += (static_cast<double>(noisy[i]) - clean[i]) * radPerVoltStep;
        sum += phase;
        if (i % kSteps == 0) {
            if (i / kSteps > kSettle)
                means.push_back(sum / kSteps);
            sum = 0;
        }
    }
    double mean = 0;
    for (const double m : means)
        mean += m;
    mean /= static_cast<double>(means.size());
    double var = 0;
    for (const double m : means)
        var += (m - mean) * (m - mean);
    return var / static_cast<double>(means.size());
}

// Integral of |H|^2 of the loop model up to fRef/2, which the once-a-period means can see.
double loopNoiseBandwidth(const ParameterSet& p) {
    const Configuration config = Configuration::fromFlags(p);
    const FilterDesignState st = FilterDesignState::fromParameters(p, config);
    constexpr int kPoints = 5000;
    const double df = kFRef / 2.0 / kPoints;
    double sum = 0;
    for (int i = 0; i < kPoints; ++i) {
        const auto f = static_cast<float>((i + 0.5) * df);
        sum += EvaluateLoop(st, config, f).closedLoopMagSq * df;
    }
    return sum;
}

TEST(NoiseJitter, LockedLoopJitterIsTheReferencePhaseNoiseInTheLoopBandwidth) {
    std::vector<double> bandwidths;
    for (const float f3db : {2500.0f, 5000.0f}) {
        const ParameterSet p = lockedLoop(f3db);
        const double snr = std::pow(10.0, p.SimulSNR / 10.0);
        const double sPhi = 1.0 / (2.0 * snr * p.SimulNoiseBW * kFRef);
        const double bL = loopNoiseBandwidth(p);
        bandwidths.push_back(bL);
        const double expected = sPhi * bL;
        EXPECT_NEAR(noisePhaseVariance(p) / expected, 1.0, 0.1)
            << "f3db " << f3db << " Hz, B_L " << bL << " Hz";
    }
    // Two loops that differ: the noise bandwidth of the wider one is nearly twice as large.
    EXPECT_GT(bandwidths[1], 1.7 * bandwidths[0]);
}

} // namespace
} // namespace loopcraft
