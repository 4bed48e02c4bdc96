// The record functions of the Windows metafile format, as the player reads them and the drawing
// generator (tools/schematics) writes them. One list, so that what we write is what we play.
// Plain C++: the generator is built without Qt.
#pragma once

#include <cstdint>

namespace loopcraft::wmf {

// The key that opens a placeable metafile, before its 22-byte header.
inline constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;

enum Function : std::uint16_t {
    EndOfFile = 0x0000,
    RealizePalette = 0x0035,
    SetPalEntries = 0x0037,
    CreatePalette = 0x00F7,
    SaveDC = 0x001E,
    SetBkMode = 0x0102,
    SetMapMode = 0x0103,
    SetPolyFillMode = 0x0106,
    RestoreDC = 0x0127,
    SelectObject = 0x012D,
    SetTextAlign = 0x012E,
    DibCreatePatternBrush = 0x0142,
    DeleteObject = 0x01F0,
    CreatePatternBrush = 0x01F9,
    SetBkColor = 0x0201,
    SetTextColor = 0x0209,
    SetWindowOrg = 0x020B,
    SetWindowExt = 0x020C,
    LineTo = 0x0213,
    MoveTo = 0x0214,
    CreatePenIndirect = 0x02FA,
    CreateFontIndirect = 0x02FB,
    CreateBrushIndirect = 0x02FC,
    Polygon = 0x0324,
    Polyline = 0x0325,
    Ellipse = 0x0418,
    Rectangle = 0x041B,
    TextOut = 0x0521,
    PolyPolygon = 0x0538,
    RoundRect = 0x061C,
    CreateRegion = 0x06FF,
    Arc = 0x0817,
    Pie = 0x081A,
    Chord = 0x0830,
    ExtTextOut = 0x0A32,
};

} // namespace loopcraft::wmf
