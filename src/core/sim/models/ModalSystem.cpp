// Modal split of a small filter network: characteristic polynomial (Faddeev-LeVerrier), its
// roots (Durand-Kerner, then Newton), and each mode's projector from the other eigenvalues
// (Sylvester: P_i = Π_{j≠i} (A − λ_j)/(λ_i − λ_j), of rank one).
#include "core/sim/models/ModalSystem.h"

#include "core/schematic/FilterStateSpace.h"

#include <algorithm>
#include <cmath>
#include <type_traits>
#include <vector>

namespace loopcraft {

namespace {

using Cx = std::complex<double>;
using Matrix = std::vector<std::vector<Cx>>;

Matrix product(const Matrix& a, const Matrix& b) {
    const std::size_t n = a.size();
    Matrix c(n, std::vector<Cx>(n));
    for (std::size_t i = 0; i < n; ++i)
        for (std::size_t k = 0; k < n; ++k)
            for (std::size_t j = 0; j < n; ++j)
                c[i][j] += a[i][k] * b[k][j];
    return c;
}

// a / b without the library's careful complex division: the operands here are far from the
// range limits it guards against, and it is slow.
Cx quotient(Cx a, Cx b) {
    const double d = std::norm(b);
    return Cx((a.real() * b.real() + a.imag() * b.imag()) / d,
              (a.imag() * b.real() - a.real() * b.imag()) / d);
}

bool finite(Cx z) {
    return std::isfinite(z.real()) && std::isfinite(z.imag());
}

// Roots of Σ c[k] z^k with c[n] = 1.
std::vector<Cx> polynomialRoots(const std::vector<double>& c) {
    const int n = static_cast<int>(c.size()) - 1;
    auto value = [&](Cx z) {
        Cx p = c[static_cast<std::size_t>(n)];
        for (int k = n - 1; k >= 0; --k)
            p = p * z + c[static_cast<std::size_t>(k)];
        return p;
    };
    double bound = 0;
    for (int k = 0; k < n; ++k)
        bound = std::max(bound, std::fabs(c[static_cast<std::size_t>(k)]));
    const double radius = 0.5 * (1 + bound);
    std::vector<Cx> z(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
        z[static_cast<std::size_t>(i)] = radius * std::pow(Cx(0.4, 0.9), i + 1);
    for (int iter = 0; iter < 500; ++iter) {
        double change = 0;
        for (int i = 0; i < n; ++i) {
            Cx den = 1;
            for (int j = 0; j < n; ++j)
                if (j != i)
                    den *= z[static_cast<std::size_t>(i)] - z[static_cast<std::size_t>(j)];
            if (!(std::norm(den) > 1e-300))
                den = 1e-140; // two estimates met: part them (its square must not underflow)
            const Cx step = quotient(value(z[static_cast<std::size_t>(i)]), den);
            if (!finite(step))
                continue;
            z[static_cast<std::size_t>(i)] -= step;
            change =
                std::max(change, std::norm(step) / (1 + std::norm(z[static_cast<std::size_t>(i)])));
        }
        if (change < 1e-12) // Newton and the matrix's own correction finish the job
            break;
    }
    // Newton on each root sharpens what the simultaneous iteration left.
    for (Cx& r : z) {
        for (int iter = 0; iter < 3; ++iter) {
            Cx p = c[static_cast<std::size_t>(n)];
            Cx dp = 0;
            for (int k = n - 1; k >= 0; --k) {
                dp = dp * r + p;
                p = p * r + c[static_cast<std::size_t>(k)];
            }
            const Cx step = quotient(p, dp);
            if (!finite(step))
                break;
            r -= step;
        }
    }
    return z;
}

// tr((z - a)^-1) = p'(z)/p(z) for p(z) = det(z - a), from the matrix itself: near a cluster of
// eigenvalues the expanded polynomial has lost the digits that tell them apart, the matrix has
// not. Nothing when z is an eigenvalue to working precision.
std::optional<Cx> logDerivative(const Matrix& a, Cx z) {
    const std::size_t n = a.size();
    Matrix m(n, std::vector<Cx>(2 * n));
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t j = 0; j < n; ++j)
            m[i][j] = (i == j ? z : Cx(0)) - a[i][j];
        m[i][n + i] = 1;
    }
    for (std::size_t c = 0; c < n; ++c) {
        std::size_t p = c;
        for (std::size_t r = c + 1; r < n; ++r)
            if (std::abs(m[r][c]) > std::abs(m[p][c]))
                p = r;
        if (std::abs(m[p][c]) == 0)
            return std::nullopt;
        std::swap(m[c], m[p]);
        for (std::size_t r = 0; r < n; ++r) {
            if (r == c)
                continue;
            const Cx f = quotient(m[r][c], m[c][c]);
            for (std::size_t k = c; k < 2 * n; ++k)
                m[r][k] -= f * m[c][k];
        }
    }
    Cx trace = 0;
    for (std::size_t i = 0; i < n; ++i)
        trace += quotient(m[i][n + i], m[i][i]);
    return trace;
}

// Aberth's correction of all roots at once with p'/p taken from the matrix.
void refineEigenvalues(const Matrix& a, std::vector<Cx>& mu) {
    for (int pass = 0; pass < 8; ++pass) {
        for (std::size_t i = 0; i < mu.size(); ++i) {
            const std::optional<Cx> g = logDerivative(a, mu[i]);
            if (!g || std::abs(*g) == 0)
                continue;
            Cx others = 0;
            for (std::size_t j = 0; j < mu.size(); ++j)
                if (j != i && mu[j] != mu[i])
                    others += quotient(1.0, mu[i] - mu[j]);
            const Cx w = quotient(1.0, *g);
            const Cx step = quotient(w, 1.0 - w * others);
            if (finite(step))
                mu[i] -= step;
        }
    }
}

} // namespace

std::optional<ModalSystem> ModalSystem::fromStateSpace(const FilterStateSpace& ss) {
    const int n = ss.n;
    if (n < 1 || n > kMaxFilterStates)
        return std::nullopt;
    const auto un = static_cast<std::size_t>(n);
    for (const double v : ss.A)
        if (!std::isfinite(v))
            return std::nullopt;
    ModalSystem sys;
    sys.mN = n;
    for (std::size_t k = 0; k < un; ++k)
        sys.mC[k] = ss.C[k];
    sys.mD = ss.D;
    // A state that nothing moves (a capacitor whose only path is open) keeps its charge.
    for (int i = 0; i < n; ++i) {
        bool held = ss.B[static_cast<std::size_t>(i)] == 0;
        for (int j = 0; j < n && held; ++j)
            held = ss.A[static_cast<std::size_t>(i * n + j)] == 0;
        if (held)
            sys.mHeld[static_cast<std::size_t>(sys.mNHeld++)] = i;
        else
            sys.mActive[static_cast<std::size_t>(sys.mNActive++)] = i;
    }
    const auto um = static_cast<std::size_t>(sys.mNActive);
    sys.mModes = sys.mNActive;
    if (um == 0)
        return sys;
    auto entry = [&](int r, int c) { return ss.A[static_cast<std::size_t>(r * n + c)]; };
    double scale = 0;
    for (std::size_t i = 0; i < um; ++i)
        for (std::size_t j = 0; j < um; ++j)
            scale = std::max(scale, std::fabs(entry(sys.mActive[i], sys.mActive[j])));
    if (scale == 0)
        scale = 1; // nothing but integrators

    for (const double nudge : {0.0, 1e-8, 1e-7, 1e-6, 2e-6, 5e-6, 1e-5, 1e-4, 1e-3}) {
        Matrix a(um, std::vector<Cx>(um));
        for (std::size_t i = 0; i < um; ++i)
            for (std::size_t j = 0; j < um; ++j)
                a[i][j] = entry(sys.mActive[i], sys.mActive[j]) / scale;
        for (std::size_t i = 0; i < um; ++i)
            a[i][i] *= 1 + nudge * static_cast<double>(i + 1);

        // Faddeev-LeVerrier: p(z) = det(z - a).
        std::vector<double> coeff(um + 1, 0.0);
        coeff[um] = 1;
        Matrix m(um, std::vector<Cx>(um));
        for (std::size_t k = 1; k <= um; ++k) {
            m = product(a, m);
            for (std::size_t i = 0; i < um; ++i)
                m[i][i] += coeff[um - k + 1];
            const Matrix am = product(a, m);
            Cx trace = 0;
            for (std::size_t i = 0; i < um; ++i)
                trace += am[i][i];
            coeff[um - k] = -trace.real() / static_cast<double>(k);
        }
        std::vector<Cx> mu = polynomialRoots(coeff);
        refineEigenvalues(a, mu);
        if (!std::all_of(mu.begin(), mu.end(), finite))
            continue;

        // Modes closer than this (relative) would cancel each other's digits; the matrix is moved
        // until they stand clear.
        bool separate = true;
        for (std::size_t i = 0; i < um && separate; ++i)
            for (std::size_t j = i + 1; j < um; ++j)
                if (std::abs(mu[i] - mu[j]) < 1e-6 * std::max(std::abs(mu[i]), std::abs(mu[j])))
                    separate = false;
        if (!separate)
            continue;

        Matrix sum(um, std::vector<Cx>(um));
        bool ok = true;
        for (std::size_t i = 0; i < um && ok; ++i) {
            Matrix p(um, std::vector<Cx>(um));
            for (std::size_t k = 0; k < um; ++k)
                p[k][k] = 1;
            for (std::size_t j = 0; j < um; ++j) {
                if (j == i)
                    continue;
                Matrix f = a;
                for (std::size_t k = 0; k < um; ++k)
                    f[k][k] -= mu[j];
                p = product(f, p);
                const Cx d = mu[i] - mu[j];
                const Cx inverse = quotient(1.0, d);
                for (auto& r : p)
                    for (Cx& e : r)
                        e *= inverse;
            }
            std::size_t best = 0;
            for (std::size_t k = 1; k < um; ++k)
                if (std::abs(p[k][k]) > std::abs(p[best][best]))
                    best = k;
            if (!(std::abs(p[best][best]) > 0)) {
                ok = false;
                break;
            }
            Cx lambda = mu[i] * scale;
            const bool real = std::fabs(lambda.imag()) <= 1e-12 * std::abs(lambda);
            if (real)
                lambda = lambda.real();
            sys.mLambda[i] = lambda;
            sys.mReal[i] = real;
            sys.mWB[i] = 0;
            sys.mCV[i] = 0;
            sys.mWH[i] = {};
            for (std::size_t k = 0; k < um; ++k) {
                const auto row = static_cast<std::size_t>(sys.mActive[k]);
                sys.mV[i][k] = p[k][best];
                sys.mW[i][k] = quotient(p[best][k], p[best][best]);
                sys.mWB[i] += sys.mW[i][k] * ss.B[row];
                sys.mCV[i] += ss.C[row] * sys.mV[i][k];
                for (int h = 0; h < sys.mNHeld; ++h)
                    sys.mWH[i][static_cast<std::size_t>(h)] +=
                        sys.mW[i][k] *
                        entry(sys.mActive[k], sys.mHeld[static_cast<std::size_t>(h)]);
            }
            for (std::size_t r = 0; r < um; ++r)
                for (std::size_t c = 0; c < um; ++c)
                    sum[r][c] += mu[i] * sys.mV[i][r] * sys.mW[i][c];
        }
        if (!ok)
            continue;
        // The modes must rebuild the (moved) matrix.
        double error = 0;
        for (std::size_t r = 0; r < um; ++r)
            for (std::size_t c = 0; c < um; ++c)
                error = std::max(error, std::abs(sum[r][c] - a[r][c]));
        if (!(error < 1e-9))
            continue;
        sys.pairConjugates();
        for (int i = 0; i < sys.mModes; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            sys.mInverse[ui] = std::abs(sys.mLambda[ui]) > 0 ? 1.0 / sys.mLambda[ui] : Cx(0);
            for (std::size_t k = 0; k < kMaxFilterStates; ++k) {
                sys.mVRe[ui][k] = sys.mV[ui][k].real();
                sys.mVIm[ui][k] = sys.mV[ui][k].imag();
                sys.mWRe[ui][k] = sys.mW[ui][k].real();
                sys.mWIm[ui][k] = sys.mW[ui][k].imag();
            }
        }
        return sys;
    }
    return std::nullopt;
}

namespace {

// e^(λ dt), φ1 and φ2 of one mode.
struct ModeFactors {
    Cx e, phi1, phi2;
};

// A complex number as two doubles with the plain textbook operations: the same roundings as
// std::complex for the finite values met here, without the library's check for a NaN result
// after every product, which keeps the series below out of registers and in branches.
struct Pair {
    double re, im;
};
[[gnu::always_inline]] inline Pair operator*(Pair a, Pair b) {
    return {a.re * b.re - a.im * b.im, a.re * b.im + a.im * b.re};
}
[[gnu::always_inline]] inline Pair operator+(double s, Pair a) {
    return {s + a.re, a.im};
}
[[gnu::always_inline]] inline Pair operator/(Pair a, double s) {
    return {a.re / s, a.im / s};
}

// φ1/dt and φ2/dt² by their series, for |x| < 0.05 (|x|^9/9! below 1e-18). The pulses of a
// detector in lock are far shorter than that: below |x| = 1e-3 the terms from x^6 on lie
// under 1e-21 and are left out, which shortens the chain of dependent operations that bounds
// a pulse step's time.
template <class T> [[gnu::always_inline]] inline T phi1SeriesOf(T x, double norm) {
    if (norm < 1e-6)
        return 1.0 + x * (1.0 / 2 + x * (1.0 / 6 + x * (1.0 / 24 + x * (1.0 / 120 + x / 720.0))));
    return 1.0 + x * (1.0 / 2 +
                      x * (1.0 / 6 +
                           x * (1.0 / 24 +
                                x * (1.0 / 120 +
                                     x * (1.0 / 720 +
                                          x * (1.0 / 5040 + x * (1.0 / 40320 + x / 362880.0)))))));
}
template <class T> [[gnu::always_inline]] inline T phi2SeriesOf(T x, double norm) {
    if (norm < 1e-6)
        return 1.0 / 2 +
               x * (1.0 / 6 + x * (1.0 / 24 + x * (1.0 / 120 + x * (1.0 / 720 + x / 5040.0))));
    return 1.0 / 2 +
           x * (1.0 / 6 +
                x * (1.0 / 24 +
                     x * (1.0 / 120 +
                          x * (1.0 / 720 +
                               x * (1.0 / 5040 +
                                    x * (1.0 / 40320 + x * (1.0 / 362880 + x / 3628800.0)))))));
}
[[gnu::always_inline]] inline double phi1Series(double x) {
    return phi1SeriesOf(x, x * x);
}
[[gnu::always_inline]] inline double phi2Series(double x) {
    return phi2SeriesOf(x, x * x);
}
[[gnu::always_inline]] inline Cx phi1Series(Cx x) {
    const Pair r = phi1SeriesOf(Pair{x.real(), x.imag()}, std::norm(x));
    return {r.re, r.im};
}
[[gnu::always_inline]] inline Cx phi2Series(Cx x) {
    const Pair r = phi2SeriesOf(Pair{x.real(), x.imag()}, std::norm(x));
    return {r.re, r.im};
}

// e^x as the C library's complex exponential computes it for finite arguments of moderate size
// (the same exp, sin and cos, the same two products), without its classification of the
// argument and its call.
[[gnu::always_inline]] inline double expOf(double x) {
    return std::exp(x);
}
[[gnu::always_inline]] inline Cx expOf(Cx x) {
    const double magnitude = std::exp(x.real());
    return {magnitude * std::cos(x.imag()), magnitude * std::sin(x.imag())};
}

// e^x, from the series where it is short: a pulse is brief against most modes.
template <class T> [[gnu::always_inline]] inline T expSmall(T x) {
    if (std::norm(x) < 0.0025)
        return 1.0 + x * phi1Series(x);
    return expOf(x);
}

template <class T>
[[gnu::always_inline]] inline ModeFactors factors(T lambda, T inverse, double dt) {
    const T x = lambda * dt;
    if (std::norm(x) < 0.0025) {
        const T p1 = phi1Series(x);
        return {1.0 + x * p1, dt * p1, dt * dt * phi2Series(x)};
    }
    const T e = expOf(x);
    const T phi1 = (e - 1.0) * inverse;
    return {e, phi1, (phi1 - dt) * inverse};
}

// The factors for step − used from the step's exponential.
template <class T>
[[gnu::always_inline]] inline ModeFactors restFactors(T lambda, T inverse, T stepE, double step,
                                                      double used) {
    const double dt = step - used;
    const T x = lambda * dt;
    if (std::norm(x) < 0.0025) {
        const T p1 = phi1Series(x);
        return {1.0 + x * p1, dt * p1, dt * dt * phi2Series(x)};
    }
    const T e = stepE * expSmall(T(-lambda * used));
    const T phi1 = (e - 1.0) * inverse;
    return {e, phi1, (phi1 - dt) * inverse};
}

ModeFactors modeFactors(Cx lambda, Cx inverse, bool real, double dt) {
    return real ? factors(lambda.real(), inverse.real(), dt) : factors(lambda, inverse, dt);
}

} // namespace

void ModalSystem::pairConjugates() {
    // The two modes of a complex pair give conjugate contributions: one of them, counted twice,
    // gives the same real sum for half the work. Not for a pair split only by rounding (a
    // critically damped section): there the two large contributions cancel, and only the pair
    // as computed cancels to full precision.
    for (int i = 0; i < mModes; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        if (mReal[ui] || !(mLambda[ui].imag() > 1e-3 * std::abs(mLambda[ui])))
            continue;
        for (int j = 0; j < mModes; ++j) {
            const auto uj = static_cast<std::size_t>(j);
            if (j == i || mReal[uj] ||
                std::abs(mLambda[uj] - std::conj(mLambda[ui])) > 1e-9 * std::abs(mLambda[ui]))
                continue;
            for (int k = 0; k < kMaxFilterStates; ++k)
                mV[ui][static_cast<std::size_t>(k)] *= 2.0;
            mCV[ui] *= 2.0;
            // Close the gap the partner leaves.
            for (int m = j; m + 1 < mModes; ++m) {
                const auto a = static_cast<std::size_t>(m);
                const auto b = static_cast<std::size_t>(m + 1);
                mLambda[a] = mLambda[b];
                mReal[a] = mReal[b];
                mWB[a] = mWB[b];
                mCV[a] = mCV[b];
                mV[a] = mV[b];
                mW[a] = mW[b];
                mWH[a] = mWH[b];
            }
            --mModes;
            if (j < i)
                --i;
            break;
        }
    }
}

Cx ModalSystem::drive(std::size_t i, const FilterStateVector& x, double u) const {
    Cx d = mWB[i] * u;
    for (int h = 0; h < mNHeld; ++h)
        d += mWH[i][static_cast<std::size_t>(h)] *
             x[static_cast<std::size_t>(mHeld[static_cast<std::size_t>(h)])];
    return d;
}

ModalInterval ModalSystem::advance(FilterStateVector& x, double u, double dt) const {
    return advanceWith(x, u, dt, [&](std::size_t, auto lambda, auto inverse) {
        return factors(lambda, inverse, dt);
    });
}

ModalInterval ModalSystem::advanceRest(FilterStateVector& x, double used) const {
    return advanceWith(x, 0.0, mStep - used, [&](std::size_t i, auto lambda, auto inverse) {
        using T = decltype(lambda);
        const T stepE = [&] {
            if constexpr (std::is_same_v<T, double>)
                return mStepE[i].real();
            else
                return mStepE[i];
        }();
        return restFactors(lambda, inverse, stepE, mStep, used);
    });
}

template <class Factors>
ModalInterval ModalSystem::advanceWith(FilterStateVector& x, double u, double dt,
                                       Factors factorsOf) const {
    std::array<double, kMaxFilterStates> active{}; // the moving states, in mode order
    for (int k = 0; k < mNActive; ++k)
        active[static_cast<std::size_t>(k)] =
            x[static_cast<std::size_t>(mActive[static_cast<std::size_t>(k)])];
    // Each mode's factors first, apart from the sums over the modes: the series are long
    // chains of dependent operations, and the processor can only overlap those of several modes
    // when nothing ties them together.
    std::array<ModeFactors, kMaxFilterStates> factorsOfMode;
    for (int i = 0; i < mModes; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        factorsOfMode[ui] = mReal[ui] ? factorsOf(ui, mLambda[ui].real(), mInverse[ui].real())
                                      : factorsOf(ui, mLambda[ui], mInverse[ui]);
    }
    std::array<double, kMaxFilterStates> next{};
    ModalInterval r;
    for (int i = 0; i < mModes; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        const Cx d = drive(ui, x, u);
        const ModeFactors& f = factorsOfMode[ui];
        const double* wRe = mWRe[ui].data();
        const double* vRe = mVRe[ui].data();
        if (mReal[ui]) { // the same in real arithmetic, half the work
            const double e = f.e.real();
            const double phi1 = f.phi1.real();
            const double phi2 = f.phi2.real();
            double z0 = 0;
            for (int k = 0; k < mNActive; ++k)
                z0 += wRe[k] * active[static_cast<std::size_t>(k)];
            const double zEnd = e * z0 + phi1 * d.real();
            for (int k = 0; k < mNActive; ++k)
                next[static_cast<std::size_t>(k)] += vRe[k] * zEnd;
            r.yIntegral += mCV[ui].real() * (phi1 * z0 + phi2 * d.real());
            continue;
        }
        // Complex products written out (the real part of v·z is vr·zr − vi·zi), in the order
        // std::complex takes them.
        const double* wIm = mWIm[ui].data();
        const double* vIm = mVIm[ui].data();
        double z0Re = 0;
        double z0Im = 0;
        for (int k = 0; k < mNActive; ++k) {
            const double a = active[static_cast<std::size_t>(k)];
            z0Re += wRe[k] * a;
            z0Im += wIm[k] * a;
        }
        const Cx z0(z0Re, z0Im);
        const Cx zEnd = f.e * z0 + f.phi1 * d;
        const Cx zInt = f.phi1 * z0 + f.phi2 * d;
        const double zr = zEnd.real();
        const double zi = zEnd.imag();
        for (int k = 0; k < mNActive; ++k)
            next[static_cast<std::size_t>(k)] += vRe[k] * zr - vIm[k] * zi;
        r.yIntegral += (mCV[ui] * zInt).real();
    }
    double heldOutput = mD * u;
    for (int h = 0; h < mNHeld; ++h) {
        const auto k = static_cast<std::size_t>(mHeld[static_cast<std::size_t>(h)]);
        heldOutput += mC[k] * x[k];
    }
    r.yIntegral += heldOutput * dt;
    for (int k = 0; k < mNActive; ++k)
        x[static_cast<std::size_t>(mActive[static_cast<std::size_t>(k)])] =
            next[static_cast<std::size_t>(k)];
    r.yEnd = output(x, u);
    return r;
}

void ModalSystem::cacheStep(double dt) {
    mStep = dt;
    mPhi = {};
    mGamma = {};
    mIntC = {};
    mIntD = mD * dt;
    for (int h = 0; h < mNHeld; ++h) {
        const auto k = static_cast<std::size_t>(mHeld[static_cast<std::size_t>(h)]);
        mPhi[k][k] = 1;
        mIntC[k] = mC[k] * dt;
    }
    for (int i = 0; i < mModes; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        const ModeFactors f = modeFactors(mLambda[ui], mInverse[ui], mReal[ui], dt);
        mStepE[ui] = f.e;
        for (int r = 0; r < mNActive; ++r) {
            const auto ur = static_cast<std::size_t>(r);
            const auto row = static_cast<std::size_t>(mActive[ur]);
            for (int c = 0; c < mNActive; ++c) {
                const auto uc = static_cast<std::size_t>(c);
                mPhi[row][static_cast<std::size_t>(mActive[uc])] +=
                    (f.e * mV[ui][ur] * mW[ui][uc]).real();
            }
            for (int h = 0; h < mNHeld; ++h) {
                const auto uh = static_cast<std::size_t>(h);
                mPhi[row][static_cast<std::size_t>(mHeld[uh])] +=
                    (f.phi1 * mV[ui][ur] * mWH[ui][uh]).real();
            }
            mGamma[row] += (f.phi1 * mV[ui][ur] * mWB[ui]).real();
            mIntC[row] += (mCV[ui] * f.phi1 * mW[ui][ur]).real();
        }
        for (int h = 0; h < mNHeld; ++h) {
            const auto uh = static_cast<std::size_t>(h);
            mIntC[static_cast<std::size_t>(mHeld[uh])] += (mCV[ui] * f.phi2 * mWH[ui][uh]).real();
        }
        mIntD += (mCV[ui] * f.phi2 * mWB[ui]).real();
    }
    mPhiPairs = {};
    mGammaPairs = {};
    for (std::size_t r = 0; r < kMaxFilterStates; ++r) {
        for (std::size_t c = 0; c < kMaxFilterStates; ++c)
            mPhiPairs[c][r / 2][r % 2] = mPhi[r][c];
        mGammaPairs[r / 2][r % 2] = mGamma[r];
    }
}

ModalInterval ModalSystem::pulseStep(FilterStateVector& x, double u, double t) const {
    ModalInterval r = advanceStep(x, 0); // the state's own course and what held states feed
    const double rest = mStep - t;
    for (int i = 0; i < mModes; ++i) {
        const auto ui = static_cast<std::size_t>(i);
        const Cx lambda = mLambda[ui];
        const ModeFactors pulse = modeFactors(lambda, mInverse[ui], mReal[ui], t);
        // e^(λ(step − t)) from the step's exponential: a quotient instead of a second exp.
        const Cx eRest = mReal[ui] ? Cx(mStepE[ui].real() / pulse.e.real())
                                   : mStepE[ui] * std::conj(pulse.e) / std::norm(pulse.e);
        const Cx xr = lambda * rest;
        const Cx phi1Rest =
            std::norm(xr) < 1e-4
                ? rest * (1.0 + xr * (1.0 / 2 + xr * (1.0 / 6 + xr * (1.0 / 24 + xr / 120.0))))
                : (eRest - 1.0) * mInverse[ui];
        const Cx d = mWB[ui] * u;
        const Cx zEnd = eRest * pulse.phi1 * d;
        const Cx zInt = (pulse.phi2 + phi1Rest * pulse.phi1) * d;
        for (int k = 0; k < mNActive; ++k)
            x[static_cast<std::size_t>(mActive[static_cast<std::size_t>(k)])] +=
                (mV[ui][static_cast<std::size_t>(k)] * zEnd).real();
        r.yIntegral += (mCV[ui] * zInt).real();
    }
    r.yIntegral += mD * u * t;
    r.yEnd = output(x, 0);
    return r;
}

double ModalSystem::output(const FilterStateVector& x, double u) const {
    double y = mD * u;
    for (int k = 0; k < mN; ++k)
        y += mC[static_cast<std::size_t>(k)] * x[static_cast<std::size_t>(k)];
    return y;
}

} // namespace loopcraft
