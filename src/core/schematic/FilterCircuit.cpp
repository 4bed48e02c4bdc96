// The loop filter circuits as netlists.
#include "core/schematic/FilterCircuit.h"

#include "core/schematic/SchematicLayout.h"

#include <algorithm>
#include <string_view>

namespace loopcraft {

namespace {

constexpr const char* kGround = FilterCircuit::kGroundNet;

// Adds parts in signal order and names the inner nets n1, n2, ... along the way.
class CircuitBuilder {
public:
    explicit CircuitBuilder(FilterCircuit& circuit) : mCircuit(circuit) {}

    std::string net() {
        std::string name = "n";
        name += std::to_string(mNextNet++);
        return name;
    }

    // A resistor or capacitor with a value row: designator "R4" in row "R4_1".
    void valued(PartKind kind, std::string name, std::string designator, std::string rowSuffix,
                std::string a, std::string b) {
        std::string row = designator;
        row.append(rowSuffix);
        mCircuit.parts.push_back({kind,
                                  std::move(name),
                                  std::move(designator),
                                  std::move(row),
                                  {std::move(a), std::move(b)}});
    }
    void resistor(const std::string& designator, std::string a, std::string b,
                  std::string rowSuffix = {}) {
        valued(PartKind::Resistor, designator, designator, std::move(rowSuffix), std::move(a),
               std::move(b));
    }
    void capacitor(const std::string& designator, std::string a, std::string b,
                   std::string rowSuffix = {}) {
        valued(PartKind::Capacitor, designator, designator, std::move(rowSuffix), std::move(a),
               std::move(b));
    }
    void opAmp(std::string name, std::string inverting, std::string output) {
        mCircuit.parts.push_back(
            {PartKind::OpAmp, std::move(name), {}, {}, {kGround, std::move(inverting), output}});
    }
    // A unity-gain buffer: the output fed back to the inverting input.
    void follower(std::string name, std::string input, const std::string& output) {
        mCircuit.parts.push_back(
            {PartKind::OpAmp, std::move(name), {}, {}, {std::move(input), output, output}});
    }
    // The detector: a voltage at `net`, or the pump's current pushed into it.
    void source(const std::string& net) {
        mCircuit.input = net;
        if (mCircuit.chargePump) {
            mCircuit.parts.push_back({PartKind::CurrentSource, "Icp", {}, {}, {net, kGround}});
        } else {
            mCircuit.parts.push_back({PartKind::VoltageSource, "Vpd", {}, {}, {net, kGround}});
        }
    }

private:
    FilterCircuit& mCircuit;
    int mNextNet = 1;
};

// Filter orders 2 and 4 carry C3 across R2 in section 1 (the passive stages add theirs after it).
bool hasC3(int filterOrder, LoopFilter filter) {
    return filterOrder == 2 || filterOrder == 4 ||
           (filter == LoopFilter::PassiveLL && filterOrder == 3);
}

void passive(CircuitBuilder& b, const FilterCircuit& c) {
    const int k = c.filterOrder;
    const std::string top = k <= 2 ? c.output : b.net();
    if (c.chargePump) {
        b.source(top);
    } else {
        b.source("in");
        b.resistor("R1", "in", top);
    }
    const std::string mid = b.net();
    b.resistor("R2", top, mid);
    b.capacitor("C1", mid, kGround);
    if (hasC3(k, c.filter)) {
        b.capacitor("C3", top, mid);
    }
    // Each further RC stage hangs behind a buffer: the stage's time constant is then exactly its
    // own R·C, as the component formulas take it, and the stage does not load the network before
    // it (unbuffered, it would shift the loop's gain and poles by a few percent).
    if (k >= 3) {
        const std::string driven4 = b.net();
        b.follower("A1", top, driven4);
        const std::string stage = k == 3 ? c.output : b.net();
        b.resistor("R4", driven4, stage, "_1");
        b.capacitor("C4", stage, kGround, "_1");
        if (k == 4) {
            const std::string driven5 = b.net();
            b.follower("A2", stage, driven5);
            b.resistor("R5", driven5, c.output, "_1");
            b.capacitor("C5", c.output, kGround, "_1");
        }
    }
}

// Section 1 of the active filters; returns the op-amp's output net.
std::string activeSection1(CircuitBuilder& b, const FilterCircuit& c) {
    const int k = c.filterOrder;
    const std::string inv = "inv1";
    // Both active filters take their capacitor of the first time constant by its own name: C2
    // is the lead-lag's feedback capacitor, C1 the PI's.
    const bool leadLag = c.filter == LoopFilter::ActiveLL;
    if (leadLag) {
        b.source("in");
        if (c.chargePump) {
            b.resistor("R1", "in", kGround);
            b.capacitor("C1", "in", inv);
        } else {
            const std::string n = b.net();
            b.resistor("R1", "in", n);
            b.capacitor("C1", n, inv);
        }
    } else if (c.chargePump) {
        b.source(inv);
    } else {
        b.source("in");
        b.resistor("R1", "in", inv);
    }
    const std::string feedback = b.net();
    const std::string output = k >= 3 ? b.net() : c.output;
    b.resistor("R2", inv, feedback);
    b.capacitor(leadLag ? "C2" : "C1", feedback, output);
    if (hasC3(k, c.filter)) {
        b.capacitor("C3", inv, feedback);
    }
    b.opAmp("A1", inv, output);
    return output;
}

// The multiple-feedback low-pass of unity gain behind section 1.
void section2(CircuitBuilder& b, const FilterCircuit& c, const std::string& from) {
    const std::string x = b.net();
    const std::string inv = "inv2";
    b.valued(PartKind::Resistor, "R4A", "R4", {}, from, x);
    b.capacitor("C5", x, kGround);
    b.resistor("R5", x, inv);
    b.valued(PartKind::Resistor, "R4B", "R4", {}, x, c.output);
    b.capacitor("C4", inv, c.output);
    b.opAmp("A2", inv, c.output);
}

} // namespace

const CircuitPart* FilterCircuit::part(const std::string& name) const {
    const auto it =
        std::find_if(parts.begin(), parts.end(), [&](const auto& p) { return p.name == name; });
    return it == parts.end() ? nullptr : &*it;
}

FilterCircuit filterCircuit(LoopFilter filter, int filterOrder, bool chargePump) {
    FilterCircuit c;
    c.filter = filter;
    c.filterOrder = std::clamp(filterOrder, 1, 4);
    c.chargePump = chargePump;
    c.file = schematicFileName(filter, c.filterOrder, chargePump);
    c.output = "out";

    CircuitBuilder b(c);
    if (filter == LoopFilter::PassiveLL) {
        passive(b, c);
        return c;
    }
    const std::string stage1 = activeSection1(b, c);
    if (c.filterOrder >= 3) {
        section2(b, c, stage1);
    }
    c.inverting = c.filterOrder < 3;
    return c;
}

std::optional<FilterCircuit> filterCircuitFor(const Configuration& config) {
    if (config.isAdpll() || config.order < 2 || config.order > 5) {
        return std::nullopt;
    }
    return filterCircuit(config.filter, config.order - 1, config.chargePump());
}

std::vector<FilterCircuit> allFilterCircuits() {
    std::vector<FilterCircuit> all;
    for (const auto filter : {LoopFilter::PassiveLL, LoopFilter::ActiveLL, LoopFilter::ActivePI}) {
        for (int order = 1; order <= 4; ++order) {
            for (const bool chargePump : {false, true}) {
                all.push_back(filterCircuit(filter, order, chargePump));
            }
        }
    }
    return all;
}

std::optional<float> partValue(const CircuitPart& part, const ComponentInputs& inputs,
                               const std::vector<ComponentValue>& values) {
    if (part.row == "C1") {
        return inputs.C1;
    }
    if (part.row == "C4") {
        return inputs.C4;
    }
    for (const auto& v : values) {
        if (!part.row.empty() && part.row == componentName(v.component)) {
            return v.value;
        }
    }
    return std::nullopt;
}

} // namespace loopcraft
