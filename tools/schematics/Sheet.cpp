// Symbols, wires, self-check and metafile output of one schematic drawing.
#include "Sheet.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <numeric>
#include <set>

namespace loopcraft::schematics {

namespace {

// Logical units are thousandths of an inch; everything sits on a grid of 0.1 inch or halves.
constexpr int kUnitsPerInch = 1000;
constexpr int kPenWidth = 20;
constexpr int kTextHeight = 200; // character height of every text
constexpr int kMargin = 150;
constexpr int kClearance = 40; // between a label and anything else
constexpr int kLabelGap = 70;  // between a symbol and its designator
constexpr int kResistorBody = 480;
constexpr int kResistorHalfWidth = 90;
constexpr int kCapacitorGap = 50; // half the distance between the plates
constexpr int kPlateHalf = 160;
constexpr int kSourceRadius = 170;
constexpr int kTerminalRadius = 45;
constexpr int kDotRadius = 35;
constexpr int kOpAmpWidth = 520;
constexpr int kOpAmpHalfHeight = 300;
constexpr int kOpAmpInputOffset = 150; // inputs above and below the centre line
constexpr int kOpAmpLead = 100;
const char* const kFace = "Arial";

Point operator+(Point a, Point b) {
    return {a.x + b.x, a.y + b.y};
}
Point operator-(Point a, Point b) {
    return {a.x - b.x, a.y - b.y};
}
Point operator*(int k, Point a) {
    return {k * a.x, k * a.y};
}

// Advance widths of a sans face per 1000 units of character height, on the generous side so that
// a substitute face wider than the one named still keeps clear of its neighbours.
int charWidth(char c) {
    static const std::map<char, int> widths{
        {' ', 278}, {'(', 333}, {')', 333}, {'-', 333}, {'A', 667}, {'B', 667}, {'C', 722},
        {'D', 722}, {'F', 611}, {'I', 278}, {'O', 778}, {'P', 667}, {'R', 722}, {'V', 667},
        {'a', 556}, {'c', 500}, {'e', 556}, {'f', 278}, {'g', 556}, {'h', 556}, {'i', 222},
        {'m', 833}, {'n', 556}, {'o', 556}, {'p', 556}, {'r', 333}, {'t', 278}, {'u', 556}};
    if (c >= '0' && c <= '9') {
        return 556;
    }
    const auto it = widths.find(c);
    return it == widths.end() ? 800 : it->second;
}

int textWidth(const std::string& text) {
    const int units = std::accumulate(text.begin(), text.end(), 0,
                                      [](int sum, char c) { return sum + charWidth(c); });
    return units * kTextHeight * 115 / 100 / 1000;
}

long long cross(Point o, Point a, Point b) {
    return static_cast<long long>(a.x - o.x) * (b.y - o.y) -
           static_cast<long long>(a.y - o.y) * (b.x - o.x);
}

bool withinBox(Point p, Point a, Point b) {
    return std::min(a.x, b.x) <= p.x && p.x <= std::max(a.x, b.x) && std::min(a.y, b.y) <= p.y &&
           p.y <= std::max(a.y, b.y);
}

bool onSegment(Point p, Point a, Point b) {
    return cross(a, b, p) == 0 && withinBox(p, a, b);
}

int sign(long long v) {
    return (v > 0) - (v < 0);
}

// Whether two segments share at least one point.
bool segmentsTouch(Point a, Point b, Point c, Point d) {
    const int d1 = sign(cross(c, d, a)), d2 = sign(cross(c, d, b));
    const int d3 = sign(cross(a, b, c)), d4 = sign(cross(a, b, d));
    if (d1 * d2 < 0 && d3 * d4 < 0) {
        return true;
    }
    return (d1 == 0 && withinBox(a, c, d)) || (d2 == 0 && withinBox(b, c, d)) ||
           (d3 == 0 && withinBox(c, a, b)) || (d4 == 0 && withinBox(d, a, b));
}

bool insideBox(Point p, const Box& box) {
    return box.left < p.x && p.x < box.right && box.top < p.y && p.y < box.bottom;
}

bool segmentHitsBox(Point a, Point b, const Box& box) {
    if (insideBox(a, box) || insideBox(b, box)) {
        return true;
    }
    const Point tl{box.left, box.top}, tr{box.right, box.top}, bl{box.left, box.bottom},
        br{box.right, box.bottom};
    return segmentsTouch(a, b, tl, tr) || segmentsTouch(a, b, tr, br) ||
           segmentsTouch(a, b, br, bl) || segmentsTouch(a, b, bl, tl);
}

Box circleBox(Point c, int r) {
    return {c.x - r, c.y - r, c.x + r, c.y + r};
}

// A point `along` the axis from `origin` and `across` it, for a symbol lying from a to b.
struct Axis {
    Point origin, u, n;
    Point at(int along, int across) const { return origin + along * u + across * n; }
};

Box axisBox(const Axis& axis, int from, int to, int halfWidth) {
    const Point p = axis.at(from, -halfWidth), q = axis.at(to, halfWidth);
    return {std::min(p.x, q.x), std::min(p.y, q.y), std::max(p.x, q.x), std::max(p.y, q.y)};
}

} // namespace

Sheet::Sheet(const FilterCircuit& circuit) : mCircuit(circuit) {}

void Sheet::addLabel(const std::string& text, Point at, std::uint16_t align,
                     const std::string& owner) {
    const int width = textWidth(text);
    int left = at.x;
    if ((align & wmf::AlignCenter) == wmf::AlignCenter) {
        left -= width / 2;
    } else if (align & wmf::AlignRight) {
        left -= width;
    }
    // Baseline alignment: capitals reach 0.75 of the height up, descenders 0.21 down.
    const Box box{left, at.y - kTextHeight * 3 / 4, left + width, at.y + kTextHeight * 21 / 100};
    mLabels.push_back({text, at, align, box, owner});
}

void Sheet::labelBeside(const std::string& text, Point mid, int halfWidth, bool vertical, Side side,
                        const std::string& owner) {
    const int capHalf = kTextHeight * 36 / 100;
    const int off = halfWidth + kLabelGap;
    const auto baselineCentre = static_cast<std::uint16_t>(wmf::AlignBaseline | wmf::AlignCenter);
    switch (side) {
    case Side::Above:
        addLabel(text, {mid.x, mid.y - (vertical ? kResistorBody / 2 : off) - kLabelGap / 2},
                 baselineCentre, owner);
        break;
    case Side::Below:
        addLabel(text,
                 {mid.x, mid.y + (vertical ? kResistorBody / 2 : off) + kTextHeight * 3 / 4 +
                             kLabelGap / 2},
                 baselineCentre, owner);
        break;
    case Side::Left:
        addLabel(text, {mid.x - (vertical ? off : kResistorBody / 2), mid.y + capHalf},
                 static_cast<std::uint16_t>(wmf::AlignBaseline | wmf::AlignRight), owner);
        break;
    case Side::Right:
        addLabel(text, {mid.x + (vertical ? off : kResistorBody / 2), mid.y + capHalf},
                 static_cast<std::uint16_t>(wmf::AlignBaseline | wmf::AlignLeft), owner);
        break;
    }
}

void Sheet::part(const std::string& name, Point a, Point b, Side side) {
    const CircuitPart* p = mCircuit.part(name);
    if (p == nullptr || p->nodes.size() != 2) {
        mErrors.push_back(mCircuit.file + ": no two-terminal part " + name);
        return;
    }
    const bool vertical = a.x == b.x;
    const int length = std::abs(vertical ? b.y - a.y : b.x - a.x);
    if (a.x != b.x && a.y != b.y) {
        mErrors.push_back(mCircuit.file + ": " + name + " is neither level nor upright");
        return;
    }
    const Point u = vertical ? Point{0, b.y > a.y ? 1 : -1} : Point{b.x > a.x ? 1 : -1, 0};
    const Point n{-u.y, u.x};
    const Point mid{(a.x + b.x) / 2, (a.y + b.y) / 2};
    const Axis axis{mid, u, n};

    Symbol s;
    s.owner = name;
    int halfWidth = 0;
    int halfLength = 0;
    switch (p->kind) {
    case PartKind::Resistor: {
        halfWidth = kResistorHalfWidth;
        halfLength = kResistorBody / 2;
        std::vector<Point> zig{a, axis.at(-halfLength, 0)};
        for (int i = 0; i < 6; ++i) {
            zig.push_back(axis.at(-halfLength + 40 + 80 * i, i % 2 == 0 ? halfWidth : -halfWidth));
        }
        zig.push_back(axis.at(halfLength, 0));
        zig.push_back(b);
        s.lines.push_back(zig);
        break;
    }
    case PartKind::Capacitor:
        halfWidth = kPlateHalf;
        halfLength = kCapacitorGap;
        s.lines.push_back({a, axis.at(-kCapacitorGap, 0)});
        s.lines.push_back(
            {axis.at(-kCapacitorGap, -kPlateHalf), axis.at(-kCapacitorGap, kPlateHalf)});
        s.lines.push_back(
            {axis.at(kCapacitorGap, -kPlateHalf), axis.at(kCapacitorGap, kPlateHalf)});
        s.lines.push_back({axis.at(kCapacitorGap, 0), b});
        break;
    case PartKind::CurrentSource: {
        // The arrow points to the first node, into which the current is pushed.
        halfWidth = kSourceRadius;
        halfLength = kSourceRadius;
        s.circles.push_back({mid, kSourceRadius});
        s.lines.push_back({a, axis.at(-kSourceRadius, 0)});
        s.lines.push_back({axis.at(kSourceRadius, 0), b});
        s.lines.push_back({axis.at(110, 0), axis.at(-40, 0)});
        s.filled.push_back({axis.at(-110, 0), axis.at(-40, -45), axis.at(-40, 45)});
        break;
    }
    default:
        mErrors.push_back(mCircuit.file + ": " + name + " is not a two-terminal symbol");
        return;
    }
    if (length < 2 * halfLength + 2 * kLabelGap) {
        mErrors.push_back(mCircuit.file + ": no room for the leads of " + name);
    }
    s.body = axisBox(axis, -halfLength, halfLength, halfWidth);
    mSymbols.push_back(s);
    mPins.push_back({p->nodes[0], a, name});
    mPins.push_back({p->nodes[1], b, name});
    mPlaced.push_back(name);
    if (!p->designator.empty()) {
        labelBeside(p->designator, mid, halfWidth, vertical, side, name);
    }
}

Point Sheet::nonInverting(Point inverting) const {
    return {inverting.x, inverting.y + 2 * kOpAmpInputOffset};
}

Point Sheet::opAmp(const std::string& name, Point inverting) {
    const CircuitPart* p = mCircuit.part(name);
    const int left = inverting.x + kOpAmpLead;
    const int centre = inverting.y + kOpAmpInputOffset;
    const Point out{left + kOpAmpWidth + kOpAmpLead, centre};
    if (p == nullptr || p->kind != PartKind::OpAmp) {
        mErrors.push_back(mCircuit.file + ": no op-amp " + name);
        return out;
    }
    Symbol s;
    s.owner = name;
    const Point apex{left + kOpAmpWidth, centre};
    s.lines.push_back({{left, centre - kOpAmpHalfHeight},
                       apex,
                       {left, centre + kOpAmpHalfHeight},
                       {left, centre - kOpAmpHalfHeight}});
    const Point plus = nonInverting(inverting);
    s.lines.push_back({inverting, {left, inverting.y}});
    s.lines.push_back({plus, {left, plus.y}});
    s.lines.push_back({apex, out});
    // "-" at the inverting input, "+" at the other.
    const int signX = left + 110;
    s.lines.push_back({{signX - 45, inverting.y}, {signX + 45, inverting.y}});
    s.lines.push_back({{signX - 45, plus.y}, {signX + 45, plus.y}});
    s.lines.push_back({{signX, plus.y - 45}, {signX, plus.y + 45}});
    s.body = {left, centre - kOpAmpHalfHeight, apex.x, centre + kOpAmpHalfHeight};
    mSymbols.push_back(s);
    mPins.push_back({p->nodes[0], plus, name});
    mPins.push_back({p->nodes[1], inverting, name});
    mPins.push_back({p->nodes[2], out, name});
    mPlaced.push_back(name);
    return out;
}

void Sheet::wire(const std::string& net, std::vector<Point> points) {
    for (std::size_t i = 1; i < points.size(); ++i) {
        if (points[i].x != points[i - 1].x && points[i].y != points[i - 1].y) {
            mErrors.push_back(mCircuit.file + ": a wire of net " + net + " runs askew");
        }
    }
    mWires.push_back({net, std::move(points)});
}

void Sheet::ground(Point top) {
    Symbol s;
    s.owner = "ground";
    s.lines.push_back({{top.x - 120, top.y}, {top.x + 120, top.y}});
    s.lines.push_back({{top.x - 75, top.y + 45}, {top.x + 75, top.y + 45}});
    s.lines.push_back({{top.x - 30, top.y + 90}, {top.x + 30, top.y + 90}});
    s.body = {top.x - 120, top.y, top.x + 120, top.y + 90};
    mSymbols.push_back(s);
    mPins.push_back({mCircuit.ground, top, "ground"});
}

void Sheet::input(Point connection, const std::string& label) {
    const Point centre{connection.x - kTerminalRadius, connection.y};
    Symbol s;
    s.owner = "input";
    s.circles.push_back({centre, kTerminalRadius});
    s.body = circleBox(centre, kTerminalRadius);
    mSymbols.push_back(s);
    mPins.push_back({mCircuit.input, connection, "input"});
    for (const auto& p : mCircuit.parts) {
        if (p.kind == PartKind::VoltageSource) {
            mPlaced.push_back(p.name); // the detector's voltage arrives at this terminal
        }
    }
    addLabel(label, {centre.x - kTerminalRadius - kLabelGap, centre.y + kTextHeight * 36 / 100},
             static_cast<std::uint16_t>(wmf::AlignBaseline | wmf::AlignRight), "input");
}

void Sheet::output(Point connection, const std::string& label) {
    const Point centre{connection.x + kTerminalRadius, connection.y};
    Symbol s;
    s.owner = "output";
    s.circles.push_back({centre, kTerminalRadius});
    s.body = circleBox(centre, kTerminalRadius);
    mSymbols.push_back(s);
    mPins.push_back({mCircuit.output, connection, "output"});
    addLabel(label, {centre.x + kTerminalRadius + kLabelGap, centre.y + kTextHeight * 36 / 100},
             static_cast<std::uint16_t>(wmf::AlignBaseline | wmf::AlignLeft), "output");
}

void Sheet::note(const std::string& text, Point at, std::uint16_t align) {
    addLabel(text, at, align, "note");
}

std::vector<Point> Sheet::dots() const {
    // A junction is where three or more wire ends, wire runs and terminals of one net meet; a run
    // through the point counts twice.
    std::set<std::pair<std::string, std::pair<int, int>>> candidates;
    for (const auto& w : mWires) {
        for (const auto& p : w.points) {
            candidates.insert({w.net, {p.x, p.y}});
        }
    }
    for (const auto& pin : mPins) {
        candidates.insert({pin.net, {pin.at.x, pin.at.y}});
    }
    std::vector<Point> out;
    for (const auto& [net, xy] : candidates) {
        const Point p{xy.first, xy.second};
        int degree = 0;
        for (const auto& w : mWires) {
            if (w.net != net) {
                continue;
            }
            for (std::size_t i = 1; i < w.points.size(); ++i) {
                const Point a = w.points[i - 1], b = w.points[i];
                degree += (p == a) + (p == b);
                degree += onSegment(p, a, b) && !(p == a) && !(p == b) ? 2 : 0;
            }
        }
        for (const auto& pin : mPins) {
            degree += pin.net == net && pin.at == p;
        }
        if (degree >= 3) {
            out.push_back(p);
        }
    }
    return out;
}

std::vector<std::string> Sheet::check() const {
    std::vector<std::string> errors = mErrors;
    const std::string& file = mCircuit.file;

    // Every part of the description exactly once.
    for (const auto& p : mCircuit.parts) {
        const auto n = std::count(mPlaced.begin(), mPlaced.end(), p.name);
        if (n != 1) {
            errors.push_back(file + ": " + p.name + " drawn " + std::to_string(n) + " times");
        }
    }

    // Items of the connectivity check: wire segments and pins.
    struct Item {
        std::string net;
        Point a, b;
        bool groundSymbol;
    };
    std::vector<Item> items;
    for (const auto& w : mWires) {
        for (std::size_t i = 1; i < w.points.size(); ++i) {
            items.push_back({w.net, w.points[i - 1], w.points[i], false});
        }
    }
    for (const auto& pin : mPins) {
        items.push_back({pin.net, pin.at, pin.at, pin.owner == "ground"});
    }
    std::vector<std::size_t> parent(items.size());
    std::iota(parent.begin(), parent.end(), 0);
    auto find = [&parent](std::size_t i) {
        while (parent[i] != i) {
            i = parent[i] = parent[parent[i]];
        }
        return i;
    };
    std::size_t firstGround = items.size();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].groundSymbol) {
            if (firstGround == items.size()) {
                firstGround = i;
            }
            parent[find(i)] = find(firstGround); // all ground symbols are one net
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (!segmentsTouch(items[i].a, items[i].b, items[j].a, items[j].b)) {
                continue;
            }
            if (items[i].net != items[j].net) {
                errors.push_back(file + ": net " + items[i].net + " touches net " + items[j].net);
            } else {
                parent[find(i)] = find(j);
            }
        }
    }
    std::map<std::string, std::set<std::size_t>> pieces;
    for (std::size_t i = 0; i < items.size(); ++i) {
        pieces[items[i].net].insert(find(i));
    }
    for (const auto& [net, roots] : pieces) {
        if (roots.size() != 1) {
            errors.push_back(file + ": net " + net + " is drawn in " +
                             std::to_string(roots.size()) + " pieces");
        }
    }
    for (const auto& p : mCircuit.parts) {
        for (const auto& n : p.nodes) {
            if (!pieces.count(n)) {
                errors.push_back(file + ": net " + n + " is not drawn");
            }
        }
    }

    // Nothing lies on anything it does not belong to.
    for (std::size_t i = 0; i < mSymbols.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (mSymbols[i].body.grown(kClearance / 2).intersects(mSymbols[j].body)) {
                errors.push_back(file + ": " + mSymbols[i].owner + " overlaps " +
                                 mSymbols[j].owner);
            }
        }
        for (const auto& w : mWires) {
            for (std::size_t k = 1; k < w.points.size(); ++k) {
                const Point a = w.points[k - 1], b = w.points[k];
                const Box run{std::min(a.x, b.x), std::min(a.y, b.y), std::max(a.x, b.x),
                              std::max(a.y, b.y)};
                if (run.intersects(mSymbols[i].body)) {
                    errors.push_back(file + ": a wire of net " + w.net + " crosses " +
                                     mSymbols[i].owner);
                }
            }
        }
    }
    const auto junctions = dots();
    for (std::size_t i = 0; i < mLabels.size(); ++i) {
        const Box box = mLabels[i].box.grown(kClearance);
        const std::string what = file + ": label \"" + mLabels[i].text + "\" ";
        for (std::size_t j = 0; j < i; ++j) {
            if (box.intersects(mLabels[j].box)) {
                errors.push_back(what + "overlaps \"" + mLabels[j].text + "\"");
            }
        }
        for (const auto& w : mWires) {
            for (std::size_t k = 1; k < w.points.size(); ++k) {
                if (segmentHitsBox(w.points[k - 1], w.points[k], box)) {
                    errors.push_back(what + "lies on a wire of net " + w.net);
                }
            }
        }
        for (const auto& s : mSymbols) {
            bool hit = false;
            for (const auto& line : s.lines) {
                for (std::size_t k = 1; k < line.size(); ++k) {
                    hit = hit || segmentHitsBox(line[k - 1], line[k], box);
                }
            }
            for (const auto& c : s.circles) {
                hit = hit || box.intersects(circleBox(c.centre, c.radius));
            }
            if (hit) {
                errors.push_back(what + "lies on " + s.owner);
            }
        }
        for (const auto& d : junctions) {
            if (box.intersects(circleBox(d, kDotRadius))) {
                errors.push_back(what + "lies on a junction");
            }
        }
    }
    return errors;
}

Box Sheet::bounds() const {
    Box b{0, 0, 0, 0};
    bool first = true;
    auto add = [&](const Box& box) {
        if (first) {
            b = box;
            first = false;
            return;
        }
        b = {std::min(b.left, box.left), std::min(b.top, box.top), std::max(b.right, box.right),
             std::max(b.bottom, box.bottom)};
    };
    for (const auto& s : mSymbols) {
        add(s.body);
        for (const auto& line : s.lines) {
            for (const auto& p : line) {
                add({p.x, p.y, p.x, p.y});
            }
        }
    }
    for (const auto& w : mWires) {
        for (const auto& p : w.points) {
            add({p.x, p.y, p.x, p.y});
        }
    }
    for (const auto& l : mLabels) {
        add(l.box);
    }
    return b.grown(kMargin);
}

std::vector<std::uint8_t> Sheet::toWmf() const {
    const Box frame = bounds();
    const Point origin{frame.left, frame.top};
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    auto at = [&](Point p) { return p - origin; };
    auto shifted = [&](const std::vector<Point>& points) {
        std::vector<Point> out;
        for (const auto& p : points) {
            out.push_back(at(p));
        }
        return out;
    };

    wmf::Writer w(0, 0, width, height, kUnitsPerInch);
    w.setMapMode(wmf::kAnisotropic);
    w.setWindowOrg(0, 0);
    w.setWindowExt(width, height);
    w.setBkMode(wmf::kTransparent);

    const wmf::Colour black{0, 0, 0};
    const wmf::Colour white{255, 255, 255};
    // White paper under the drawing.
    const int noPen = w.createPen(wmf::kPenNull, 0, black);
    const int paper = w.createBrush(wmf::kBrushSolid, white);
    w.selectObject(noPen);
    w.selectObject(paper);
    w.rectangle(0, 0, width + 1, height + 1);

    const int pen = w.createPen(wmf::kPenSolid, kPenWidth, black);
    const int hollow = w.createBrush(wmf::kBrushNull, black);
    const int ink = w.createBrush(wmf::kBrushSolid, black);
    w.selectObject(pen);
    w.selectObject(hollow);
    for (const auto& wire : mWires) {
        w.polyline(shifted(wire.points));
    }
    for (const auto& s : mSymbols) {
        for (const auto& line : s.lines) {
            w.polyline(shifted(line));
        }
        for (const auto& c : s.circles) {
            const Point p = at(c.centre);
            w.ellipse(p.x - c.radius, p.y - c.radius, p.x + c.radius, p.y + c.radius);
        }
    }
    w.selectObject(ink);
    for (const auto& s : mSymbols) {
        for (const auto& f : s.filled) {
            w.polygon(shifted(f));
        }
    }
    for (const auto& d : dots()) {
        const Point p = at(d);
        w.ellipse(p.x - kDotRadius, p.y - kDotRadius, p.x + kDotRadius, p.y + kDotRadius);
    }

    const int font = w.createFont(-kTextHeight, 400, kFace);
    w.selectObject(font);
    w.setTextColour(black);
    int align = -1;
    for (const auto& l : mLabels) {
        if (l.align != align) {
            align = l.align;
            w.setTextAlign(l.align);
        }
        const Point p = at(l.at);
        w.textOut(p.x, p.y, l.text);
    }
    w.selectObject(noPen);
    w.selectObject(paper);
    for (const int object : {pen, hollow, ink, font}) {
        w.deleteObject(object);
    }
    return w.finish();
}

} // namespace loopcraft::schematics
