// One schematic drawing being laid out: the parts of a circuit description placed as symbols,
// the wires of each net, ground symbols, terminals and labels. Before it is written the sheet
// checks itself against the description: every part placed once, every net one connected piece
// that touches no other net, and no label or symbol lying on anything else.
#pragma once

#include "WmfWriter.h"
#include "core/schematic/FilterCircuit.h"

#include <cstdint>
#include <string>
#include <vector>

namespace loopcraft::schematics {

using wmf::Point;

enum class Side { Above, Below, Left, Right };

struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool intersects(const Box& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    Box grown(int by) const { return {left - by, top - by, right + by, bottom + by}; }
};

class Sheet {
public:
    explicit Sheet(const FilterCircuit& circuit);

    // A resistor, capacitor or current source of the description between `a` and `b` (one
    // above the other or side by side). Its terminals are `a` (first node) and `b`; its leads
    // take up whatever the symbol does not. The designator goes on `side`.
    void part(const std::string& name, Point a, Point b, Side side);
    // An op-amp whose inverting input terminal is `inverting`; the non-inverting input lies
    // below it and the output to the right. Returns the output terminal.
    Point opAmp(const std::string& name, Point inverting);
    Point nonInverting(Point inverting) const;

    void wire(const std::string& net, std::vector<Point> points);
    void ground(Point top);
    // The filter's input terminal (reached from the right) and output terminal (from the left).
    void input(Point connection, const std::string& label);
    void output(Point connection, const std::string& label);
    // Free text, e.g. what the current source stands for.
    void note(const std::string& text, Point at, std::uint16_t align);

    // What does not match the description or does not look clean; empty when all is well.
    std::vector<std::string> check() const;

    // The drawing as a placeable metafile, framed by a margin.
    std::vector<std::uint8_t> toWmf() const;

private:
    struct Segment {
        Point a, b;
    };
    struct Pin {
        std::string net;
        Point at;
        std::string owner;
    };
    struct Label {
        std::string text;
        Point at;
        std::uint16_t align;
        Box box;
        std::string owner;
    };
    struct Circle {
        Point centre;
        int radius;
    };
    struct Symbol {
        std::string owner;
        std::vector<std::vector<Point>> lines;
        std::vector<std::vector<Point>> filled;
        std::vector<Circle> circles;
        Box body;
    };
    struct Wire {
        std::string net;
        std::vector<Point> points;
    };

    void addLabel(const std::string& text, Point at, std::uint16_t align, const std::string& owner);
    void labelBeside(const std::string& text, Point mid, int halfWidth, bool vertical, Side side,
                     const std::string& owner);
    std::vector<Point> dots() const;
    Box bounds() const;

    const FilterCircuit& mCircuit;
    std::vector<Symbol> mSymbols;
    std::vector<Wire> mWires;
    std::vector<Pin> mPins;
    std::vector<Label> mLabels;
    std::vector<std::string> mPlaced;
    std::vector<std::string> mErrors;
};

} // namespace loopcraft::schematics
