// Complex nodal analysis of a filter circuit for its internal noise sources.
#include "core/noise/FilterNoise.h"

#include <cmath>
#include <numbers>

namespace loopcraft {

std::optional<FilterNoise> FilterNoise::make(const FilterCircuit& circuit,
                                             const std::map<std::string, float>& values) {
    FilterNoise fn;
    std::map<std::string, int> nodes;
    auto node = [&](const std::string& name) {
        if (name == circuit.ground)
            return -1;
        const auto [it, added] = nodes.emplace(name, static_cast<int>(nodes.size()));
        return it->second;
    };
    for (const CircuitPart& p : circuit.parts) {
        switch (p.kind) {
        case PartKind::Resistor:
        case PartKind::Capacitor: {
            const auto v = values.find(p.name);
            if (v == values.end() || !std::isfinite(v->second) || !(v->second > 0))
                return std::nullopt;
            const Branch b{node(p.nodes[0]), node(p.nodes[1]), v->second};
            if (p.kind == PartKind::Resistor) {
                fn.mResistors.push_back(b);
                fn.mResistorNames.push_back(p.name);
            } else {
                fn.mCapacitors.push_back(b);
            }
            break;
        }
        case PartKind::OpAmp:
            fn.mAmps.push_back({node(p.nodes[0]), node(p.nodes[1]), node(p.nodes[2])});
            fn.mOpAmpNames.push_back(p.name);
            break;
        case PartKind::VoltageSource:
            fn.mVoltageSource = {node(p.nodes[0]), node(p.nodes[1]), 0};
            fn.mHasVoltageSource = true;
            break;
        case PartKind::CurrentSource:
            node(p.nodes[0]);
            node(p.nodes[1]);
            break;
        }
    }
    fn.mOutput = node(circuit.output);
    fn.mNodes = static_cast<int>(nodes.size());
    return fn;
}

bool FilterNoise::transfers(double f, std::vector<double>& resistorGain2,
                            std::vector<double>& opAmpGain2) const {
    using C = std::complex<double>;
    const int vs = mHasVoltageSource ? 1 : 0;
    const int m = mNodes + vs + static_cast<int>(mAmps.size());
    mMatrix.assign(static_cast<std::size_t>(m * m), C(0));
    mRhs.assign(static_cast<std::size_t>(m), C(0));
    resistorGain2.assign(mResistors.size(), 0.0);
    opAmpGain2.assign(mAmps.size(), 0.0);
    if (mOutput < 0)
        return true;
    // The matrix is stored transposed: column r of row-major storage holds row r of the system.
    auto at = [&](int r, int c) -> C& { return mMatrix[static_cast<std::size_t>(c * m + r)]; };
    auto admittance = [&](const Branch& b, C y) {
        if (b.a >= 0)
            at(b.a, b.a) += y;
        if (b.b >= 0)
            at(b.b, b.b) += y;
        if (b.a >= 0 && b.b >= 0) {
            at(b.a, b.b) -= y;
            at(b.b, b.a) -= y;
        }
    };
    const double omega = 2.0 * std::numbers::pi * f;
    for (const Branch& r : mResistors)
        admittance(r, C(1.0 / r.value, 0));
    for (const Branch& c : mCapacitors)
        admittance(c, C(0, omega * c.value));
    int row = mNodes;
    if (mHasVoltageSource) {
        // A quiet source holds its two nets at the same voltage.
        const Branch& s = mVoltageSource;
        if (s.a >= 0) {
            at(s.a, row) += 1.0;
            at(row, s.a) += 1.0;
        }
        if (s.b >= 0) {
            at(s.b, row) -= 1.0;
            at(row, s.b) -= 1.0;
        }
        ++row;
    }
    const int firstAmp = row;
    for (const Amp& a : mAmps) {
        if (a.out >= 0)
            at(a.out, row) += 1.0;
        // v(plus) + e = v(minus): the noise e sits in series with the non-inverting input.
        if (a.plus >= 0)
            at(row, a.plus) -= 1.0;
        if (a.minus >= 0)
            at(row, a.minus) += 1.0;
        ++row;
    }

    // Solve Mᵀ y = e_out; the storage already holds Mᵀ row-major. Pivots are chosen by
    // |re| + |im|, and products written out, which keeps the sweep free of library calls.
    std::vector<C>& M = mMatrix;
    std::vector<C>& y = mRhs;
    y[static_cast<std::size_t>(mOutput)] = 1.0;
    const auto size = [](const C& z) { return std::fabs(z.real()) + std::fabs(z.imag()); };
    const auto mul = [](const C& a, const C& b) {
        return C(a.real() * b.real() - a.imag() * b.imag(),
                 a.real() * b.imag() + a.imag() * b.real());
    };
    double scale = 0;
    for (const C& z : M)
        scale = std::max(scale, size(z));
    for (int col = 0; col < m; ++col) {
        int pivot = col;
        double best = size(M[col * m + col]);
        for (int r = col + 1; r < m; ++r) {
            const double v = size(M[r * m + col]);
            if (v > best) {
                best = v;
                pivot = r;
            }
        }
        if (!(best > 1e-15 * scale))
            return false;
        if (pivot != col) {
            for (int c = col; c < m; ++c)
                std::swap(M[col * m + c], M[pivot * m + c]);
            std::swap(y[col], y[pivot]);
        }
        const C p = M[col * m + col];
        const double d = p.real() * p.real() + p.imag() * p.imag();
        const C inv(p.real() / d, -p.imag() / d);
        for (int r = col + 1; r < m; ++r) {
            const C& lead = M[r * m + col];
            if (lead.real() == 0 && lead.imag() == 0)
                continue;
            const C factor = mul(lead, inv);
            for (int c = col + 1; c < m; ++c)
                M[r * m + c] -= mul(factor, M[col * m + c]);
            y[r] -= mul(factor, y[col]);
        }
    }
    for (int r = m - 1; r >= 0; --r) {
        C s = y[r];
        for (int c = r + 1; c < m; ++c)
            s -= mul(M[r * m + c], y[c]);
        const C p = M[r * m + r];
        const double d = p.real() * p.real() + p.imag() * p.imag();
        y[r] = mul(s, C(p.real() / d, -p.imag() / d));
    }
    // A unit current leaving node a and entering node b across the resistor.
    for (std::size_t i = 0; i < mResistors.size(); ++i) {
        const Branch& r = mResistors[i];
        C z(0);
        if (r.a >= 0)
            z += y[r.a];
        if (r.b >= 0)
            z -= y[r.b];
        resistorGain2[i] = std::norm(z);
    }
    for (std::size_t i = 0; i < mAmps.size(); ++i)
        opAmpGain2[i] = std::norm(y[firstAmp + static_cast<int>(i)]);
    return true;
}

} // namespace loopcraft
