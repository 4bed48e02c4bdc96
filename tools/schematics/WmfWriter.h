// A small writer of placeable Windows metafiles: 16-bit records behind the 22-byte placeable
// header that carries the picture's bounding box and its units per inch. It writes only what our
// drawings need (pens, brushes, fonts, lines, polygons, ellipses, text) and keeps the object table
// as the format's players do: a new object takes the lowest free slot.
#pragma once

#include "render/wmf/WmfRecords.h"

#include <cstdint>
#include <string>
#include <vector>

namespace loopcraft::wmf {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Colour {
    std::uint8_t r = 0, g = 0, b = 0;
};

// Text alignment flags.
enum TextAlign : std::uint16_t {
    AlignLeft = 0,
    AlignRight = 2,
    AlignCenter = 6,
    AlignTop = 0,
    AlignBottom = 8,
    AlignBaseline = 24,
};

inline constexpr std::uint16_t kPenSolid = 0;
inline constexpr std::uint16_t kPenNull = 5;
inline constexpr std::uint16_t kBrushSolid = 0;
inline constexpr std::uint16_t kBrushNull = 1;
inline constexpr std::uint16_t kTransparent = 1;
inline constexpr std::uint16_t kAnisotropic = 8;

class Writer {
public:
    // The picture covers `left, top` to `right, bottom` in logical units, `unitsPerInch` of them
    // to the inch.
    Writer(int left, int top, int right, int bottom, int unitsPerInch);

    // Objects return their slot in the object table.
    int createPen(std::uint16_t style, int width, Colour colour);
    int createBrush(std::uint16_t style, Colour colour);
    // A font `height` logical units high (negative: the character height without leading).
    int createFont(int height, int weight, const std::string& face);
    void selectObject(int slot);
    void deleteObject(int slot);

    void setWindowOrg(int x, int y);
    void setWindowExt(int x, int y);
    void setMapMode(std::uint16_t mode);
    void setBkMode(std::uint16_t mode);
    void setTextColour(Colour colour);
    void setTextAlign(std::uint16_t align);

    void polyline(const std::vector<Point>& points);
    void polygon(const std::vector<Point>& points);
    void ellipse(int left, int top, int right, int bottom);
    void rectangle(int left, int top, int right, int bottom);
    // Text in the 8-bit character set of the font.
    void textOut(int x, int y, const std::string& text);

    // A record with any function and parameter words, for what the helpers above do not cover.
    void record(std::uint16_t function, const std::vector<std::uint16_t>& params);
    // The same for a record that creates an object; returns its slot.
    int createObject(std::uint16_t function, const std::vector<std::uint16_t>& params);

    // The whole file: placeable header, metafile header, the records and the end record.
    std::vector<std::uint8_t> finish() const;

private:
    int mLeft, mTop, mRight, mBottom, mUnitsPerInch;
    std::vector<std::uint16_t> mRecords; // every record as 16-bit words
    std::uint32_t mMaxRecordWords = 3;
    std::vector<bool> mSlots; // object table occupancy
};

} // namespace loopcraft::wmf
