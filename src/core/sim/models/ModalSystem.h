// Exact response of a linear filter network, dx/dt = A x + B u, y = C x + D u, to an input held
// constant over an interval of any length. A is split once into its modes (eigenvalue λ, right
// vector v, left vector w with w·v = 1); over an interval dt each mode then advances in closed
// form,
//     z(dt) = e^(λ dt) z0 + φ1 (w·B) u,      ∫z = φ1 z0 + φ2 (w·B) u,
// with φ1 = (e^(λ dt) − 1)/λ and φ2 = (e^(λ dt) − 1 − λ dt)/λ² (series near λ dt = 0, so an
// integrator, λ = 0, is exact too). The result is the same for one long interval as for any
// split of it, which keeps a run independent of its step size. The full simulation step always
// lasts the same time: its transition is kept as a real matrix.
//
// A state that nothing moves (a capacitor left without a path when the detector's source is
// open) is held apart from the modes: it keeps its value and drives the others as a constant.
// Coinciding eigenvalues (two stages with the same time constant, a critically damped section)
// have no separate modes, and modes closer than 1e-6 (relative) would cancel each other's
// digits; A is then moved on its diagonal by the least of 1e-8 ... 1e-3 (relative) that sets
// them clear, which moves the response by a few parts in 10^6 (two equal stages), far below any
// part's tolerance. The defaults have tau4 = tau5.
#pragma once

#include <array>
#include <complex>
#include <cstring>
#include <optional>

namespace loopcraft {

struct FilterStateSpace;

inline constexpr int kMaxFilterStates = 7;

using FilterStateVector = std::array<double, kMaxFilterStates>;

// The output at the end of an interval and its integral over the interval.
struct ModalInterval {
    double yEnd = 0;
    double yIntegral = 0;
};

class ModalSystem {
public:
    // Nothing when the network has more than kMaxFilterStates states or its modes cannot be
    // separated.
    static std::optional<ModalSystem> fromStateSpace(const FilterStateSpace& ss);

    int size() const { return mN; }
    // Modes: the states that move (a complex pair counted once); the others keep their value.
    int modes() const { return mModes; }
    // The eigenvalues (1/s), for tests.
    std::complex<double> eigenvalue(int i) const { return mLambda[static_cast<std::size_t>(i)]; }

    // Advances `x` over `dt` with the input held at `u`.
    ModalInterval advance(FilterStateVector& x, double u, double dt) const;
    // With no input for what is left of the cached step after `used`, from the step's
    // exponentials (short pulses then need no further exponential).
    ModalInterval advanceRest(FilterStateVector& x, double used) const;
    // The same for the duration given to cacheStep, from the stored transition.
    void cacheStep(double dt);
    double cachedStep() const { return mStep; }
    ModalInterval advanceStep(FilterStateVector& x, double u) const;
    // The cached step with the input at `u` for its first `t` (0 < t < step) and 0 after: the
    // charge pump's pulse and the idle rest of the step, with one exponential per mode.
    ModalInterval pulseStep(FilterStateVector& x, double u, double t) const;
    // The cached step as matrices over every state (held ones included): x(step) =
    // transition·x0 + input·u and ∫y = integralRow·x0 + integralInput·u.
    const std::array<std::array<double, kMaxFilterStates>, kMaxFilterStates>&
    stepTransition() const {
        return mPhi;
    }
    const std::array<double, kMaxFilterStates>& stepInput() const { return mGamma; }
    const std::array<double, kMaxFilterStates>& stepIntegralRow() const { return mIntC; }
    double stepIntegralInput() const { return mIntD; }
    // The output for the state `x` and the input `u`.
    double output(const FilterStateVector& x, double u) const;

private:
    using Cx = std::complex<double>;
    // The constant input of mode i over an interval: (w_i · B) u plus what the held states feed.
    Cx drive(std::size_t i, const FilterStateVector& x, double u) const;
    void pairConjugates();
    template <int N> ModalInterval advanceStepOf(FilterStateVector& x, double u) const;
    template <class Factors>
    ModalInterval advanceWith(FilterStateVector& x, double u, double dt, Factors factorsOf) const;

    int mN = 0;
    int mModes = 0;   // modes kept (one of each complex pair)
    int mNActive = 0; // states that move
    int mNHeld = 0;
    std::array<int, kMaxFilterStates> mActive{}; // the state of each mode's row
    std::array<int, kMaxFilterStates> mHeld{};
    std::array<Cx, kMaxFilterStates> mLambda{};
    std::array<bool, kMaxFilterStates> mReal{};
    std::array<Cx, kMaxFilterStates>
        mInverse{};                         // 1/λ (0 for an integrator, which the series serves)
    std::array<Cx, kMaxFilterStates> mWB{}; // w_i · B
    std::array<Cx, kMaxFilterStates> mCV{}; // C · v_i
    std::array<std::array<Cx, kMaxFilterStates>, kMaxFilterStates> mWH{}; // w_i · A[:, held h]
    // mV[i][k], mW[i][k]: right and left vector of mode i at the k-th moving state.
    std::array<std::array<Cx, kMaxFilterStates>, kMaxFilterStates> mV{};
    std::array<std::array<Cx, kMaxFilterStates>, kMaxFilterStates> mW{};
    // The same split into real and imaginary parts, for the per-interval sums.
    std::array<std::array<double, kMaxFilterStates>, kMaxFilterStates> mVRe{};
    std::array<std::array<double, kMaxFilterStates>, kMaxFilterStates> mVIm{};
    std::array<std::array<double, kMaxFilterStates>, kMaxFilterStates> mWRe{};
    std::array<std::array<double, kMaxFilterStates>, kMaxFilterStates> mWIm{};
    std::array<double, kMaxFilterStates> mC{};
    double mD = 0;

    double mStep = 0;
    std::array<std::array<double, kMaxFilterStates>, kMaxFilterStates> mPhi{};
    std::array<double, kMaxFilterStates> mGamma{};
    std::array<double, kMaxFilterStates> mIntC{}; // ∫y over the step = mIntC·x0 + mIntD·u
    double mIntD = 0;
    std::array<Cx, kMaxFilterStates> mStepE{}; // e^(λ step)
    // mPhi by columns and mGamma, in pairs of rows (the last pair padded with 0).
    using StatePair = double __attribute__((vector_size(2 * sizeof(double))));
    static constexpr std::size_t kStatePairs = (kMaxFilterStates + 1) / 2;
    std::array<std::array<StatePair, kStatePairs>, kMaxFilterStates> mPhiPairs{};
    std::array<StatePair, kStatePairs> mGammaPairs{};
};

template <int N>
inline ModalInterval ModalSystem::advanceStepOf(FilterStateVector& x, double u) const {
    // Column by column, two rows at a time: each row still adds Γu, then Φ[r][0]·x0, Φ[r][1]·x1,
    // ... in that order, as a row-by-row product would. The state is read a value at a time
    // and written two at a time, so that no read spans two writes: a read that does stalls
    // until the writes have landed, on every step.
    constexpr std::size_t pairs = (N + 1) / 2;
    std::array<StatePair, pairs> next;
    for (std::size_t p = 0; p < pairs; ++p)
        next[p] = mGammaPairs[p] * u;
    ModalInterval r;
    for (std::size_t c = 0; c < N; ++c) {
        const double xc = x[c];
        for (std::size_t p = 0; p < pairs; ++p)
            next[p] += mPhiPairs[c][p] * xc;
        r.yIntegral += mIntC[c] * xc;
    }
    r.yIntegral += mIntD * u;
    for (std::size_t p = 0; p < N / 2; ++p)
        std::memcpy(&x[2 * p], &next[p], sizeof(StatePair));
    if constexpr (N % 2 == 1)
        x[N - 1] = next[pairs - 1][0];
    double y = mD * u;
    for (std::size_t k = 0; k < N; ++k)
        y += mC[k] * x[k];
    r.yEnd = y;
    return r;
}

// Inline, so that a caller that wants only the integral spends nothing on the output.
inline ModalInterval ModalSystem::advanceStep(FilterStateVector& x, double u) const {
    // The size fixed at compile time lets the compiler unroll and vectorise the product.
    static_assert(kMaxFilterStates == 7);
    switch (mN) {
    case 1:
        return advanceStepOf<1>(x, u);
    case 2:
        return advanceStepOf<2>(x, u);
    case 3:
        return advanceStepOf<3>(x, u);
    case 4:
        return advanceStepOf<4>(x, u);
    case 5:
        return advanceStepOf<5>(x, u);
    case 6:
        return advanceStepOf<6>(x, u);
    default:
        return advanceStepOf<7>(x, u);
    }
}

} // namespace loopcraft
