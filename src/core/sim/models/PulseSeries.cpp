// The pulse step as power series in the pulse width.
//
// With E_d(t) = e^(A_d t), F_d(t) = ∫0..t e^(A_d s) ds·B, G(t) = e^(−A_o t), S(t) = ∫0..t G,
// Φ = e^(A_o h) and ∫0..r C e^(A_o s) ds = R(r) (h the step):
//     x(h) = Φ·G(t)·(E_d x0 + F_d u),
//     ∫y  = ∫0..t (C x + D u) + R(h − t)·x(t),   R(h − t) = R(h) − C·Φ·S(t),
// and every factor is a power series in t whose terms are powers of A_d and −A_o. Only Φ and R
// depend on the segment; the series products are worked out once.
#include "core/sim/models/PulseSeries.h"

#include "core/schematic/FilterStateSpace.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace loopcraft {

namespace {

constexpr int kTerms = PulseSeries::kMaxTerms + 1;
using Vec = std::array<double, kMaxFilterStates>;
using Mat = std::array<Vec, kMaxFilterStates>;

Mat product(const Mat& a, const Mat& b, int n) {
    Mat c{};
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < n; ++k) {
            const double aik = a[static_cast<std::size_t>(i)][static_cast<std::size_t>(k)];
            for (int j = 0; j < n; ++j)
                c[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] +=
                    aik * b[static_cast<std::size_t>(k)][static_cast<std::size_t>(j)];
        }
    return c;
}

Vec times(const Mat& a, const Vec& x, int n) {
    Vec y{};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            y[static_cast<std::size_t>(i)] +=
                a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] *
                x[static_cast<std::size_t>(j)];
    return y;
}

Vec rowTimes(const Vec& r, const Mat& a, int n) {
    Vec y{};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            y[static_cast<std::size_t>(j)] +=
                r[static_cast<std::size_t>(i)] *
                a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
    return y;
}

double dot(const Vec& a, const Vec& b, int n) {
    double s = 0;
    for (int i = 0; i < n; ++i)
        s += a[static_cast<std::size_t>(i)] * b[static_cast<std::size_t>(i)];
    return s;
}

void addScaled(Mat& to, const Mat& a, double f, int n) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            to[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] +=
                f * a[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)];
}

void addScaled(Vec& to, const Vec& a, double f, int n) {
    for (int i = 0; i < n; ++i)
        to[static_cast<std::size_t>(i)] += f * a[static_cast<std::size_t>(i)];
}

Mat fromRows(const std::vector<double>& a, int n) {
    Mat m{};
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            m[static_cast<std::size_t>(i)][static_cast<std::size_t>(j)] =
                a[static_cast<std::size_t>(i * n + j)];
    return m;
}

Vec fromVector(const std::vector<double>& v, int n) {
    Vec r{};
    for (int i = 0; i < n; ++i)
        r[static_cast<std::size_t>(i)] = v[static_cast<std::size_t>(i)];
    return r;
}

// (±A)^k / k!, k = 0..kTerms−1.
std::array<Mat, kTerms> scaledPowers(const Mat& a, double sign, int n) {
    std::array<Mat, kTerms> p{};
    for (int i = 0; i < n; ++i)
        p[0][static_cast<std::size_t>(i)][static_cast<std::size_t>(i)] = 1;
    for (int k = 1; k < kTerms; ++k) {
        const Mat next = product(a, p[static_cast<std::size_t>(k - 1)], n);
        addScaled(p[static_cast<std::size_t>(k)], next, sign / k, n);
    }
    return p;
}

template <class Range> double largest(const Range& v) {
    double m = 0;
    for (const double e : v)
        m = std::max(m, std::fabs(e));
    return m;
}

// Below this share of a series' leading term a further term is lost in rounding.
constexpr double kResolution = 0x1p-53;

// How far r may go with terms 0..K of a series whose k-th coefficient has the size c[k]: the
// first two terms left out stay below the resolution of the leading term (the first nonzero).
// Zero where K leaves out the leading term itself.
template <std::size_t N>
void limitReach(const std::array<double, N>& c, int last, std::array<double, N>& reach) {
    std::size_t lead = 0;
    while (lead < N && !(c[lead] > 0))
        ++lead;
    if (lead == N)
        return; // nothing to carry
    for (std::size_t K = 0; K + 2 <= static_cast<std::size_t>(last); ++K)
        for (std::size_t k = K + 1; k <= K + 2; ++k) {
            if (k <= lead) {
                if (k == lead)
                    reach[K] = 0;
                continue;
            }
            if (!(c[k] > 0))
                continue;
            const double r =
                std::pow(kResolution * c[lead] / c[k], 1.0 / static_cast<double>(k - lead));
            reach[K] = std::min(reach[K], r);
        }
}

} // namespace

struct PulseSeries::Terms {
    int n = 0;
    int matrixTerms = 0;
    std::array<Mat, kTerms> P{};   // Σ_{i+j=k} (−A_o)^i/i! A_d^j/j!
    std::array<Vec, kTerms> Q{};   // Σ_{i+j=k−1} (−A_o)^i/i! A_d^j B/(j+1)!
    std::array<Mat, kTerms> SD{};  // Σ_{i+j=k−1} (−A_o)^i/(i+1)! A_d^j/j!
    std::array<Vec, kTerms> SDB{}; // Σ_{i+j=k−2} (−A_o)^i/(i+1)! A_d^j B/(j+1)!
    std::array<Mat, kTerms> PD{};  // A_d^k/k!
    std::array<Vec, kTerms> PDB{}; // A_d^k B/(k+1)!
    Vec C{};                       // the driven network's output
    Vec openC{};
    double D = 0;
};

std::optional<PulseSeries::Segment> PulseSeries::segment(const Terms& t,
                                                         const ModalSystem& openModes, int last) {
    const int n = t.n;
    const Mat& phi = openModes.stepTransition();
    const Vec& intRow = openModes.stepIntegralRow();
    const Vec cPhi = rowTimes(t.openC, phi, n);
    Segment s;
    std::array<double, kTerms> sizeM{};
    std::array<double, kTerms> sizeMu{};
    std::array<double, kTerms> sizeA{};
    std::array<double, kTerms> sizeB{};
    for (int k = 0; k <= last; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        if (k < t.matrixTerms)
            s.M[uk] = k == 0 ? phi : product(phi, t.P[uk], n);
        s.m[uk] = times(phi, t.Q[uk], n);
        // a_k = [k≥1] C A_d^(k−1)/k! + R(h) A_d^k/k! − CΦ·SD_k
        Vec a = rowTimes(intRow, t.PD[uk], n);
        addScaled(a, rowTimes(cPhi, t.SD[uk], n), -1, n);
        if (k >= 1)
            addScaled(a, rowTimes(t.C, t.PD[uk - 1], n), 1.0 / k, n);
        s.a[uk] = a;
        // b_k = [k=1] D + [k≥2] C A_d^(k−2)B/k! + [k≥1] R(h) A_d^(k−1)B/k! − CΦ·SDB_k
        double b = -dot(cPhi, t.SDB[uk], n);
        if (k == 1)
            b += t.D;
        if (k >= 2)
            b += dot(t.C, t.PDB[uk - 2], n) / k;
        if (k >= 1)
            b += dot(intRow, t.PDB[uk - 1], n);
        s.b[uk] = b;
        for (const Vec& row : s.M[uk])
            sizeM[uk] = std::max(sizeM[uk], largest(row));
        sizeMu[uk] = largest(s.m[uk]);
        sizeA[uk] = largest(s.a[uk]);
        sizeB[uk] = std::fabs(b);
        if (!std::isfinite(sizeM[uk]) || !std::isfinite(sizeMu[uk]) || !std::isfinite(sizeA[uk]) ||
            !std::isfinite(b))
            return std::nullopt;
    }
    s.reach.fill(0);
    for (int K = 0; K + 2 <= last; ++K)
        s.reach[static_cast<std::size_t>(K)] = std::numeric_limits<double>::infinity();
    limitReach(sizeM, last, s.reach);
    limitReach(sizeMu, last, s.reach);
    limitReach(sizeA, last, s.reach);
    limitReach(sizeB, last, s.reach);
    for (int K = 1; K + 2 <= last; ++K)
        s.reach[static_cast<std::size_t>(K)] = std::max(s.reach[static_cast<std::size_t>(K)],
                                                        s.reach[static_cast<std::size_t>(K - 1)]);
    return s;
}

std::optional<PulseSeries> PulseSeries::make(const FilterStateSpace& driven,
                                             const FilterStateSpace& open,
                                             const ModalSystem& drivenModes,
                                             const ModalSystem& openModes, double step) {
    const int n = driven.n;
    const auto un = static_cast<std::size_t>(n);
    if (n < 1 || n > kMaxFilterStates || open.n != n || openModes.size() != n ||
        drivenModes.size() != n || !(step > 0) || !std::isfinite(step) ||
        driven.A.size() != un * un || open.A.size() != un * un || driven.B.size() != un ||
        driven.C.size() != un || open.C.size() != un)
        return std::nullopt;
    Terms t;
    t.n = n;
    // The pulse leaves the matrix alone (a charge pump, or a voltage detector into a virtual
    // ground): G·E_d is then the identity, and only M_0 = Φ is kept.
    t.matrixTerms = driven.A == open.A ? 1 : kTerms;
    t.C = fromVector(driven.C, n);
    t.openC = fromVector(open.C, n);
    t.D = driven.D;
    const Vec b = fromVector(driven.B, n);
    t.PD = scaledPowers(fromRows(driven.A, n), 1, n);
    const std::array<Mat, kTerms> po = scaledPowers(fromRows(open.A, n), -1, n);
    for (int k = 0; k < kTerms; ++k) {
        t.PDB[static_cast<std::size_t>(k)] = times(t.PD[static_cast<std::size_t>(k)], b, n);
        for (double& e : t.PDB[static_cast<std::size_t>(k)])
            e /= k + 1;
    }
    for (int k = 0; k < kTerms; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        for (int i = 0; i <= k; ++i) {
            const auto ui = static_cast<std::size_t>(i);
            const auto j = uk - ui;
            if (k < t.matrixTerms)
                t.P[uk] = [&] {
                    Mat sum = t.P[uk];
                    addScaled(sum, product(po[ui], t.PD[j], n), 1, n);
                    return sum;
                }();
            if (j >= 1) {
                addScaled(t.Q[uk], times(po[ui], t.PDB[j - 1], n), 1, n);
                addScaled(t.SD[uk], product(po[ui], t.PD[j - 1], n), 1.0 / (i + 1), n);
            }
            if (j >= 2)
                addScaled(t.SDB[uk], times(po[ui], t.PDB[j - 2], n), 1.0 / (i + 1), n);
        }
    }

    PulseSeries p;
    p.mN = n;
    p.mStep = step;
    p.mMatrixTerms = t.matrixTerms;
    p.mDrivenModes = drivenModes;
    ModalSystem rest = openModes;
    rest.cacheStep(step);
    p.mOpenModes = rest;
    std::optional<Segment> first = segment(t, rest, kMaxTerms);
    if (!first)
        return std::nullopt;
    // Segments short enough that eight terms carry a pulse across one.
    constexpr int kTermsPerSegment = 5;
    const double wide = first->reach[kTermsPerSegment];
    int count = 1;
    if (!(wide >= step))
        count = wide > 0 ? static_cast<int>(std::min<double>(kMaxSegments, std::ceil(step / wide)))
                         : kMaxSegments;
    p.mDelta = step / count;
    p.mSegmentsPerSecond = count / step;
    p.mSegments.resize(static_cast<std::size_t>(count));
    p.mSegments[0] = std::make_shared<const Packed>(p.pack(*first, false, kMaxTerms + 1));
    p.mTerms = std::make_shared<const Terms>(t);
    return p;
}

PulseSeries::Packed PulseSeries::pack(const Segment& s, bool prefixed, int terms) const {
    const auto n = static_cast<std::size_t>(mN);
    Packed p;
    p.reach = s.reach;
    p.prefixed = prefixed;
    p.terms = static_cast<std::size_t>(terms);
    std::vector<double>& d = p.data;
    if (prefixed) {
        for (std::size_t i = 0; i < n; ++i)
            d.insert(d.end(), s.preE[i].begin(), s.preE[i].begin() + static_cast<long>(n));
        d.insert(d.end(), s.preF.begin(), s.preF.begin() + static_cast<long>(n));
        d.insert(d.end(), s.preA.begin(), s.preA.begin() + static_cast<long>(n));
        d.push_back(s.preB);
    }
    for (int k = 0; k < terms; ++k) {
        const auto uk = static_cast<std::size_t>(k);
        d.insert(d.end(), s.m[uk].begin(), s.m[uk].begin() + static_cast<long>(n));
        d.insert(d.end(), s.a[uk].begin(), s.a[uk].begin() + static_cast<long>(n));
        d.push_back(s.b[uk]);
    }
    if (mMatrixTerms == 1) {
        Vector w = s.m[0];
        double beta = s.b[0];
        if (prefixed) {
            for (std::size_t i = 0; i < n; ++i)
                for (std::size_t c = 0; c < n; ++c)
                    w[i] += s.M[0][i][c] * s.preF[c];
            beta += s.preB;
            for (std::size_t c = 0; c < n; ++c)
                beta += s.a[0][c] * s.preF[c];
        }
        p.input.insert(p.input.end(), w.begin(), w.begin() + static_cast<long>(n));
        p.input.push_back(beta);
        for (int k = 1; k < terms; ++k) {
            const auto uk = static_cast<std::size_t>(k);
            p.input.insert(p.input.end(), s.m[uk].begin(), s.m[uk].begin() + static_cast<long>(n));
            p.input.push_back(s.b[uk]);
        }
    }
    for (int k = 0; k < std::min(terms, mMatrixTerms); ++k)
        for (std::size_t i = 0; i < n; ++i)
            d.insert(d.end(), s.M[static_cast<std::size_t>(k)][i].begin(),
                     s.M[static_cast<std::size_t>(k)][i].begin() + static_cast<long>(n));
    return p;
}

const PulseSeries::Packed* PulseSeries::segmentAt(std::size_t j) const {
    if (!mSegments[j] && !mFailed) {
        // The others need no more than a few terms beyond the eight their width was cut for.
        constexpr int kSegmentTerms = 11;
        const double tj = static_cast<double>(j) * mDelta;
        ModalSystem rest = mOpenModes;
        rest.cacheStep(mStep - tj);
        std::optional<Segment> s = segment(*mTerms, rest, kSegmentTerms);
        if (!s) {
            mFailed = true;
            return nullptr;
        }
        ModalSystem prefix = mDrivenModes;
        prefix.cacheStep(tj);
        s->preE = prefix.stepTransition();
        s->preF = prefix.stepInput();
        s->preA = prefix.stepIntegralRow();
        s->preB = prefix.stepIntegralInput();
        mSegments[j] = std::make_shared<const Packed>(pack(*s, true, kSegmentTerms + 1));
    }
    return mSegments[j].get();
}

int PulseSeries::segmentsBuilt() const {
    int built = 0;
    for (const auto& s : mSegments)
        built += s ? 1 : 0;
    return built;
}

template <int N>
void PulseSeries::stepOf(const Packed& s, FilterStateVector& x, double u, double r, int last,
                         double& integral) const {
    // The size fixed at compile time lets the compiler unroll and vectorise the products.
    constexpr auto n = static_cast<std::size_t>(N);
    if (mMatrixTerms == 1) {
        // The state's own course is the plain step's; the pulse only adds the input's share.
        const double base = mOpenModes.advanceStep(x, 0).yIntegral;
        constexpr std::size_t stride = n + 1;
        const double* q = s.input.data();
        std::array<double, stride> share{};
        for (auto k = static_cast<std::size_t>(last); k >= 1; --k) {
            const double* t = q + k * stride;
            for (std::size_t i = 0; i < stride; ++i)
                share[i] = (share[i] + t[i]) * r;
        }
        for (std::size_t i = 0; i < n; ++i)
            x[i] += u * (q[i] + share[i]);
        integral = base + u * (q[n] + share[n]);
        return;
    }
    const double* d = s.data.data();
    std::array<double, n> start;
    double before = 0;
    if (s.prefixed) {
        const double* f = d + n * n;
        const double* a = f + n;
        for (std::size_t row = 0; row < n; ++row) {
            double v = f[row] * u;
            for (std::size_t c = 0; c < n; ++c)
                v += d[row * n + c] * x[c];
            start[row] = v;
            before += a[row] * x[row];
        }
        before += a[n] * u;
        d = a + n + 1;
    } else {
        for (std::size_t i = 0; i < n; ++i)
            start[i] = x[i];
    }
    // Horner in r, from the highest term down: the input's share and the integral's row.
    // Each sum starts from its highest term rather than from zero: clearing a matrix on the
    // stack costs more than a short pulse's whole series.
    constexpr std::size_t stride = 2 * n + 1;
    const auto top = static_cast<std::size_t>(last);
    std::array<double, n> input;
    std::array<double, n> row;
    for (std::size_t i = 0; i < n; ++i) {
        input[i] = d[top * stride + i];
        row[i] = d[top * stride + n + i];
    }
    double inputIntegral = d[top * stride + 2 * n];
    for (auto k = top; k-- > 0;) {
        const double* t = d + k * stride;
        for (std::size_t i = 0; i < n; ++i) {
            input[i] = input[i] * r + t[i];
            row[i] = row[i] * r + t[n + i];
        }
        inputIntegral = inputIntegral * r + t[2 * n];
    }
    double sum = inputIntegral * u;
    for (std::size_t i = 0; i < n; ++i)
        sum += row[i] * start[i];
    // The matrix series is summed element by element first and applied once: independent
    // multiply-adds that vectorise, where a product per term would add up each row in turn.
    const double* m = d + s.terms * stride; // M_0, M_1, ...
    std::array<double, n * n> series;
    for (std::size_t e = 0; e < n * n; ++e)
        series[e] = m[top * n * n + e];
    for (auto k = top; k-- > 0;) {
        const double* mk = m + k * n * n;
        for (std::size_t e = 0; e < n * n; ++e)
            series[e] = series[e] * r + mk[e];
    }
    for (std::size_t i = 0; i < n; ++i) {
        double v = input[i] * u;
        for (std::size_t c = 0; c < n; ++c)
            v += series[i * n + c] * start[c];
        x[i] = v;
    }
    integral = before + sum;
}

bool PulseSeries::step(FilterStateVector& x, double u, double t, double& integral) const {
    if (!(t > 0 && t < mStep))
        return false;
    // The segment need not be the exact quotient's: r only has to lie within its reach.
    const auto j = std::min(mSegments.size() - 1, static_cast<std::size_t>(t * mSegmentsPerSecond));
    const double r = std::max(0.0, t - static_cast<double>(j) * mDelta);
    const Packed* segment = mSegments[j] ? mSegments[j].get() : segmentAt(j);
    if (segment == nullptr)
        return false;
    const Packed& s = *segment;
    int last = 0;
    while (last + 2 <= kMaxTerms && !(r <= s.reach[static_cast<std::size_t>(last)]))
        ++last;
    if (last + 2 > kMaxTerms)
        return false;
    static_assert(kMaxFilterStates == 7);
    switch (mN) {
    case 1:
        stepOf<1>(s, x, u, r, last, integral);
        break;
    case 2:
        stepOf<2>(s, x, u, r, last, integral);
        break;
    case 3:
        stepOf<3>(s, x, u, r, last, integral);
        break;
    case 4:
        stepOf<4>(s, x, u, r, last, integral);
        break;
    case 5:
        stepOf<5>(s, x, u, r, last, integral);
        break;
    case 6:
        stepOf<6>(s, x, u, r, last, integral);
        break;
    default:
        stepOf<7>(s, x, u, r, last, integral);
        break;
    }
    return true;
}

} // namespace loopcraft
