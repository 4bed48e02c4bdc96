// First stage of the metafile player: every size, count and index of the file is checked
// against the record that holds it and against the player's limits before anything is drawn.
#include "render/wmf/WmfProgram.h"
#include "render/wmf/WmfRecords.h"

#include <QtGlobal>
#include <algorithm>
#include <array>

namespace loopcraft::wmf {

namespace {

constexpr qsizetype kPlaceableBytes = 22;
constexpr qsizetype kHeaderBytes = 18;
constexpr qsizetype kRecordHeaderBytes = 6;

constexpr int kEtoOpaque = 0x0002;
constexpr int kEtoClipped = 0x0004;

// Characters 0x80..0x9F of the Western Windows code page; the rest matches Latin-1.
constexpr std::array<char16_t, 32> kCp1252High{
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Little-endian reads from a range whose size the caller has checked.
class Bytes {
public:
    explicit Bytes(QByteArrayView data) : mData(data) {}
    qsizetype size() const { return mData.size(); }
    std::uint8_t u8(qsizetype at) const { return static_cast<std::uint8_t>(mData[at]); }
    std::uint16_t u16(qsizetype at) const {
        return static_cast<std::uint16_t>(u8(at) | (u8(at + 1) << 8));
    }
    int s16(qsizetype at) const { return static_cast<std::int16_t>(u16(at)); }
    std::uint32_t u32(qsizetype at) const {
        return u16(at) | (static_cast<std::uint32_t>(u16(at + 2)) << 16);
    }

private:
    QByteArrayView mData;
};

QString hex(std::uint16_t function) {
    return QStringLiteral("0x%1").arg(function, 4, 16, QLatin1Char('0'));
}

class Decoder {
public:
    explicit Decoder(QByteArrayView data) : mBytes(data) {}

    std::optional<Program> run(QString& error);

private:
    // The parameters of the current record: words from the record's sixth byte on.
    int s(int word) const { return mBytes.s16(mParams + 2 * word); }
    std::uint16_t u(int word) const { return mBytes.u16(mParams + 2 * word); }
    std::uint8_t byte(int index) const { return mBytes.u8(mParams + index); }
    QRgb colour(int word) const {
        return qRgb(byte(2 * word), byte(2 * word + 1), byte(2 * word + 2));
    }

    bool fail(const QString& why) {
        mError = QStringLiteral("Record %1 at byte %2 (function %3) %4.")
                     .arg(mRecord)
                     .arg(mParams - kRecordHeaderBytes)
                     .arg(hex(mFunction), why);
        return false;
    }
    // The record holds at least `words` parameter words.
    bool need(qsizetype words) {
        if (words > mWords) {
            return fail(QStringLiteral("is too short for its parameters (%1 words needed, %2 "
                                       "held)")
                            .arg(words)
                            .arg(mWords));
        }
        return true;
    }

    bool header(QString& error);
    bool record();
    bool points(OpCode code);
    bool polyPolygon();
    bool text(bool extended);
    bool createObject(const ObjectDef& def);
    bool selectOrDelete(bool select);
    QString decodeText(qsizetype at, int length) const;
    void add(OpCode code, std::initializer_list<int> values);
    bool spend(qsizetype work);
    // Sizes that can only be judged against the frame, which a file without placeable header
    // gives with its first window: noted while decoding, checked at the end.
    struct Deferred {
        int record;
        qsizetype params;
        std::uint16_t function;
        std::array<int, 3> v;
    };
    void defer(std::initializer_list<int> values);
    bool checkScales();

    Bytes mBytes;
    Program mProgram;
    QString mError;
    std::optional<QRect> mWindow; // first window, the frame of a file without placeable header
    QPoint mWindowOrg;
    std::vector<bool> mSlots;
    int mDepth = 0;
    qsizetype mWork = 0;
    std::vector<Deferred> mDeferred;
    // The record being decoded.
    int mRecord = 0;
    std::uint16_t mFunction = 0;
    qsizetype mParams = 0;
    qsizetype mWords = 0;
};

bool Decoder::header(QString& error) {
    qsizetype at = 0;
    if (mBytes.size() >= 4 && mBytes.u32(0) == kPlaceableKey) {
        if (mBytes.size() < kPlaceableBytes) {
            error = QStringLiteral("The file ends inside its placeable header.");
            return false;
        }
        const QRect box =
            QRect(QPoint(mBytes.s16(6), mBytes.s16(8)), QPoint(mBytes.s16(10), mBytes.s16(12)))
                .normalized();
        const int inch = mBytes.u16(14);
        if (box.width() <= 1 || box.height() <= 1) {
            error = QStringLiteral("The placeable header gives an empty picture frame.");
            return false;
        }
        if (inch == 0) {
            error = QStringLiteral("The placeable header gives 0 units per inch.");
            return false;
        }
        // QRect's right and bottom are inclusive; the frame spans the full extent.
        mProgram.frame = QRect(box.left(), box.top(), box.width() - 1, box.height() - 1);
        mProgram.unitsPerInch = inch;
        at = kPlaceableBytes;
    }
    if (mBytes.size() - at < kHeaderBytes) {
        error = at == 0 ? QStringLiteral("The file is not a Windows metafile (too short).")
                        : QStringLiteral("The file ends inside its metafile header.");
        return false;
    }
    const int type = mBytes.u16(at);
    const int headerWords = mBytes.u16(at + 2);
    const int version = mBytes.u16(at + 4);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x0100 && version != 0x0300)) {
        error = QStringLiteral("The file is not a Windows metafile (its header reads type %1, "
                               "%2 words, version %3).")
                    .arg(type)
                    .arg(headerWords)
                    .arg(hex(static_cast<std::uint16_t>(version)));
        return false;
    }
    const int objects = mBytes.u16(at + 10);
    if (objects > kMaxObjects) {
        error = QStringLiteral("The file asks for %1 objects; at most %2 are allowed.")
                    .arg(objects)
                    .arg(kMaxObjects);
        return false;
    }
    mProgram.objectSlots = objects;
    mSlots.assign(static_cast<std::size_t>(objects), false);
    mParams = at + kHeaderBytes;
    return true;
}

std::optional<Program> Decoder::run(QString& error) {
    if (mBytes.size() > kMaxFileBytes) {
        error = QStringLiteral("The file is larger than 16 MiB.");
        return std::nullopt;
    }
    if (!header(error)) {
        return std::nullopt;
    }
    qsizetype at = mParams;
    for (mRecord = 1;; ++mRecord) {
        if (mRecord > kMaxRecords) {
            error = QStringLiteral("The file holds more than %1 records.").arg(kMaxRecords);
            return std::nullopt;
        }
        const qsizetype left = mBytes.size() - at;
        if (left < kRecordHeaderBytes) {
            error = QStringLiteral("The file ends at byte %1 without its end record (record %2 "
                                   "is cut off).")
                        .arg(mBytes.size())
                        .arg(mRecord);
            return std::nullopt;
        }
        const std::uint32_t words = mBytes.u32(at);
        mFunction = mBytes.u16(at + 4);
        mParams = at + kRecordHeaderBytes;
        if (words < 3) {
            fail(QStringLiteral("gives a size of %1 words; a record has at least 3").arg(words));
            error = mError;
            return std::nullopt;
        }
        if (static_cast<qsizetype>(words) > left / 2) {
            fail(QStringLiteral("claims %1 bytes, but only %2 are left in the file")
                     .arg(2 * static_cast<qint64>(words))
                     .arg(left));
            error = mError;
            return std::nullopt;
        }
        mWords = static_cast<qsizetype>(words) - 3;
        if (mFunction == EndOfFile) {
            break;
        }
        if (!record()) {
            error = mError;
            return std::nullopt;
        }
        at += 2 * static_cast<qsizetype>(words);
    }
    if (mProgram.unitsPerInch == 0) {
        if (!mWindow) {
            error = QStringLiteral("The file gives no picture size (no placeable header and no "
                                   "window extent).");
            return std::nullopt;
        }
        mProgram.frame = *mWindow;
    }
    if (!checkScales()) {
        error = mError;
        return std::nullopt;
    }
    return std::move(mProgram);
}

void Decoder::add(OpCode code, std::initializer_list<int> values) {
    Op op{code};
    std::copy(values.begin(), values.end(), op.v.begin());
    mProgram.ops.push_back(op);
}

bool Decoder::spend(qsizetype work) {
    mWork += work;
    if (mWork > kMaxWork) {
        return fail(
            QStringLiteral("brings the drawing work past %1 points and glyphs").arg(kMaxWork));
    }
    return true;
}

void Decoder::defer(std::initializer_list<int> values) {
    Deferred d{mRecord, mParams, mFunction, {}};
    std::copy(values.begin(), values.end(), d.v.begin());
    mDeferred.push_back(d);
}

bool Decoder::checkScales() {
    const int side = std::max(mProgram.frame.width(), mProgram.frame.height()) + 1;
    for (const Deferred& d : mDeferred) {
        mRecord = d.record;
        mParams = d.params;
        mFunction = d.function;
        switch (d.function) {
        case SetWindowExt: {
            const auto zoomed = [&](int extent, int frame) {
                const qint64 e = std::abs(static_cast<qint64>(extent));
                const qint64 f = static_cast<qint64>(frame) + 1;
                return e * kMaxZoom < f || e > f * kMaxZoom;
            };
            if (zoomed(d.v[0], mProgram.frame.width()) || zoomed(d.v[1], mProgram.frame.height())) {
                return fail(QStringLiteral("sets a window of %1 x %2 units, which scales the "
                                           "%3 x %4 frame more than %5 times")
                                .arg(d.v[0])
                                .arg(d.v[1])
                                .arg(mProgram.frame.width() + 1)
                                .arg(mProgram.frame.height() + 1)
                                .arg(kMaxZoom));
            }
            break;
        }
        case CreateFontIndirect: {
            const int height = std::abs(d.v[0]);
            const int width = d.v[1];
            if (height > side || width < 0 || width > side ||
                (height > 0 && width > kMaxFontAspect * height)) {
                return fail(QStringLiteral("creates a font %1 units high and %2 wide, out of "
                                           "proportion to the %3-unit picture")
                                .arg(d.v[0])
                                .arg(width)
                                .arg(side));
            }
            if (std::abs(d.v[2]) > 3600) {
                return fail(QStringLiteral("turns a font by %1 tenths of a degree; at most a "
                                           "full turn (3600) is allowed")
                                .arg(d.v[2]));
            }
            break;
        }
        case CreatePenIndirect:
            if (d.v[0] > side) {
                return fail(QStringLiteral("creates a pen %1 units wide, wider than the "
                                           "%2-unit picture")
                                .arg(d.v[0])
                                .arg(side));
            }
            break;
        default:
            break;
        }
    }
    return true;
}

bool Decoder::record() {
    switch (mFunction) {
    case SetWindowOrg:
        if (!need(2)) {
            return false;
        }
        mWindowOrg = QPoint(s(1), s(0));
        add(OpCode::WindowOrg, {s(1), s(0)});
        return true;
    case SetWindowExt:
        if (!need(2)) {
            return false;
        }
        if (s(0) == 0 || s(1) == 0) {
            return fail(QStringLiteral("sets a window extent of zero"));
        }
        if (!mWindow) {
            mWindow = QRect(mWindowOrg.x(), mWindowOrg.y(), std::abs(s(1)), std::abs(s(0)));
        }
        defer({s(1), s(0)});
        add(OpCode::WindowExt, {s(1), s(0)});
        return true;
    case SetBkColor:
    case SetTextColor:
        if (!need(2)) {
            return false;
        }
        add(mFunction == SetBkColor ? OpCode::BkColour : OpCode::TextColour,
            {static_cast<int>(colour(0))});
        return true;
    case SetBkMode:
    case SetTextAlign:
    case SetPolyFillMode:
    case SetMapMode:
        if (!need(1)) {
            return false;
        }
        // The picture is always stretched into its frame, so the map mode changes nothing.
        if (mFunction == SetBkMode) {
            add(OpCode::BkMode, {u(0)});
        } else if (mFunction == SetTextAlign) {
            add(OpCode::TextAlign, {u(0)});
        } else if (mFunction == SetPolyFillMode) {
            add(OpCode::PolyFillMode, {u(0)});
        }
        return true;
    case SaveDC:
        if (mDepth >= kMaxSaveDepth) {
            return fail(QStringLiteral("saves more than %1 nested states").arg(kMaxSaveDepth));
        }
        ++mDepth;
        add(OpCode::SaveDC, {});
        return true;
    case RestoreDC: {
        if (!need(1)) {
            return false;
        }
        const int depth = restoredDepth(mDepth, s(0));
        if (depth >= 0) {
            mDepth = depth;
            add(OpCode::RestoreDC, {s(0)});
        }
        return true;
    }
    case MoveTo:
    case LineTo:
        if (!need(2)) {
            return false;
        }
        if (mFunction == LineTo && !spend(2)) {
            return false;
        }
        add(mFunction == MoveTo ? OpCode::MoveTo : OpCode::LineTo, {s(1), s(0)});
        return true;
    case Rectangle:
    case Ellipse:
        if (!need(4) || !spend(kShapeWork)) {
            return false;
        }
        add(mFunction == Rectangle ? OpCode::Rectangle : OpCode::Ellipse, {s(3), s(2), s(1), s(0)});
        return true;
    case RoundRect:
        if (!need(6) || !spend(kShapeWork)) {
            return false;
        }
        add(OpCode::RoundRect, {s(5), s(4), s(3), s(2), s(1), s(0)});
        return true;
    case Arc:
    case Chord:
    case Pie: {
        if (!need(8) || !spend(kShapeWork)) {
            return false;
        }
        const OpCode code = mFunction == Arc     ? OpCode::Arc
                            : mFunction == Chord ? OpCode::Chord
                                                 : OpCode::Pie;
        add(code, {s(7), s(6), s(5), s(4), s(3), s(2), s(1), s(0)});
        return true;
    }
    case Polyline:
        return points(OpCode::Polyline);
    case Polygon:
        return points(OpCode::Polygon);
    case PolyPolygon:
        return polyPolygon();
    case TextOut:
        return text(false);
    case ExtTextOut:
        return text(true);
    case CreatePenIndirect: {
        if (!need(5)) {
            return false;
        }
        ObjectDef def;
        def.kind = ObjectDef::Kind::Pen;
        def.pen = {u(0), std::max(0, s(1)), colour(3)};
        defer({def.pen.width});
        return createObject(def);
    }
    case CreateBrushIndirect: {
        if (!need(4)) {
            return false;
        }
        ObjectDef def;
        def.kind = ObjectDef::Kind::Brush;
        def.brush = {u(0), colour(1), u(3)};
        return createObject(def);
    }
    case CreateFontIndirect: {
        if (!need(9)) {
            return false;
        }
        ObjectDef def;
        def.kind = ObjectDef::Kind::Font;
        FontDef& f = def.font;
        f.height = s(0);
        f.width = s(1);
        f.escapement = s(2);
        f.weight = s(4);
        f.italic = byte(10) != 0;
        f.underline = byte(11) != 0;
        f.strikeOut = byte(12) != 0;
        f.pitchAndFamily = byte(17);
        const qsizetype faceBytes = std::min<qsizetype>(32, 2 * mWords - 18);
        int length = 0;
        while (length < faceBytes && byte(18 + length) != 0) {
            ++length;
        }
        f.face = decodeText(mParams + 18, length);
        defer({f.height, f.width, f.escapement});
        return createObject(def);
    }
    case CreatePalette:
    case CreatePatternBrush:
    case DibCreatePatternBrush:
    case CreateRegion:
        // Not drawn, but they take a slot in the object table like any other object.
        return createObject(ObjectDef{});
    case SelectObject:
        return selectOrDelete(true);
    case DeleteObject:
        return selectOrDelete(false);
    default:
        return true; // a record the player does not draw; its size is checked
    }
}

bool Decoder::points(OpCode code) {
    if (!need(1)) {
        return false;
    }
    const int count = s(0);
    if (count < 0) {
        return fail(QStringLiteral("gives a negative point count"));
    }
    if (!need(1 + 2 * static_cast<qsizetype>(count)) || !spend(count)) {
        return false;
    }
    Op op{code};
    op.first = static_cast<std::uint32_t>(mProgram.points.size());
    op.count = static_cast<std::uint32_t>(count);
    for (int i = 0; i < count; ++i) {
        mProgram.points.emplace_back(s(1 + 2 * i), s(2 + 2 * i));
    }
    mProgram.ops.push_back(op);
    return true;
}

bool Decoder::polyPolygon() {
    if (!need(1)) {
        return false;
    }
    const int polygons = u(0);
    if (!need(1 + static_cast<qsizetype>(polygons))) {
        return false;
    }
    qsizetype total = 0;
    for (int i = 0; i < polygons; ++i) {
        total += u(1 + i);
    }
    if (!need(1 + polygons + 2 * total) || !spend(total)) {
        return false;
    }
    Op op{OpCode::PolyPolygon};
    op.v[0] = static_cast<int>(mProgram.points.size());
    op.first = static_cast<std::uint32_t>(mProgram.polygonSizes.size());
    op.count = static_cast<std::uint32_t>(polygons);
    for (int i = 0; i < polygons; ++i) {
        mProgram.polygonSizes.push_back(u(1 + i));
    }
    const int base = 1 + polygons;
    for (qsizetype i = 0; i < total; ++i) {
        mProgram.points.emplace_back(s(static_cast<int>(base + 2 * i)),
                                     s(static_cast<int>(base + 2 * i + 1)));
    }
    mProgram.ops.push_back(op);
    return true;
}

QString Decoder::decodeText(qsizetype at, int length) const {
    QString out(length, Qt::Uninitialized);
    for (int i = 0; i < length; ++i) {
        const std::uint8_t c = mBytes.u8(at + i);
        out[i] = (c >= 0x80 && c < 0xA0) ? QChar(kCp1252High[c - 0x80]) : QChar(c);
    }
    return out;
}

bool Decoder::text(bool extended) {
    TextDef t;
    int length = 0;
    qsizetype stringWord = 0;
    if (extended) {
        if (!need(4)) {
            return false;
        }
        t.at = QPoint(s(1), s(0));
        length = s(2);
        t.options = u(3);
        stringWord = 4;
        if (t.options & (kEtoOpaque | kEtoClipped)) {
            if (!need(8)) {
                return false;
            }
            t.rect = QRect(QPoint(s(4), s(5)), QPoint(s(6), s(7))).normalized();
            stringWord = 8;
        }
    } else {
        if (!need(1)) {
            return false;
        }
        length = s(0);
        stringWord = 1;
    }
    if (length < 0) {
        return fail(QStringLiteral("gives a negative text length"));
    }
    const qsizetype stringWords = (static_cast<qsizetype>(length) + 1) / 2;
    if (!need(stringWord + stringWords + (extended ? 0 : 2))) {
        return false;
    }
    if (length > kMaxRecordTextChars) {
        return fail(QStringLiteral("writes a text of %1 characters; one record may write at "
                                   "most %2")
                        .arg(length)
                        .arg(kMaxRecordTextChars));
    }
    if (!spend(length)) {
        return false;
    }
    t.text = decodeText(mParams + 2 * stringWord, length);
    if (!extended) {
        const int after = static_cast<int>(stringWord + stringWords);
        t.at = QPoint(s(after + 1), s(after));
    } else if (mWords >= stringWord + stringWords + length && length > 0) {
        for (int i = 0; i < length; ++i) {
            t.advances.push_back(s(static_cast<int>(stringWord + stringWords + i)));
        }
    }
    Op op{OpCode::Text};
    op.first = static_cast<std::uint32_t>(mProgram.texts.size());
    mProgram.texts.push_back(std::move(t));
    mProgram.ops.push_back(op);
    return true;
}

bool Decoder::createObject(const ObjectDef& def) {
    const auto free = std::find(mSlots.begin(), mSlots.end(), false);
    if (free == mSlots.end()) {
        return fail(QStringLiteral("creates an object, but all %1 slots its header announces "
                                   "are taken")
                        .arg(mSlots.size()));
    }
    *free = true;
    Op op{OpCode::Create};
    op.v[0] = static_cast<int>(free - mSlots.begin());
    op.first = static_cast<std::uint32_t>(mProgram.objects.size());
    mProgram.objects.push_back(def);
    mProgram.ops.push_back(op);
    return true;
}

bool Decoder::selectOrDelete(bool select) {
    if (!need(1)) {
        return false;
    }
    const int slot = u(0);
    if (slot >= static_cast<int>(mSlots.size())) {
        return fail(QStringLiteral("uses object %1, but the object table has %2 slots")
                        .arg(slot)
                        .arg(mSlots.size()));
    }
    const auto index = static_cast<std::size_t>(slot);
    if (select && !mSlots[index]) {
        return fail(QStringLiteral("selects object %1, which does not exist").arg(slot));
    }
    if (!select) {
        if (!mSlots[index]) {
            return true; // deleting twice does no harm
        }
        mSlots[index] = false;
    }
    add(select ? OpCode::Select : OpCode::Delete, {slot});
    return true;
}

} // namespace

int restoredDepth(int depth, int n) {
    if (n < 0 && -n <= depth) {
        return depth + n;
    }
    if (n > 0 && n <= depth) {
        return n - 1;
    }
    return -1;
}

std::optional<Program> decodeMetafile(QByteArrayView data, QString& error) {
    error.clear();
    return Decoder(data).run(error);
}

} // namespace loopcraft::wmf
