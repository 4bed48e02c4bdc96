#include "core/sim/ReferenceSignal.h"

#include <algorithm>
#include <cmath>

namespace loopcraft {

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr float kEps = 1.0e-6f;
// The last time inside a period. The noisy reference rises close to every period's end, and a
// crossing within rounding of it comes out as 1.0: no step of its period covers that time and
// the next period's record does not hold it, so the edge would be lost and every later edge
// taken the wrong way round.
constexpr float kLastInPeriod = 0x1.fffffep-1f;

bool isMultiplierLoop(const SimState& s) {
    return s.rbConfigDPLL == 1 && s.rbConfigLPLLMul != 0;
}
bool isAdpll(const SimState& s) {
    return s.rbConfigDPLL != 1;
}

void buildFilters(SimState& s, float B) {
    for (int i = -128; i <= 128; ++i) {
        const float fi = static_cast<float>(i);
        const float x = fi + kEps;
        s.NoiseBandpass[static_cast<std::size_t>(i + 128)] =
            (0.5f * std::cos(fi * kPi / 128) + 0.5f) *
            (std::sin(x * (0.25f * B + 0.25f) * 2 * kPi) -
             std::sin(x * (0.25f - 0.25f * B) * 2 * kPi)) /
            (x * kPi);
    }
    for (int i = -32; i <= 32; ++i) {
        const float fi = static_cast<float>(i);
        const float x = fi + kEps;
        const auto k = static_cast<std::size_t>(i + 32);
        s.InterpSinc[k] = std::sin(x * 0.3926991f) / (x * kPi);
        s.InterpWindow[k] = 0.5f * std::cos(fi * kPi / 32) + 0.5f;
        s.InterpKernel[k] = s.InterpSinc[k] * s.InterpWindow[k] * 8.0f;
    }
}

// RefSignal[j] = sum over k of NoiseBandpass[k] * WhiteNoise[j + k]. Four outputs are summed
// side by side to hide the add latency; each sum keeps its own order of additions.
void filterNoise(SimState& s) {
    const float* h = s.NoiseBandpass.data();
    const float* w = s.WhiteNoise.data();
    float* out = s.RefSignal.data();
    const std::size_t n = s.RefSignal.size();
    std::size_t j = 0;
    for (; j + 4 <= n; j += 4) {
        float a0 = 0, a1 = 0, a2 = 0, a3 = 0;
        const float* x = w + j;
        for (std::size_t k = 0; k < 257; ++k) {
            const float hk = h[k];
            a0 += hk * x[k];
            a1 += hk * x[k + 1];
            a2 += hk * x[k + 2];
            a3 += hk * x[k + 3];
        }
        out[j] = a0;
        out[j + 1] = a1;
        out[j + 2] = a2;
        out[j + 3] = a3;
    }
    for (; j < n; ++j) {
        float a = 0;
        for (std::size_t k = 0; k < 257; ++k)
            a += h[k] * w[j + k];
        out[j] = a;
    }
}

// Locates the zero crossing between two quarter samples by interpolating seven points between
// them; returns the crossing time within the quarter in 1/32 reference periods.
bool interpolateCrossing(SimState& s, std::size_t base, float a, float b, float& position) {
    s.InterpBuf[0] = a;
    s.InterpBuf[8] = b;
    for (int m = 1; m <= 7; ++m) {
        float sum = 0;
        for (int k = -3; k <= 4; ++k)
            sum += s.InterpKernel[static_cast<std::size_t>(8 * k - m + 32)] *
                   s.RefSignal[static_cast<std::size_t>(static_cast<long long>(base) + k)];
        s.InterpBuf[static_cast<std::size_t>(m)] = sum;
    }
    for (std::size_t u = 0; u < 8; ++u) {
        const float x0 = s.InterpBuf[u];
        const float x1 = s.InterpBuf[u + 1];
        if (x0 * x1 <= 0) {
            float f;
            if (x0 == 0)
                f = 0;
            else if (x1 == 0)
                f = 1;
            else
                f = std::fabs(x0) / (std::fabs(x1) + std::fabs(x0));
            position = (static_cast<float>(u) + f) * 0.03125f;
            return true;
        }
    }
    return false; // only reachable with non-finite samples
}

} // namespace

std::int32_t ReferencePeriodCount(float SimulT, float SimulfRef) {
    const float periods = std::floor(SimulT * SimulfRef);
    if (!(periods >= 1))
        return 1;
    if (periods >= 2147483520.0f)
        return 2147483520;
    return static_cast<std::int32_t>(periods);
}

void BuildReference(SimState& s) {
    s.NumRefPeriods = ReferencePeriodCount(s.SimulT, s.SimulfRef);
    const auto periods = static_cast<std::size_t>(s.NumRefPeriods);

    // Every array of the previous run is released first, so that a run holds exactly the
    // memory the run-size check counted for it.
    std::vector<float>().swap(s.WhiteNoise);
    std::vector<float>().swap(s.RefSignal);
    std::vector<RefPeriodRecord>().swap(s.RefPeriodRecords);
    std::vector<double>().swap(s.RefEdgeList);

    s.RefRecordsShared = !s.cbSimulAddNoise;
    if (s.RefRecordsShared) {
        // Without noise every period is the same: one record stands for all of them. The
        // all-digital loop takes its edges from the ideal grid and leaves the record empty.
        RefPeriodRecord& r = s.RefPeriodRecords.emplace_back();
        if (isMultiplierLoop(s)) {
            r.EdgeCount = 0;
            r.EdgeTime = {-1.0f, -1.0f, -1.0f, -1.0f};
            r.QuarterSample = {0, 0, 0, 0};
        } else if (!isAdpll(s)) {
            r.EdgeCount = 2;
            r.EdgeTime = {0.0f, 0.5f, -1.0f, -1.0f};
            r.QuarterSample = {0, 1.0f, 0, -1.0f};
        }
    } else {
        const float B = s.SimulNoiseBW;
        s.SimulSNRLin = std::pow(10.0f, 0.1f * s.SimulSNR);
        s.NoiseScale = 1.92f / std::sqrt(s.SimulSNRLin * B);
        buildFilters(s, B);

        s.RefPeriodRecords.resize(periods);
        s.WhiteNoise.resize(4 * periods + 265);
        s.RefSignal.resize(4 * periods + 9);
        // Every run draws from its seed, so it does not depend on what ran before.
        s.RandState = s.sidecar.NoiseSeed;
        for (float& v : s.WhiteNoise)
            v = (static_cast<float>(NextRandom(s.RandState)) * 3.0518509e-5f - 0.5f) * 2.0f *
                s.NoiseScale;
        filterNoise(s);

        if (isMultiplierLoop(s)) {
            for (std::size_t p = 0; p < periods; ++p) {
                RefPeriodRecord& r = s.RefPeriodRecords[p];
                r.EdgeCount = 0;
                r.EdgeTime = {-1.0f, -1.0f, -1.0f, -1.0f};
                for (std::size_t q = 0; q < 4; ++q)
                    r.QuarterSample[q] = s.RefSignal[4 * p + 4 + q];
            }
        } else {
            // The reference of amplitude pi/2 sampled four times a period: 0, 1, 0, -1 times
            // pi/2. Taken from j mod 4 rather than sin(j * pi/2), whose float argument loses
            // the zeros of the sine after a few thousand periods.
            constexpr float quadrature[4] = {0.0f, 1.0f, 0.0f, -1.0f};
            for (std::size_t j = 0; j < s.RefSignal.size(); ++j)
                s.RefSignal[j] += quadrature[j % 4] * kPi * 0.5f;
            for (std::size_t p = 0; p < periods; ++p) {
                RefPeriodRecord& r = s.RefPeriodRecords[p];
                r.EdgeCount = 0;
                r.EdgeTime = {-1.0f, -1.0f, -1.0f, -1.0f};
                for (std::size_t q = 0; q < 4; ++q)
                    r.QuarterSample[q] = s.RefSignal[4 * p + 4 + q];
                for (std::size_t q = 0; q < 4; ++q) {
                    const std::size_t base = 4 * p + 4 + q;
                    const float a = s.RefSignal[base];
                    const float b = s.RefSignal[base + 1];
                    float position = 0;
                    if (a * b < 0 && interpolateCrossing(s, base, a, b, position)) {
                        r.EdgeTime[static_cast<std::size_t>(r.EdgeCount)] =
                            std::min(position + static_cast<float>(q) * 0.25f, kLastInPeriod);
                        r.EdgeCount += 1;
                    }
                }
            }
        }
    }

    if (isAdpll(s))
        BuildADPLLEdges(s);
}

void BuildADPLLEdges(SimState& s) {
    s.SimulNumSteps = static_cast<std::uint32_t>(s.NumRefPeriods);
    const auto periods = static_cast<std::size_t>(s.NumRefPeriods);
    const double d = static_cast<double>(s.Simuldphi * (1.0f / 360));
    const bool fstep = s.rbSimulfstep != 0;

    std::vector<double>& list = s.RefEdgeList;
    std::vector<double>().swap(list);
    list.reserve(RefEdgeListCapacity(s.NumRefPeriods, s.cbSimulAddNoise));

    auto idealGrid = [&](double shift) {
        for (std::size_t i = 0; i <= 2 * periods; ++i)
            list.push_back(0.5 * static_cast<double>(i) - shift);
    };

    if (!s.cbSimulAddNoise) {
        if (fstep) {
            idealGrid(0);
            s.U1Bit = 0;
        } else if (d <= 0) {
            idealGrid(d);
            s.U1Bit = 0;
        } else {
            for (std::size_t i = 1; i <= 2 * periods + 1; ++i)
                list.push_back(0.5 * static_cast<double>(i) - d);
            s.U1Bit = 1;
        }
    } else {
        s.U1Bit = s.RefPeriodRecords.empty() || s.RefPeriodRecords[0].QuarterSample[0] < 0 ? 0 : 1;
        for (std::size_t p = 0; p < periods; ++p) {
            const RefPeriodRecord& r = s.RefPeriodRecords[p];
            for (std::size_t e = 0; e < 4; ++e) {
                if (r.EdgeTime[e] == -1.0f)
                    continue;
                const double edge = static_cast<double>(r.EdgeTime[e]);
                const double t = static_cast<double>(p) + (fstep ? edge : edge - d);
                if (t < 0)
                    s.U1Bit ^= 1; // before the run starts: only sets the initial level
                else
                    list.push_back(t);
            }
        }
        // Without a single crossing there is nothing to continue from: the reference is then
        // taken on its ideal half-period grid.
        if (list.empty())
            list.push_back(0.0);
        const double end = static_cast<double>(s.SimulNumSteps);
        while (list.back() < end)
            list.push_back(list.back() + 0.5);
    }

    s.TRefEdge = static_cast<float>(list.front());
    s.RefEdgeIndex = 0;
}

std::size_t RefEdgeListCapacity(std::int32_t periods, bool noise) {
    const auto p = static_cast<std::size_t>(std::max(1, periods));
    // The ideal grid has two edges a period and one more at the end. A noisy reference has at
    // most four crossings a period; the list then runs on in half periods from its last edge
    // to the end of the run, and since that edge lies at most half a period (the largest phase
    // step) before its own period, at most four entries more than 4 * periods are needed.
    return noise ? 4 * p + 4 : 2 * p + 1;
}

double NextRefEdge(SimState& s, std::int32_t index) {
    const auto next = static_cast<std::size_t>(index) + 1;
    while (s.RefEdgeList.size() <= next)
        s.RefEdgeList.push_back(s.RefEdgeList.empty() ? 0.0 : s.RefEdgeList.back() + 0.5);
    return s.RefEdgeList[next];
}

} // namespace loopcraft
