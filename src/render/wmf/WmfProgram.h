// What the metafile player plays: the records of a file, checked and decoded once (sizes,
// counts, object slots, nesting), as drawing operations that cannot fail any more. Internal to
// the player; WmfPicture is its face.
#pragma once

#include <QByteArrayView>
#include <QPoint>
#include <QRect>
#include <QRgb>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace loopcraft::wmf {

// Hard limits of what a file may ask for.
inline constexpr qsizetype kMaxFileBytes = 16 * 1024 * 1024;
inline constexpr int kMaxRecords = 200'000;
inline constexpr int kMaxObjects = 4096;
inline constexpr int kMaxSaveDepth = 64;
// What one text record may write: labels, not documents.
inline constexpr int kMaxRecordTextChars = 4096;
// The drawing work of a whole file, in points and glyphs handed to the painter (a shape counts
// as kShapeWork). Our drawings need a few thousand; the budget keeps any file to a fraction of a
// second however its records are arranged.
inline constexpr qsizetype kMaxWork = 400'000;
inline constexpr qsizetype kShapeWork = 16;
// A window may zoom into the frame, or shrink it, at most this much: beyond it, coordinates
// and glyphs reach sizes that the rasteriser was never meant to see.
inline constexpr int kMaxZoom = 64;
// A font's width against its height (a normal face is about half as wide as high).
inline constexpr int kMaxFontAspect = 8;

enum class OpCode : std::uint8_t {
    WindowOrg,    // x, y
    WindowExt,    // x, y
    BkColour,     // colour
    BkMode,       // mode
    TextColour,   // colour
    TextAlign,    // flags
    PolyFillMode, // mode
    SaveDC,
    RestoreDC,   // n
    Create,      // object definition in `first`
    Select,      // slot
    Delete,      // slot
    MoveTo,      // x, y
    LineTo,      // x, y
    Polyline,    // points [first, first + count)
    Polygon,     // points [first, first + count)
    PolyPolygon, // polygon sizes [first, first + count), points from v[0]
    Rectangle,   // left, top, right, bottom
    RoundRect,   // left, top, right, bottom, corner width, corner height
    Ellipse,     // left, top, right, bottom
    Arc,         // left, top, right, bottom, start x, start y, end x, end y
    Chord,       // as Arc
    Pie,         // as Arc
    Text,        // text in `first`
};

struct Op {
    OpCode code;
    std::array<int, 8> v{};
    std::uint32_t first = 0;
    std::uint32_t count = 0;
};

struct PenDef {
    int style = 0; // style, end cap and join flags
    int width = 0; // logical units; 0 draws one device pixel
    QRgb colour = 0xFF000000;
};

struct BrushDef {
    int style = 0;
    QRgb colour = 0xFF000000;
    int hatch = 0;
};

struct FontDef {
    int height = 0; // negative: character height; positive: cell height; 0: default
    int width = 0;
    int escapement = 0; // tenths of a degree, counter-clockwise
    int weight = 0;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    int pitchAndFamily = 0;
    QString face;
};

struct ObjectDef {
    enum class Kind { Pen, Brush, Font, Other } kind = Kind::Other;
    PenDef pen;
    BrushDef brush;
    FontDef font;
};

struct TextDef {
    QPoint at;
    QString text;
    int options = 0;           // extended text: opaque and clipped flags
    std::optional<QRect> rect; // extended text: the rectangle those flags use
    std::vector<int> advances; // extended text: distance to the next character, if given
};

struct Program {
    QRect frame;          // the picture's extent in logical units
    int unitsPerInch = 0; // 0 when the file does not say
    int objectSlots = 0;  // size of the object table
    std::vector<Op> ops;
    std::vector<QPoint> points;
    std::vector<int> polygonSizes;
    std::vector<ObjectDef> objects;
    std::vector<TextDef> texts;
};

// Checks every record of `data` against the file and the limits above and decodes the ones the
// player draws. Nothing, with the reason in `error`, when the file is not a metafile or is
// truncated, corrupted or over a limit.
std::optional<Program> decodeMetafile(QByteArrayView data, QString& error);

// How many saved states remain after restoring from `depth` saved states with `n` (negative:
// that many levels back; positive: the state the n-th save stored). The restored state is the
// one saved at that index. -1 when the request cannot be met: the state then stays as it is.
int restoredDepth(int depth, int n);

} // namespace loopcraft::wmf
