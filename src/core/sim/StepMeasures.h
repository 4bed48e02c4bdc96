// Figures of a step response measured on per-period means, so that the ripple a detector leaves
// on the control voltage at the reference frequency and its harmonics drops out: overshoot, 2 %
// settling time and the largest difference between two responses. One measure for the
// simulation's curves, a circuit simulator's time points and the loop model's step response, so
// that they are compared on the same terms.
#pragma once

#include <cstddef>
#include <vector>

namespace loopcraft {

// Means over the periods [k·period, (k+1)·period), k = 0..count−1, of a curve given as
// consecutive steps of equal length, `stepsPerPeriod` of them to a period, each holding the
// curve's value over its step (the simulation's points after the first). A period the steps do
// not fill is left out.
std::vector<double> PeriodMeansOfSteps(const std::vector<double>& steps, int stepsPerPeriod);

// The same for a curve given at time points `t` (rising, seconds) with values `v`, straight
// between points (a circuit simulator's transient). Periods past the last point are left out.
std::vector<double> PeriodMeansOfPoints(const std::vector<double>& t, const std::vector<double>& v,
                                        double period, std::size_t count);

struct StepFigures {
    // Largest excursion beyond the final value, % of the swing; 0 when the response never
    // passes it.
    double overshootPct = 0;
    // Seconds from the step until the per-period means stay within ±2 % of the swing around the
    // final value; infinite when the last period is still outside.
    double settlingTime = 0;
    // The overshoot's period: its end, seconds.
    double peakTime = 0;
};

// `means` are per-period means (period seconds) of a response that starts at `start` and heads
// for `final` (start ≠ final).
StepFigures MeasureStep(const std::vector<double>& means, double period, double start,
                        double final);

// Largest |a[k] − b[k]| over the periods both cover, relative to |swing|.
double LargestDifference(const std::vector<double>& a, const std::vector<double>& b, double swing);

// Largest distance of x[k] from the band between a[k] and b[k] (say one response shifted by
// the two ends of a delay it may have), relative to |swing|, over the periods all three cover.
double LargestDifferenceOutside(const std::vector<double>& x, const std::vector<double>& a,
                                const std::vector<double>& b, double swing);

// Lock figures of a step response, the same for a run and for the loop model.
struct SettlingFigures {
    double tolerance = 0; // half-width of the band around the target (Hz or degrees)
    bool settled = false; // the response ends inside the band
    // Seconds to the last exit from the band (0 when never outside); NaN when not settled.
    double lockTime = 0;
    // Largest excursion beyond the target, % of the step (0 when never beyond).
    double overshootPct = 0;
    // Seconds to the first peak beyond the target; NaN when the response never passes it.
    double peakTime = 0;
    double finalValue = 0; // the last value
    double runTime = 0;    // time of the last value, s
};

// Measures `v`, the values at t0 + k·dt of a quantity that steps from `start` to `target`
// (start ≠ target): the band is target ± tolerance, and a crossing of its edge is placed by
// straight interpolation between samples. Empty `v`: not settled.
SettlingFigures MeasureSettling(const std::vector<double>& v, double t0, double dt, double start,
                                double target, double tolerance);

// The relative difference |x − reference|/|reference| of two figures, each allowed `floor`
// first (an overshoot of 0.5 % against 0.3 % is not a 67 % fault). Both infinite: 0.
double RelativeDifference(double x, double reference, double floor);

} // namespace loopcraft
