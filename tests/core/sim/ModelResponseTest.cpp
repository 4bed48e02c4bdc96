// The designed loop's step response in time and the lock figures of run and model.
#include "core/sim/ModelResponse.h"

#include "core/design/FilterDesign.h"
#include "core/design/FilterDesignState.h"
#include "core/design/LoopModel.h"
#include "core/design/StepResponse.h"
#include "core/sim/SimulationRun.h"
#include "core/sim/StepMeasures.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace loopcraft {
namespace {

using F = FlagId;
constexpr double kPi = std::numbers::pi;

// A second-order loop with an active PI filter: H = (2ζωn s + ωn²)/(s² + 2ζωn s + ωn²).
ParameterSet activePiLoop(double zeta, double fn) {
    ParameterSet p;
    p.selectFlag(F::rbConfigDPLLExor);
    p.selectFlag(F::rbConfigActivePI);
    p.selectFlag(F::rbConfigPLLOrder2);
    const double wn = 2 * kPi * fn;
    p.ConfigK0 = 1e7f;
    // The design works with the detector's effective gain (the EXOR's from the supply).
    const Configuration c = Configuration::fromFlags(p);
    const double kd = FilterDesignState::fromParameters(p, c).Kd;
    p.FiltDesignTau1 = static_cast<float>(p.ConfigK0 * kd / (wn * wn));
    p.FiltDesignTau2 = static_cast<float>(2 * zeta / wn);
    return p;
}

// The closed form of that loop's step response.
double closedFormStep(double zeta, double wn, double t) {
    const double wd = wn * std::sqrt(1 - zeta * zeta);
    const double e = std::exp(-zeta * wn * t);
    const double noZero = 1 - e / std::sqrt(1 - zeta * zeta) * std::sin(wd * t + std::acos(zeta));
    const double impulse = wn / std::sqrt(1 - zeta * zeta) * e * std::sin(wd * t);
    return noZero + 2 * zeta / wn * impulse;
}

std::vector<double> modelSamples(const ParameterSet& p, double dt, std::size_t count,
                                 double scale = 1) {
    const Configuration c = Configuration::fromFlags(p);
    const auto model = ClosedLoopStepModel::make(FilterDesignState::fromParameters(p, c), c);
    EXPECT_TRUE(model.has_value());
    std::vector<double> y;
    if (model) {
        EXPECT_TRUE(model->sample(dt, count,
                                  [&](std::size_t, double v, double) { y.push_back(scale * v); }));
    }
    return y;
}

TEST(ModelStepResponse, SecondOrderLoopMatchesTheClosedFormAndLocksAt147us) {
    const double zeta = 0.7071;
    const double fn = 10e3;
    const ParameterSet p = activePiLoop(zeta, fn);
    {
        const Configuration c = Configuration::fromFlags(p);
        const FilterDesignState st = FilterDesignState::fromParameters(p, c);
        ASSERT_NEAR(std::sqrt(st.K0 * st.Kd / st.tau1), 2 * kPi * fn, 1e-3 * fn);
        ASSERT_NEAR(st.tau2 * std::sqrt(st.K0 * st.Kd / st.tau1) / 2, zeta, 1e-5);
    }
    const double dt = 0.1e-6;
    const std::vector<double> y = modelSamples(p, dt, 5000, 1e6); // a 1 MHz step, 500 µs
    ASSERT_EQ(y.size(), 5001u);
    double largest = 0;
    for (std::size_t k = 0; k < y.size(); ++k)
        largest =
            std::max(largest, std::abs(y[k] - 1e6 * closedFormStep(zeta, 2 * kPi * fn, k * dt)));
    EXPECT_LT(largest, 1.0); // Hz of 1 MHz: the float-valued design entries, nothing more

    const SettlingFigures f = MeasureSettling(y, 0.0, dt, 0.0, 1e6, 1e3);
    EXPECT_TRUE(f.settled);
    EXPECT_NEAR(f.lockTime, 147.4e-6, 0.3e-6);
    // The closed form's first peak: its impulse response ωn·e^(−ζωn t)·(2ζ cos ωd t +
    // (1 − 2ζ²)/√(1 − ζ²)·sin ωd t) falls through zero.
    const double wd = 2 * kPi * fn * std::sqrt(1 - zeta * zeta);
    const double tPeak =
        std::atan2(2 * zeta * std::sqrt(1 - zeta * zeta), -(1 - 2 * zeta * zeta)) / wd;
    EXPECT_NEAR(f.peakTime, tPeak, dt);
    EXPECT_NEAR(f.overshootPct, 100 * (closedFormStep(zeta, 2 * kPi * fn, tPeak) - 1), 0.01);
    EXPECT_NEAR(f.finalValue, 1e6, 1e3);
}

TEST(ModelStepResponse, AgreesWithTheFrequencyDomainStepMeansForHigherOrders) {
    struct Case {
        const char* name;
        std::vector<F> flags;
    };
    const std::vector<Case> cases = {
        {"order 3 PFD+CP passive",
         {F::rbConfigDPLLPFD_CP, F::rbConfigPassiveLL, F::rbConfigPLLOrder3}},
        {"order 4 EXOR active LL",
         {F::rbConfigDPLLExor, F::rbConfigActiveLL, F::rbConfigPLLOrder4}},
        {"order 5 JK passive", {F::rbConfigDPLLJK, F::rbConfigPassiveLL, F::rbConfigPLLOrder5}},
        {"order 2 PFD passive", {F::rbConfigDPLLPFD, F::rbConfigPassiveLL, F::rbConfigPLLOrder2}},
    };
    for (const Case& c : cases) {
        ParameterSet p;
        for (F f : c.flags)
            p.selectFlag(f);
        const Configuration config = Configuration::fromFlags(p);
        FilterDesignState st = FilterDesignState::fromParameters(p, config);
        ASSERT_TRUE(DesignForBandwidth(st, config, 5000.0f)) << c.name;
        const double period = 1e-5;
        const std::size_t periods = 200;
        const std::vector<double> reference = ClosedLoopStepMeans(st, config, period, periods, 0.0);
        ASSERT_EQ(reference.size(), periods) << c.name;
        const auto model = ClosedLoopStepModel::make(st, config);
        ASSERT_TRUE(model) << c.name;
        // Means over each period from 64 samples a period (Simpson would be finer; this is
        // plenty for a response that is smooth at this scale).
        std::vector<double> samples;
        ASSERT_TRUE(model->sample(period / 64, periods * 64,
                                  [&](std::size_t, double y, double) { samples.push_back(y); }));
        std::vector<double> steps(samples.begin() + 1, samples.end());
        for (std::size_t k = 0; k < steps.size(); ++k)
            steps[k] = 0.5 * (samples[k] + samples[k + 1]);
        const std::vector<double> means = PeriodMeansOfSteps(steps, 64);
        EXPECT_LT(LargestDifference(means, reference, 1.0), 2e-3) << c.name;
    }
}

TEST(ModelStepResponse, UnusableDesignsHaveNoModel) {
    ParameterSet p = activePiLoop(0.7, 1e3);
    p.FiltDesignTau1 = 0; // no integrator gain
    const Configuration c = Configuration::fromFlags(p);
    EXPECT_FALSE(ClosedLoopStepModel::make(FilterDesignState::fromParameters(p, c), c));
    p = activePiLoop(0.7, 1e3);
    const auto model = ClosedLoopStepModel::make(FilterDesignState::fromParameters(p, c), c);
    ASSERT_TRUE(model);
    EXPECT_FALSE(model->sample(0.0, 10, [](std::size_t, double, double) {}));
    EXPECT_FALSE(model->sample(std::nan(""), 10, [](std::size_t, double, double) {}));
}

TEST(MeasureSettling, LastExitNotFirstEntryAndNotSettledAtTheEnd) {
    // Enters the band at k = 2, leaves it at k = 4, back for good from k = 6.
    const std::vector<double> v{0, 5, 9.95, 10.02, 10.5, 10.2, 10.0, 10.05, 9.99};
    const SettlingFigures f = MeasureSettling(v, 0.0, 1.0, 0.0, 10.0, 0.1);
    EXPECT_TRUE(f.settled);
    // The crossing between k = 5 (0.2 out) and k = 6 (0 out), at the band's edge 0.1.
    EXPECT_NEAR(f.lockTime, 5.5, 1e-12);
    EXPECT_NEAR(f.overshootPct, 5.0, 1e-9);
    EXPECT_DOUBLE_EQ(f.peakTime, 4.0); // 10.02 at k = 3 rises on: the first peak is k = 4
    EXPECT_DOUBLE_EQ(f.finalValue, 9.99);

    const std::vector<double> drifting{0, 4, 8, 9, 9.5, 9.7};
    const SettlingFigures g = MeasureSettling(drifting, 0.0, 1.0, 0.0, 10.0, 0.1);
    EXPECT_FALSE(g.settled);
    EXPECT_TRUE(std::isnan(g.lockTime));
    EXPECT_TRUE(std::isnan(g.peakTime));
    EXPECT_EQ(g.overshootPct, 0);

    // A falling step (phase error from 90° to 0) measures the same way.
    const std::vector<double> falling{90, 30, -6, 1, 0.5};
    const SettlingFigures h = MeasureSettling(falling, 0.0, 1.0, 90.0, 0.0, 0.9);
    EXPECT_TRUE(h.settled);
    EXPECT_NEAR(h.overshootPct, 6.0 / 90 * 100, 1e-9);
    EXPECT_DOUBLE_EQ(h.peakTime, 2.0);
    EXPECT_NEAR(h.lockTime, 3.2, 1e-12); // from 1° out at k = 3 to 0.5° at k = 4
    EXPECT_FALSE(MeasureSettling({}, 0, 1, 0, 1, 0.1).settled);
}

// A run of `p` with its stimulus and the figures of run and model.
struct Compared {
    LockFigures run;
    ModelResponse model;
    std::size_t points = 0;
};

Compared runAndModel(const ParameterSet& p, bool filter, double toleranceSetting = 0) {
    Compared out;
    SimState s;
    s.setParameters(p);
    s.cbSimulFilter = filter;
    const SimulationRunResult r = runSimulation(s);
    EXPECT_TRUE(r.ok());
    const double tol = LockTolerance(s, toleranceSetting);
    const auto run = RunLockFigures(s, tol);
    EXPECT_TRUE(run.has_value());
    if (run)
        out.run = *run;
    std::string why;
    const auto model = ModelStepResponse(s, tol, true, &why);
    EXPECT_TRUE(model.has_value()) << why;
    if (model)
        out.model = *model;
    out.points = s.Results.size();
    return out;
}

TEST(LockFigures, DefaultLoopFrequencyStepRunAgreesWithItsModel) {
    ParameterSet p; // EXOR, passive lead-lag, order 2, 2 kHz step at 100 kHz
    p.SimulT = 0.002f;
    SimState s;
    s.setParameters(p);
    s.cbSimulFilter = true;
    ASSERT_TRUE(runSimulation(s).ok());
    EXPECT_DOUBLE_EQ(LockTolerance(s, 0), 20.0); // 1 % of the step
    const auto run = RunLockFigures(s, 20.0);
    const auto model = ModelStepResponse(s, 20.0, true);
    ASSERT_TRUE(run && model);
    EXPECT_FALSE(run->phase);
    EXPECT_DOUBLE_EQ(run->step, 2000.0);
    ASSERT_TRUE(run->figures.settled);
    EXPECT_NEAR(run->figures.overshootPct, model->lock.figures.overshootPct, 2.0);
    EXPECT_NEAR(run->figures.peakTime, model->lock.figures.peakTime, 1.5e-5);
    EXPECT_NEAR(run->figures.finalValue, 2000.0, 20.0);
    // The last exit is a knife edge: where the response creeps along the band's edge, a few Hz
    // move it by several periods. The run's lies between the model's for a band 30 % narrower
    // and 30 % wider.
    const double narrower = ModelStepResponse(s, 14.0, false)->lock.figures.lockTime;
    const double wider = ModelStepResponse(s, 26.0, false)->lock.figures.lockTime;
    EXPECT_LE(wider, run->figures.lockTime);
    EXPECT_GE(narrower, run->figures.lockTime);
    // The model's curve lies on the run's time grid, in volts of Uf, and ends where the run's
    // Uf ends: 2π·2 kHz/K0 above mid-supply.
    EXPECT_EQ(model->curve.size(), s.Results.size());
    EXPECT_NEAR(model->curve.back(), 2.5 + 2 * kPi * 2000.0 / 130000.0, 1e-3);
    EXPECT_NEAR(model->curve.back(), s.Results.back().Curve2, 2e-3);
}

TEST(LockFigures, ALoopThatHitsItsRailNeverSettles) {
    ParameterSet p;
    p.Simuldf = 80000; // far beyond what 2 V of control swing reaches at K0 = 130000
    p.SimulT = 0.001f;
    const Compared c = runAndModel(p, false);
    EXPECT_FALSE(c.run.figures.settled);
    EXPECT_TRUE(std::isnan(c.run.figures.lockTime));
    EXPECT_LT(c.run.figures.finalValue, 0.8 * 80000);
    EXPECT_TRUE(c.model.lock.figures.settled); // the linear model knows no rail
}

TEST(LockFigures, PhaseStepLocksOnThePhaseErrorInDegrees) {
    ParameterSet p;
    p.selectFlag(F::rbSimulphistep);
    p.Simuldphi = 45;
    p.SimulT = 0.002f;
    const Compared c = runAndModel(p, true, 1.0); // a 1° band
    EXPECT_TRUE(c.run.phase);
    EXPECT_DOUBLE_EQ(c.run.figures.tolerance, 1.0);
    ASSERT_TRUE(c.run.figures.settled);
    ASSERT_TRUE(c.model.lock.figures.settled);
    EXPECT_NEAR(c.run.figures.finalValue, 0.0, 1.0);
    EXPECT_NEAR(c.run.figures.lockTime, c.model.lock.figures.lockTime,
                0.2 * c.model.lock.figures.lockTime);
    // The model's Uf answers a phase step with a pulse that decays back to mid-supply.
    EXPECT_NEAR(c.model.curve.back(), 2.5, 1e-3);
}

TEST(LockFigures, AdpllFollowsItsFirstOrderModel) {
    ParameterSet p;
    p.selectFlag(F::rbConfigADPLL);
    p.Simuldf = 1000;
    p.SimulT = 0.02f;
    const Compared c = runAndModel(p, false, 200.0);
    const Configuration config = Configuration::fromFlags(p);
    const double k = OpenLoopFactorsOf(FilterDesignState::fromParameters(p, config), config).gain;
    ASSERT_GT(k, 0);
    // First order: the deviation reaches the band (20 % of the step) at ln(5)/K.
    EXPECT_NEAR(c.model.lock.figures.lockTime, std::log(5.0) / k, 0.01 / k);
    EXPECT_NEAR(c.model.lock.figures.overshootPct, 0.0, 1e-9);
    // The run's DCO jumps by whole counter steps each period: measured on its mean over the
    // loop's time constant, and in a band wider than what is left of those steps.
    EXPECT_GT(c.run.averagedPeriods, 1u);
    ASSERT_TRUE(c.run.figures.settled);
    // Its lock time cannot be told finer than the window it is averaged over.
    const double window = static_cast<double>(c.run.averagedPeriods) / 101000.0;
    EXPECT_LE(c.run.figures.lockTime, c.model.lock.figures.lockTime + 0.6 * window);
    EXPECT_NEAR(c.run.figures.finalValue, 1000.0, 200.0);
    EXPECT_EQ(c.model.curve.size(), c.points);
    EXPECT_NEAR(c.model.curve.back(), 1000.0, 10.0); // delta_f2 in Hz
}

TEST(LockFigures, NoiseIsSaidAndTheToleranceDefaultsToOnePercent) {
    ParameterSet p;
    p.selectFlag(F::rbSimulNstep);
    p.selectFlag(F::rbConfigVCOScaler);
    p.ConfigN = 4;
    p.SimuldN = 1;
    SimState s;
    s.setParameters(p);
    EXPECT_DOUBLE_EQ(LockTolerance(s, 0), 0.01 * 100000); // dN·f0 = 100 kHz of the oscillator
    EXPECT_DOUBLE_EQ(LockTolerance(s, 250), 250);
    s.cbSimulAddNoise = true;
    s.SimulT = 0.0005f;
    ASSERT_TRUE(runSimulation(s).ok());
    const auto run = RunLockFigures(s, LockTolerance(s, 0));
    ASSERT_TRUE(run);
    EXPECT_TRUE(run->overNoise);
}

} // namespace
} // namespace loopcraft
