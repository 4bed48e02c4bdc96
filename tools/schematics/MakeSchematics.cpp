// Draws the 24 loop filter schematics from their circuit descriptions and writes them as
// placeable metafiles:
//   make_schematics DIR          writes DIR/PassiveLL1_U.wmf ... DIR/ActivePI4_I.wmf
//   make_schematics --check DIR  compares what it would write with the files in DIR
// Every drawing checks itself against its description first (parts, nets, nothing overlapping);
// any complaint ends the program with status 1 and nothing written.
#include "Sheet.h"
#include "core/schematic/FilterCircuit.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace loopcraft::schematics {

namespace {

// Section 1 runs along y = 0; feedback paths lie above it, shunt parts below.
constexpr int kFeedback = -700;      // feedback rail of an op-amp
constexpr int kFeedbackHigh = -1200; // second rail: C3 across R2, the outer loop of section 2

const std::string& net(const FilterCircuit& c, const std::string& part, std::size_t terminal) {
    return c.part(part)->nodes[terminal];
}

// The drive: the input terminal, or the charge pump as a current source standing at x = 0 with
// its top at the rail. Returns the x where the rail of the input net starts.
int drive(Sheet& s, const FilterCircuit& c) {
    if (!c.chargePump) {
        s.input({0, 0}, "from PD");
        return 0;
    }
    s.part("Icp", {0, 0}, {0, 1000}, Side::Left);
    s.ground({0, 1000});
    const auto right = static_cast<std::uint16_t>(wmf::AlignBaseline | wmf::AlignRight);
    s.note("charge pump", {-260, 440}, right);
    s.note("from PD", {-260, 700}, right);
    return 0;
}

// R2 from `top` down to C1, with C3 beside R2 when the circuit has it; C1 ends at ground.
// Passive filters hang the pair from the rail itself.
void shunt(Sheet& s, const FilterCircuit& c, int x) {
    const std::string& mid = net(c, "R2", 1);
    if (c.part("C3") != nullptr) {
        s.part("R2", {x - 250, 0}, {x - 250, 950}, Side::Left);
        s.part("C3", {x + 250, 0}, {x + 250, 950}, Side::Right);
        s.wire(mid, {{x - 250, 950}, {x + 250, 950}});
    } else {
        s.part("R2", {x, 0}, {x, 950}, Side::Right);
    }
    s.part("C1", {x, 950}, {x, 1550}, Side::Right);
    s.ground({x, 1550});
}

void passive(Sheet& s, const FilterCircuit& c) {
    int x = drive(s, c);
    const std::string& top = net(c, "R2", 0);
    if (!c.chargePump) {
        s.part("R1", {x, 0}, {x + 800, 0}, Side::Above);
        x += 800;
    }
    const int node = x + (c.chargePump ? 1000 : 600);
    shunt(s, c, node);
    // The extra RC stages follow along the rail, each behind its buffer (the rail enters the
    // non-inverting input, the output loops back over the top into the inverting one) and each
    // with its capacitor to ground.
    std::string railNet = top;
    int railStart = x;
    int railEnd = node + 700;
    for (const char* stage : {"4", "5"}) {
        const std::string r = std::string("R") + stage;
        const std::string cap = std::string("C") + stage;
        const std::string buffer = std::string(stage) == "4" ? "A1" : "A2";
        if (c.part(r) == nullptr) {
            break;
        }
        s.wire(railNet, {{railStart, 0}, {railEnd, 0}});
        const Point minus{railEnd, -300};
        const Point out = s.opAmp(buffer, minus);
        const std::string& driven = net(c, buffer, 2);
        const int xj = out.x + 180;
        s.wire(driven, {out, {xj, out.y}, {xj, 0}});
        s.wire(driven, {{xj, out.y},
                        {xj, kFeedback},
                        {railEnd - 150, kFeedback},
                        {railEnd - 150, minus.y},
                        minus});
        railEnd = xj;
        s.part(r, {railEnd, 0}, {railEnd + 800, 0}, Side::Above);
        const int stageNode = railEnd + 1100;
        s.part(cap, {stageNode, 0}, {stageNode, 800}, Side::Right);
        s.ground({stageNode, 800});
        railNet = net(c, r, 1);
        railStart = railEnd + 800;
        railEnd = stageNode + 300;
    }
    s.wire(railNet, {{railStart, 0}, {railEnd, 0}});
    s.output({railEnd, 0}, "to VCO");
}

// The op-amp of section 1 with its feedback from the inverting input at `junction` (on the
// rail) over R2 (and C3) and the feedback capacitor to the output. Returns the output rail's
// junction with the feedback (on y = 150).
Point section1OpAmp(Sheet& s, const FilterCircuit& c, int inputEnd, int junction) {
    const std::string& inv = net(c, "A1", 1);
    const std::string& fb = net(c, "R2", 1);
    const std::string& out = net(c, "A1", 2);
    const std::string fbCap = c.filter == LoopFilter::ActiveLL ? "C2" : "C1";
    const bool withC3 = c.part("C3") != nullptr;

    const Point minus{junction + 880, 0};
    s.wire(inv, {{inputEnd, 0}, minus});
    s.wire(inv, {{junction, 0}, {junction, withC3 ? kFeedbackHigh : kFeedback}});
    s.part("R2", {junction, kFeedback}, {junction + 800, kFeedback},
           withC3 ? Side::Below : Side::Above);
    if (withC3) {
        s.part("C3", {junction, kFeedbackHigh}, {junction + 800, kFeedbackHigh}, Side::Above);
        s.wire(fb, {{junction + 800, kFeedbackHigh}, {junction + 800, kFeedback}});
    }
    s.wire(fb, {{junction + 800, kFeedback}, {junction + 1000, kFeedback}});
    s.part(fbCap, {junction + 1000, kFeedback}, {junction + 1600, kFeedback}, Side::Above);
    const int xo = junction + 1800;
    s.wire(out, {{junction + 1600, kFeedback}, {xo, kFeedback}, {xo, 150}});

    const Point opOut = s.opAmp("A1", minus);
    const Point plus = s.nonInverting(minus);
    s.wire(c.ground, {plus, {plus.x, plus.y + 300}});
    s.ground({plus.x, plus.y + 300});
    s.wire(out, {opOut, {xo, 150}});
    return {xo, 150};
}

// The multiple-feedback low-pass from `from` (on y = 150) to the output terminal.
void section2(Sheet& s, const FilterCircuit& c, Point from) {
    const std::string& in = net(c, "R4A", 0);
    const std::string& x = net(c, "R4A", 1);
    const std::string& inv = net(c, "A2", 1);
    const std::string& out = c.output;
    const int y = from.y;

    s.wire(in, {from, {from.x + 200, y}});
    s.part("R4A", {from.x + 200, y}, {from.x + 1000, y}, Side::Above);
    const int xx = from.x + 1300;
    s.wire(x, {{from.x + 1000, y}, {xx + 200, y}});
    s.part("C5", {xx, y}, {xx, y + 800}, Side::Right);
    s.ground({xx, y + 800});
    s.part("R5", {xx + 200, y}, {xx + 1000, y}, Side::Above);

    const int xj = xx + 1250;
    const Point minus{xj + 250, y};
    s.wire(inv, {{xx + 1000, y}, minus});
    const Point opOut = s.opAmp("A2", minus);
    const Point plus = s.nonInverting(minus);
    s.wire(c.ground, {plus, {plus.x, plus.y + 300}});
    s.ground({plus.x, plus.y + 300});

    const int xo = opOut.x + 200;
    const int inner = kFeedback + 150;
    s.wire(inv, {{xj, y}, {xj, inner}});
    s.part("C4", {xj, inner}, {xo, inner}, Side::Above);
    s.wire(x, {{xx, y}, {xx, kFeedbackHigh}});
    s.part("R4B", {xx, kFeedbackHigh}, {xo, kFeedbackHigh}, Side::Above);
    s.wire(out, {{xo, kFeedbackHigh}, {xo, inner}, {xo, opOut.y}});
    s.wire(out, {opOut, {xo + 500, opOut.y}});
    s.output({xo + 500, opOut.y}, "to VCO");
}

void active(Sheet& s, const FilterCircuit& c) {
    int x = drive(s, c);
    int junction = 0;
    const std::string& in = c.input;
    if (c.filter == LoopFilter::ActiveLL) {
        if (c.chargePump) {
            // The pump's current turns into a voltage across R1; C1 passes it on.
            s.part("R1", {600, 0}, {600, 1000}, Side::Right);
            s.ground({600, 1000});
            s.wire(in, {{x, 0}, {900, 0}});
            s.part("C1", {900, 0}, {1600, 0}, Side::Above);
            x = 1600;
        } else {
            s.part("R1", {x, 0}, {x + 800, 0}, Side::Above);
            s.part("C1", {x + 800, 0}, {x + 1400, 0}, Side::Above);
            x += 1400;
        }
        junction = x + 300;
    } else if (c.chargePump) {
        junction = x + 700; // the pump drives the inverting input itself
    } else {
        s.part("R1", {x, 0}, {x + 800, 0}, Side::Above);
        x += 800;
        junction = x + 300;
    }
    const Point stage1 = section1OpAmp(s, c, x, junction);
    if (c.part("A2") != nullptr) {
        section2(s, c, stage1);
    } else {
        s.wire(c.output, {stage1, {stage1.x + 500, stage1.y}});
        s.output({stage1.x + 500, stage1.y}, "to VCO");
    }
}

std::vector<std::uint8_t> draw(const FilterCircuit& c, std::vector<std::string>& errors) {
    Sheet sheet(c);
    if (c.filter == LoopFilter::PassiveLL) {
        passive(sheet, c);
    } else {
        active(sheet, c);
    }
    const auto problems = sheet.check();
    errors.insert(errors.end(), problems.begin(), problems.end());
    return sheet.toWmf();
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace

int run(int argc, char** argv) {
    const bool check = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !check) {
        std::fprintf(stderr, "usage: make_schematics [--check] DIR\n");
        return 2;
    }
    const std::string dir = argv[argc - 1];

    std::vector<std::string> errors;
    std::vector<std::pair<std::string, std::vector<std::uint8_t>>> files;
    for (const auto& circuit : allFilterCircuits()) {
        files.emplace_back(dir + "/" + circuit.file, draw(circuit, errors));
    }
    for (const auto& e : errors) {
        std::fprintf(stderr, "%s\n", e.c_str());
    }
    if (!errors.empty()) {
        return 1;
    }
    int status = 0;
    for (const auto& [path, bytes] : files) {
        if (check) {
            if (readFile(path) != bytes) {
                std::fprintf(stderr, "%s differs from what the generator draws\n", path.c_str());
                status = 1;
            }
            continue;
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            status = 1;
        }
    }
    return status;
}

} // namespace loopcraft::schematics

int main(int argc, char** argv) {
    return loopcraft::schematics::run(argc, argv);
}
