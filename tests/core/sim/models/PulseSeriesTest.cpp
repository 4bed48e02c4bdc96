// The pulse step as power series in the pulse width against the modal solution of the same
// step, on every circuit a pulsed detector drives: the two must agree to rounding wherever the
// series takes the pulse, and the short pulses of a locked loop must be its.
#include "core/sim/models/PulseSeries.h"

#include "CircuitTestInputs.h"
#include "core/config/Configuration.h"
#include "core/schematic/ComponentValues.h"
#include "core/schematic/FilterCircuit.h"
#include "core/schematic/FilterStateSpace.h"
#include "core/sim/models/ModalSystem.h"

#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace loopcraft {
namespace {

double largest(const FilterStateVector& x) {
    double m = 0;
    for (const double v : x)
        m = std::max(m, std::fabs(v));
    return m;
}

TEST(PulseSeries, AgreesWithTheModalStepOnEveryPulsedCircuit) {
    constexpr double kStep = 2.5e-6; // a quarter of a 100 kHz reference period
    int compared = 0;
    for (const Configuration& c :
         testing::circuitConfigurations({Detector::PFD, Detector::PFD_CP})) {
        const ComponentInputs in = testing::circuitTestInputs(c);
        const FilterCircuit circuit = *filterCircuitFor(c);
        const auto values = CalcComponentValues(in);
        const bool pump = c.detector == Detector::PFD_CP;
        const auto driven = filterStateSpace(circuit, in, values, true);
        const auto open = filterStateSpace(circuit, in, values, pump);
        ASSERT_TRUE(driven && open) << circuit.file;
        auto drivenModes = ModalSystem::fromStateSpace(*driven);
        auto openModes = ModalSystem::fromStateSpace(*open);
        ASSERT_TRUE(drivenModes && openModes) << circuit.file;
        drivenModes->cacheStep(kStep);
        openModes->cacheStep(kStep);
        const auto series = PulseSeries::make(*driven, *open, *drivenModes, *openModes, kStep);
        ASSERT_TRUE(series) << circuit.file;
        const double u = pump ? 2e-4 : 2.5;
        for (const double t :
             {1e-12, 1e-9, 3e-8, 2e-7, 6e-7, 1.3e-6, 0.5 * kStep, 0.9 * kStep, 0.999 * kStep}) {
            FilterStateVector x0{};
            for (int k = 0; k < driven->n; ++k)
                x0[static_cast<std::size_t>(k)] = 0.3 - 0.17 * k;
            FilterStateVector fast = x0;
            FilterStateVector modal = x0;
            double fastIntegral = 0;
            const std::string what =
                circuit.file + (pump ? " pump" : " voltage") + " t=" + std::to_string(t);
            // Every pulse of these networks is the series', however wide.
            ASSERT_TRUE(series->step(fast, u, t, fastIntegral)) << what;
            double integral = drivenModes->advance(modal, u, t).yIntegral;
            integral += openModes->advanceRest(modal, t).yIntegral;
            const double scale = std::max(largest(x0), largest(modal));
            for (int k = 0; k < driven->n; ++k)
                EXPECT_NEAR(fast[static_cast<std::size_t>(k)], modal[static_cast<std::size_t>(k)],
                            1e-13 * scale)
                    << what << " state " << k;
            EXPECT_NEAR(fastIntegral, integral, 1e-13 * scale * kStep) << what;
            ++compared;
        }
    }
    EXPECT_GT(compared, 200);
}

// No pulse, or one that fills the step, is not a pulse step: the modal solution keeps those,
// and the state is left as it was.
TEST(PulseSeries, LeavesStepsWithoutAnEdgeInsideToTheModalSolution) {
    Configuration c;
    c.order = 5;
    c.filter = LoopFilter::ActivePI;
    c.detector = Detector::PFD_CP;
    const ComponentInputs in = testing::circuitTestInputs(c);
    const auto ss = filterStateSpace(*filterCircuitFor(c), in, CalcComponentValues(in), true);
    ASSERT_TRUE(ss);
    auto modes = ModalSystem::fromStateSpace(*ss);
    ASSERT_TRUE(modes);
    modes->cacheStep(1e-3);
    const auto series = PulseSeries::make(*ss, *ss, *modes, *modes, 1e-3);
    ASSERT_TRUE(series);
    // A millisecond is hundreds of the section's time constants: the step is cut up.
    EXPECT_GT(series->segments(), 1);
    EXPECT_LE(series->segments(), PulseSeries::kMaxSegments);
    // Only what a pulse reaches is worked out: a locked loop's short pulses need the first.
    EXPECT_EQ(series->segmentsBuilt(), 1);
    FilterStateVector x{0.1, 0.2, 0.3, 0.4};
    const FilterStateVector before = x;
    double integral = 7;
    for (const double t : {0.0, -1e-6, 1e-3, 2e-3, std::nan("")})
        EXPECT_FALSE(series->step(x, 1e-4, t, integral)) << t;
    EXPECT_EQ(x, before);
    EXPECT_EQ(integral, 7);
    EXPECT_EQ(series->segmentsBuilt(), 1);
    EXPECT_TRUE(series->step(x, 1e-4, 1e-8, integral));
    EXPECT_EQ(series->segmentsBuilt(), 1);
    EXPECT_TRUE(series->step(x, 1e-4, 0.7e-3, integral));
    EXPECT_EQ(series->segmentsBuilt(), 2);
}

} // namespace
} // namespace loopcraft
