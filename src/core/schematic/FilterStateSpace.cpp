// Modified nodal analysis of a filter circuit with its capacitors as voltage sources: one solve
// of the resistive network per state and one for the input gives the capacitor currents, and
// with them dx/dt, as linear functions of the state and the input.
#include "core/schematic/FilterStateSpace.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace loopcraft {

namespace {

// Solves M X = R in place for several right-hand sides (columns of R, m x k row-major) by
// Gaussian elimination with partial pivoting. False when M is singular.
bool solveDense(std::vector<double>& M, std::vector<double>& R, int m, int k) {
    for (int col = 0; col < m; ++col) {
        int pivot = col;
        for (int r = col + 1; r < m; ++r)
            if (std::fabs(M[r * m + col]) > std::fabs(M[pivot * m + col]))
                pivot = r;
        double scale = 0;
        for (int c = 0; c < m; ++c)
            scale = std::max(scale, std::fabs(M[pivot * m + c]));
        if (!(std::fabs(M[pivot * m + col]) > 1e-13 * scale))
            return false;
        if (pivot != col) {
            for (int c = 0; c < m; ++c)
                std::swap(M[col * m + c], M[pivot * m + c]);
            for (int c = 0; c < k; ++c)
                std::swap(R[col * k + c], R[pivot * k + c]);
        }
        for (int r = 0; r < m; ++r) {
            if (r == col)
                continue;
            const double f = M[r * m + col] / M[col * m + col];
            if (f == 0)
                continue;
            for (int c = col; c < m; ++c)
                M[r * m + c] -= f * M[col * m + c];
            for (int c = 0; c < k; ++c)
                R[r * k + c] -= f * R[col * k + c];
        }
    }
    for (int r = 0; r < m; ++r)
        for (int c = 0; c < k; ++c)
            R[r * k + c] /= M[r * m + r];
    return true;
}

} // namespace

std::optional<FilterStateSpace> filterStateSpace(const FilterCircuit& circuit,
                                                 const ComponentInputs& inputs,
                                                 const std::vector<ComponentValue>& values,
                                                 bool sourceConnected) {
    // Node numbers (ground is -1) and the branches that carry an unknown current.
    std::map<std::string, int> nodes;
    auto node = [&](const std::string& name) {
        if (name == circuit.ground)
            return -1;
        const auto [it, added] = nodes.emplace(name, static_cast<int>(nodes.size()));
        return it->second;
    };
    struct Branch {
        const CircuitPart* part;
        double value;
    };
    std::vector<Branch> resistors;
    std::vector<Branch> capacitors;
    std::vector<const CircuitPart*> opAmps;
    const CircuitPart* source = nullptr;
    for (const CircuitPart& p : circuit.parts) {
        for (const std::string& n : p.nodes)
            node(n);
        switch (p.kind) {
        case PartKind::Resistor:
        case PartKind::Capacitor: {
            const std::optional<float> v = partValue(p, inputs, values);
            if (!v || !std::isfinite(*v) || !(*v > 0))
                return std::nullopt;
            (p.kind == PartKind::Resistor ? resistors : capacitors).push_back({&p, *v});
            break;
        }
        case PartKind::OpAmp:
            opAmps.push_back(&p);
            break;
        case PartKind::VoltageSource:
        case PartKind::CurrentSource:
            if (sourceConnected)
                source = &p;
            break;
        }
    }
    const int outNode = node(circuit.output);
    const int nNodes = static_cast<int>(nodes.size());
    const int n = static_cast<int>(capacitors.size());
    const bool voltageSource = source != nullptr && source->kind == PartKind::VoltageSource;
    // A capacitor's current runs from nodes[0] to nodes[1], the direction of its voltage, so
    // dx/dt = i / C.
    // Unknowns: node voltages, capacitor currents, the voltage source's current, the op-amp
    // output currents. Equations: one current balance per node, one constraint per branch.
    const int m = nNodes + n + (voltageSource ? 1 : 0) + static_cast<int>(opAmps.size());
    const int rhs = n + 1; // a unit state each, then a unit input
    std::vector<double> M(static_cast<std::size_t>(m * m), 0.0);
    std::vector<double> R(static_cast<std::size_t>(m * rhs), 0.0);
    auto at = [&](int r, int c) -> double& { return M[static_cast<std::size_t>(r * m + c)]; };
    auto rhsAt = [&](int r, int c) -> double& { return R[static_cast<std::size_t>(r * rhs + c)]; };

    for (const Branch& r : resistors) {
        const int a = node(r.part->nodes[0]);
        const int b = node(r.part->nodes[1]);
        const double g = 1.0 / r.value;
        if (a >= 0)
            at(a, a) += g;
        if (b >= 0)
            at(b, b) += g;
        if (a >= 0 && b >= 0) {
            at(a, b) -= g;
            at(b, a) -= g;
        }
    }
    int row = nNodes;
    // A branch held at a voltage: its current leaves `a` and enters `b`.
    auto voltageBranch = [&](int a, int b) {
        if (a >= 0) {
            at(a, row) += 1;
            at(row, a) += 1;
        }
        if (b >= 0) {
            at(b, row) -= 1;
            at(row, b) -= 1;
        }
    };
    for (int i = 0; i < n; ++i, ++row) {
        voltageBranch(node(capacitors[i].part->nodes[0]), node(capacitors[i].part->nodes[1]));
        rhsAt(row, i) = 1;
    }
    if (voltageSource) {
        voltageBranch(node(source->nodes[0]), node(source->nodes[1]));
        rhsAt(row, n) = 1;
        ++row;
    } else if (source != nullptr) {
        if (const int a = node(source->nodes[0]); a >= 0)
            rhsAt(a, n) += 1;
        if (const int b = node(source->nodes[1]); b >= 0)
            rhsAt(b, n) -= 1;
    }
    for (const CircuitPart* op : opAmps) {
        const int plus = node(op->nodes[0]);
        const int minus = node(op->nodes[1]);
        const int out = node(op->nodes[2]);
        if (out >= 0)
            at(out, row) += 1; // the output supplies whatever current its net needs
        if (plus >= 0)
            at(row, plus) += 1;
        if (minus >= 0)
            at(row, minus) -= 1;
        ++row;
    }
    if (!solveDense(M, R, m, rhs))
        return std::nullopt;

    FilterStateSpace ss;
    ss.n = n;
    ss.A.assign(static_cast<std::size_t>(n * n), 0.0);
    ss.B.assign(static_cast<std::size_t>(n), 0.0);
    ss.C.assign(static_cast<std::size_t>(n), 0.0);
    for (int i = 0; i < n; ++i) {
        const int current = nNodes + i;
        for (int j = 0; j < n; ++j)
            ss.A[static_cast<std::size_t>(i * n + j)] = rhsAt(current, j) / capacitors[i].value;
        ss.B[static_cast<std::size_t>(i)] = rhsAt(current, n) / capacitors[i].value;
        ss.states.push_back(capacitors[i].part->name);
    }
    if (outNode >= 0) {
        for (int j = 0; j < n; ++j)
            ss.C[static_cast<std::size_t>(j)] = rhsAt(outNode, j);
        ss.D = rhsAt(outNode, n);
    }
    return ss;
}

} // namespace loopcraft
