// One simulation step of a filter network that a detector drives with a single pulse of width t
// at the step's start (network A_d, input u) and leaves alone for the rest of the step (network
// A_o), as power series in the pulse width with coefficients worked out once per run:
//     x(step) = Σ r^k (M_k x' + m_k u),      ∫ y over the step = I' + Σ r^k (a_k · x' + b_k u),
// where the step is cut into segments of width δ, t = j·δ + r, and x', I' are the state and the
// output's integral after the driven network has run for j·δ (exact, from the cached transition
// of that length). Each segment then needs only a handful of terms; the modal solution would take
// a complex exponential per mode and pulse instead. The number of terms is chosen per pulse from
// the coefficients' own sizes: the first term left out, and the one after it, lie below the
// double's resolution of the leading term. Pulses the series cannot carry are left to the modal
// solution (`step` says so and leaves the state alone).
#pragma once

#include "core/sim/models/ModalSystem.h"

#include <array>
#include <memory>
#include <optional>
#include <vector>

namespace loopcraft {

struct FilterStateSpace;

class PulseSeries {
public:
    static constexpr int kMaxTerms = 16;
    static constexpr int kMaxSegments = 48;

    // `driven`: the network during the pulse; `open`: the same capacitors for the rest of the
    // step (the charge pump's network is the same both ways, its input simply 0 after the
    // pulse); their modal splits, and the step. Nothing when the two do not describe the same
    // capacitors or a value is not finite.
    static std::optional<PulseSeries> make(const FilterStateSpace& driven,
                                           const FilterStateSpace& open,
                                           const ModalSystem& drivenModes,
                                           const ModalSystem& openModes, double step);

    // The step with a pulse of width `t` (0 < t < step) at input `u`, then the open network:
    // advances `x` and gives the output's integral over the step. False, with `x` as it was,
    // when the series does not carry this pulse.
    bool step(FilterStateVector& x, double u, double t, double& integral) const;

    int segments() const { return static_cast<int>(mSegments.size()); }
    // How many segments a pulse has reached so far: each is worked out when first needed.
    int segmentsBuilt() const;

private:
    using Vector = std::array<double, kMaxFilterStates>;
    using Matrix = std::array<Vector, kMaxFilterStates>;

    struct Segment {
        // What the driven network does over j·δ (nothing for the first segment).
        Matrix preE{};
        Vector preF{};
        Vector preA{};
        double preB = 0;
        std::array<Matrix, kMaxTerms + 1> M{};
        std::array<Vector, kMaxTerms + 1> m{};
        std::array<Vector, kMaxTerms + 1> a{};
        std::array<double, kMaxTerms + 1> b{};
        // r up to which terms 0..k serve (0 where even kMaxTerms do not).
        std::array<double, kMaxTerms + 1> reach{};
    };

    // The series of G·E_d and the like, the same for every segment.
    struct Terms;
    // The segment whose open network runs for what `openModes` has cached, with terms 0..last.
    static std::optional<Segment> segment(const Terms& terms, const ModalSystem& openModes,
                                          int last);

    // A segment as the step reads it, in the order it reads it: the prefix (E, F, its integral
    // row and input), then per term m_k, a_k, b_k, then M_0, M_1, ... (n wide, no padding), so
    // that a short pulse touches a few cache lines.
    struct Packed {
        std::array<double, kMaxTerms + 1> reach{};
        bool prefixed = false;
        std::size_t terms = 0; // stored, each of m_k, a_k, b_k
        std::vector<double> data;
        // Where the pulse leaves the matrix alone the state's own course is the full step's
        // (Φ x0, R x0) and only the input's share depends on the pulse: w_0 and β_0 (the
        // prefix's share folded in), then m_k and b_k for k ≥ 1.
        std::vector<double> input;
    };
    Packed pack(const Segment& s, bool prefixed, int terms) const;

    template <int N>
    void stepOf(const Packed& s, FilterStateVector& x, double u, double r, int last,
                double& integral) const;

    // Segment j, worked out on first use (a locked loop's pulses all fall into the first).
    const Packed* segmentAt(std::size_t j) const;

    int mN = 0;
    int mMatrixTerms = 0; // M_k vanish for k ≥ 1 when the pulse leaves the network's matrix alone
    double mStep = 0;
    double mDelta = 0;
    double mSegmentsPerSecond = 0; // 1/δ
    std::shared_ptr<const Terms> mTerms;
    ModalSystem mDrivenModes;
    ModalSystem mOpenModes;
    mutable std::vector<std::shared_ptr<const Packed>> mSegments;
    mutable bool mFailed = false; // a segment could not be worked out: the modal solution serves
};

} // namespace loopcraft
