// The integral of a piecewise power-law curve against closed forms, and the jitter it gives.
#include "core/noise/NoiseIntegral.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>

namespace loopcraft {
namespace {

double dbOf(double p) {
    return 10.0 * std::log10(p);
}

// L = A/f² from 1 kHz to 100 kHz, then a white floor B to 1 MHz, given as three points.
TEST(NoiseIntegral, InverseSquareThenFloorIsExact) {
    const double A = 1e-6 * 1e6; // -60 dBc/Hz at 1 kHz
    const double B = 1e-10;      // -100 dBc/Hz, where A/f² lands at 100 kHz
    const std::vector<double> f = {1e3, 1e5, 1e6};
    const std::vector<double> L = {dbOf(A / 1e6), dbOf(A / 1e10), dbOf(B)};
    const double exact = 2.0 * (A * (1.0 / 1e3 - 1.0 / 1e5) + B * (1e6 - 1e5));
    EXPECT_NEAR(integratePhaseNoise(f, L, 1e3, 1e6) / exact, 1.0, 1e-12);
    // A band that starts and ends inside segments.
    const double part = 2.0 * (A * (1.0 / 2e3 - 1.0 / 1e5) + B * (5e5 - 1e5));
    EXPECT_NEAR(integratePhaseNoise(f, L, 2e3, 5e5) / part, 1.0, 1e-12);
}

// The sum A/f² + B sampled densely: straight lines in log-log converge on the smooth curve.
TEST(NoiseIntegral, DenselySampledSumConvergesOnTheClosedForm) {
    const double A = 1.0, B = 1e-11;
    std::vector<double> f, L;
    for (int i = 0; i <= 600; ++i) {
        f.push_back(std::pow(10.0, 1.0 + 5.0 * i / 600.0));
        L.push_back(dbOf(A / (f.back() * f.back()) + B));
    }
    const double exact = 2.0 * (A * (1.0 / 10.0 - 1.0 / 1e6) + B * (1e6 - 10.0));
    EXPECT_NEAR(integratePhaseNoise(f, L, 10, 1e6) / exact, 1.0, 1e-4);
}

// -10 dB/decade is the branch where the power law integrates to a logarithm.
TEST(NoiseIntegral, MinusTenDbPerDecadeIsLogarithmic) {
    const std::vector<double> f = {10, 1e5};
    const std::vector<double> L = {-80, -120};
    const double exact = 2.0 * 1e-8 * 10.0 * std::log(1e4);
    EXPECT_NEAR(integratePhaseNoise(f, L, 10, 1e5) / exact, 1.0, 1e-12);
    // Slopes a hair either side give nearly the same value, with no jump.
    const double below = integratePhaseNoise(f, {-80, -120 - 1e-9}, 10, 1e5);
    const double above = integratePhaseNoise(f, {-80, -120 + 1e-9}, 10, 1e5);
    EXPECT_NEAR(below / exact, 1.0, 1e-8);
    EXPECT_NEAR(above / exact, 1.0, 1e-8);
    EXPECT_LT(below, above);
}

TEST(NoiseIntegral, FlatCurveGivesPhaseAndJitter) {
    // -100 dBc/Hz over 1 MHz: φ² = 2·1e-10·1e6 = 2e-4 rad².
    const auto r = integrateNoise({1, 1e6 + 1}, {-100, -100}, 1, 1e6 + 1, 1e8);
    EXPECT_NEAR(r.phaseVariance, 2e-4, 1e-15);
    EXPECT_NEAR(r.rmsPhaseRad, std::sqrt(2e-4), 1e-15);
    EXPECT_NEAR(r.rmsPhaseDeg, std::sqrt(2e-4) * 180 / std::numbers::pi, 1e-12);
    EXPECT_NEAR(r.jitterSeconds, std::sqrt(2e-4) / (2 * std::numbers::pi * 1e8), 1e-22);
}

TEST(NoiseIntegral, BandChecks) {
    const std::vector<double> f = {10, 100, 1000};
    EXPECT_FALSE(checkIntegrationBand(f, 10, 1000));
    EXPECT_NE(checkIntegrationBand(f, 500, 100)->find("reversed"), std::string::npos);
    EXPECT_NE(checkIntegrationBand(f, 100, 100)->find("reversed"), std::string::npos);
    EXPECT_NE(checkIntegrationBand(f, 1, 100)->find("outside"), std::string::npos);
    EXPECT_NE(checkIntegrationBand(f, 10, 2000)->find("outside"), std::string::npos);
    EXPECT_NE(checkIntegrationBand(f, 0, 100)->find("positive"), std::string::npos);
    EXPECT_NE(checkIntegrationBand(f, std::nan(""), 100)->find("finite"), std::string::npos);
    EXPECT_NE(checkIntegrationBand({10}, 10, 10.5)->find("two offsets"), std::string::npos);
}

} // namespace
} // namespace loopcraft
