#include "render/wmf/WmfPicture.h"

#include "WmfWriter.h"
#include "core/schematic/FilterCircuit.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <functional>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <ostream>
#include <vector>

namespace loopcraft {

void PrintTo(const FilterCircuit& c, std::ostream* os) {
    *os << c.file;
}

namespace {

using wmf::Point;
using wmf::Writer;

QByteArray bytesOf(const Writer& w) {
    const auto bytes = w.finish();
    return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

QImage render(const WmfPicture& picture, QSize size) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.paint(painter, QRectF(QPointF(0, 0), QSizeF(size)));
    return image;
}

bool dark(const QImage& image, int x, int y) {
    return qGray(image.pixel(x, y)) < 128;
}

// The smallest rectangle holding every pixel that is not white, and how many there are.
QRect ink(const QImage& image, int* count = nullptr) {
    QRect box;
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qGray(image.pixel(x, y)) < 250) {
                box |= QRect(x, y, 1, 1);
                ++n;
            }
        }
    }
    if (count != nullptr) {
        *count = n;
    }
    return box;
}

WmfPicture load(const QByteArray& bytes) {
    QString error;
    auto picture = WmfPicture::fromBytes(bytes, &error);
    EXPECT_TRUE(picture) << error.toStdString();
    return picture.value_or(WmfPicture());
}

// A 1000 x 500 picture with a thick pen selected; `body` draws into it.
QByteArray sketch(const std::function<void(Writer&)>& body, int height = 500) {
    Writer w(0, 0, 1000, height, 1000);
    w.selectObject(w.createPen(wmf::kPenSolid, 10, {0, 0, 0}));
    w.selectObject(w.createBrush(wmf::kBrushSolid, {0, 0, 0}));
    body(w);
    return bytesOf(w);
}

// --- our drawings -------------------------------------------------------------------------

class Drawings : public ::testing::TestWithParam<FilterCircuit> {};

TEST_P(Drawings, DrawEveryDesignatorAndBothTerminalsAcrossTheirFrame) {
    const auto& c = GetParam();
    QString error;
    const auto picture = WmfPicture::fromFile(
        QStringLiteral(LOOPCRAFT_DATA_DIR "/") + QString::fromStdString(c.file), &error);
    ASSERT_TRUE(picture) << error.toStdString();

    const QStringList texts = picture->texts();
    EXPECT_TRUE(texts.contains(QStringLiteral("from PD")));
    EXPECT_TRUE(texts.contains(QStringLiteral("to VCO")));
    for (const auto& part : c.parts) {
        if (!part.designator.empty()) {
            EXPECT_TRUE(texts.contains(QString::fromStdString(part.designator))) << part.name;
        }
    }

    const QSize size(800, 600);
    const QImage image = render(*picture, size);
    int inked = 0;
    const QRect box = ink(image, &inked);
    const QSizeF viewport = picture->frame().size().scaled(QSizeF(size), Qt::KeepAspectRatio);
    // Lines and text, but mostly white paper; the drawing runs from its input label on the left
    // to the output label on the right of its frame.
    EXPECT_GT(inked, size.width() * size.height() / 200);
    EXPECT_LT(inked, size.width() * size.height() / 6);
    EXPECT_GT(box.width(), 0.85 * viewport.width());
    EXPECT_GT(box.height(), 0.7 * viewport.height());
}

// Other programs trust the header fields that our player does not need: the placeable checksum,
// the size in words, the largest record and the end record.
TEST_P(Drawings, HeadersAreThoseOfAStandardPlaceableMetafile) {
    QFile file(QStringLiteral(LOOPCRAFT_DATA_DIR "/") + QString::fromStdString(GetParam().file));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray b = file.readAll();
    ASSERT_GT(b.size(), 46);
    auto u16 = [&b](qsizetype at) {
        return static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at]) |
                                          (static_cast<std::uint8_t>(b[at + 1]) << 8));
    };
    auto u32 = [&u16](qsizetype at) { return u16(at) | (u16(at + 2) << 16); };
    std::uint32_t checksum = 0;
    for (int i = 0; i < 10; ++i) {
        checksum ^= u16(2 * i);
    }
    EXPECT_EQ(u32(0), 0x9AC6CDD7U);
    EXPECT_EQ(u16(20), checksum);
    EXPECT_EQ(u16(22), 1U);
    EXPECT_EQ(u16(24), 9U);
    EXPECT_EQ(u16(26), 0x0300U);
    EXPECT_EQ(u32(28), static_cast<std::uint32_t>((b.size() - 22) / 2));
    std::uint32_t largest = 0;
    qsizetype at = 40;
    std::uint32_t words = 0;
    while (at + 6 <= b.size()) {
        words = u32(at);
        ASSERT_GE(words, 3U);
        largest = std::max(largest, words);
        at += 2 * static_cast<qsizetype>(words);
    }
    EXPECT_EQ(at, b.size());
    EXPECT_EQ(u32(34), largest);
    EXPECT_EQ(words, 3U);
    EXPECT_EQ(u16(b.size() - 2), 0U); // the end record closes the file
}

INSTANTIATE_TEST_SUITE_P(All24, Drawings, ::testing::ValuesIn(allFilterCircuits()),
                         [](const testing::TestParamInfo<FilterCircuit>& info) {
                             const auto& f = info.param.file;
                             return f.substr(0, f.find('.'));
                         });

// --- playback -----------------------------------------------------------------------------

TEST(WmfPlayback, LineLandsWhereTheFrameMapsIt) {
    const auto picture = load(sketch([](Writer& w) { w.polyline({{100, 250}, {900, 250}}); }));
    // 1000 x 500 into 400 x 300: 400 x 200 centred, so y 250 lands on row 150.
    const QImage image = render(picture, {400, 300});
    EXPECT_TRUE(dark(image, 200, 150));
    EXPECT_TRUE(dark(image, 45, 150));
    EXPECT_FALSE(dark(image, 200, 140));
    EXPECT_FALSE(dark(image, 30, 150));
    EXPECT_FALSE(dark(image, 370, 150));
    EXPECT_EQ(ink(image).top(), 148);
}

// The same picture written with the y axis pointing up must look the same: text stays upright
// and arcs keep their direction on the output.
TEST(WmfPlayback, UpwardWindowDrawsTheSamePicture) {
    auto content = [](bool up) {
        return [up](Writer& w) {
            auto y = [up](int v) { return up ? 500 - v : v; };
            if (up) {
                w.setWindowOrg(0, 500);
                w.setWindowExt(1000, -500);
            }
            w.rectangle(50, y(50), 300, y(200));
            w.record(wmf::Arc,
                     {static_cast<std::uint16_t>(y(100)), 700, static_cast<std::uint16_t>(y(250)),
                      900, static_cast<std::uint16_t>(y(450)), 900,
                      static_cast<std::uint16_t>(y(50)), 500});
            w.selectObject(w.createFont(-120, 400, "Arial"));
            w.setTextAlign(wmf::AlignBaseline | wmf::AlignLeft);
            w.textOut(100, y(400), "Up");
        };
    };
    const QImage down = render(load(sketch(content(false))), {500, 250});
    const QImage up = render(load(sketch(content(true))), {500, 250});
    int inked = 0;
    ink(down, &inked);
    int differing = 0;
    for (int y = 0; y < down.height(); ++y) {
        for (int x = 0; x < down.width(); ++x) {
            differing += std::abs(qGray(down.pixel(x, y)) - qGray(up.pixel(x, y))) > 64;
        }
    }
    EXPECT_GT(inked, 1000);
    EXPECT_LT(differing, inked / 50);
}

TEST(WmfPlayback, ArcsRunCounterClockwiseFromStartToEnd) {
    auto arc = [](std::uint16_t function) {
        return [function](Writer& w) {
            // Circle over the whole frame, from 3 o'clock to 12 o'clock.
            w.record(function, {0, 500, 500, 1000, 1000, 1000, 0, 0});
        };
    };
    const QImage a = render(load(sketch(arc(wmf::Arc), 1000)), {200, 200});
    EXPECT_TRUE(dark(a, 171, 29));   // upper right quarter drawn
    EXPECT_FALSE(dark(a, 29, 171));  // lower left not
    EXPECT_FALSE(dark(a, 171, 171)); // lower right not
    const QImage pie = render(load(sketch(arc(wmf::Pie), 1000)), {200, 200});
    EXPECT_TRUE(dark(pie, 130, 70));
    EXPECT_FALSE(dark(pie, 70, 130));
    EXPECT_FALSE(dark(pie, 70, 70));
}

TEST(WmfPlayback, RestoreBringsBackTheSavedPen) {
    const auto picture = load(sketch([](Writer& w) {
        w.selectObject(w.createPen(wmf::kPenSolid, 40, {0, 0, 255}));
        w.record(wmf::SaveDC, {});
        w.selectObject(w.createPen(wmf::kPenSolid, 40, {255, 0, 0}));
        w.record(wmf::RestoreDC, {0xFFFF});
        w.polyline({{100, 250}, {900, 250}});
    }));
    const QRgb c = render(picture, {400, 200}).pixel(200, 100);
    EXPECT_GT(qBlue(c), 200);
    EXPECT_LT(qRed(c), 50);
}

TEST(WmfPlayback, TextAlignmentPlacesTheTextAroundItsPoint) {
    for (const auto& [align, left, right] :
         {std::tuple{wmf::AlignLeft, 500, 1000}, std::tuple{wmf::AlignRight, 0, 500},
          std::tuple{wmf::AlignCenter, 250, 750}}) {
        const auto picture = load(sketch([align](Writer& w) {
            w.selectObject(w.createFont(-200, 400, "Arial"));
            w.setTextAlign(static_cast<std::uint16_t>(align | wmf::AlignBaseline));
            w.textOut(500, 300, "MM");
        }));
        const QRect box = ink(render(picture, {1000, 500}));
        EXPECT_GE(box.left(), left - 5) << align;
        EXPECT_LE(box.right(), right + 5) << align;
        EXPECT_LT(box.bottom(), 300 + 10) << align;
        EXPECT_GT(box.width(), 250) << align;
    }
}

TEST(WmfPlayback, RecordsItDoesNotDrawAreSkippedAndEmptyPicturesDrawNothing) {
    const auto picture = load(sketch([](Writer& w) {
        w.record(0x0626, {1, 2, 3, 4, 5}); // an escape
        w.rectangle(100, 100, 900, 400);
    }));
    int inked = 0;
    ink(render(picture, {200, 100}), &inked);
    EXPECT_GT(inked, 1000);
    ink(render(WmfPicture(), {200, 100}), &inked);
    EXPECT_EQ(inked, 0);
}

// --- malformed files ----------------------------------------------------------------------

constexpr int kFirstRecord = 40; // after the placeable header and the metafile header

void putWord(QByteArray& b, int at, std::uint16_t v) {
    b[at] = static_cast<char>(v & 0xFF);
    b[at + 1] = static_cast<char>(v >> 8);
}

QByteArray onePen() {
    Writer w(0, 0, 100, 100, 1000);
    w.selectObject(w.createPen(wmf::kPenSolid, 1, {0, 0, 0}));
    w.polyline({{0, 0}, {100, 100}});
    return bytesOf(w);
}

QByteArray withRecords(const std::function<void(Writer&)>& body) {
    Writer w(0, 0, 100, 100, 1000);
    body(w);
    return bytesOf(w);
}

// Builders for the table below: a good file with one word changed, or records of our choosing.
std::function<QByteArray()> patched(int at, std::uint16_t value) {
    return [at, value] {
        auto b = onePen();
        putWord(b, at, value);
        return b;
    };
}

std::function<QByteArray()> records(std::function<void(Writer&)> body) {
    return [body] { return withRecords(body); };
}

// A file of `count` copies of one record.
std::function<QByteArray()> recorded(std::uint16_t function, std::vector<std::uint16_t> words,
                                     int count = 1) {
    return records([function, words, count](Writer& w) {
        for (int i = 0; i < count; ++i) {
            w.record(function, words);
        }
    });
}

struct Malformed {
    const char* name;
    std::function<QByteArray()> bytes;
    const char* reason;
};

class MalformedFiles : public ::testing::TestWithParam<Malformed> {};

TEST_P(MalformedFiles, GiveAClearReasonAndNoPicture) {
    QString error;
    const auto picture = WmfPicture::fromBytes(GetParam().bytes(), &error);
    EXPECT_FALSE(picture);
    EXPECT_THAT(error.toStdString(), ::testing::HasSubstr(GetParam().reason));
}

const Malformed kMalformed[] = {
    {"Empty", [] { return QByteArray(); }, "not a Windows metafile"},
    {"Text", [] { return QByteArray("PLL filter drawing, honestly").repeated(3); },
     "not a Windows metafile"},
    {"TruncatedPlaceableHeader", [] { return onePen().first(12); },
     "ends inside its placeable header"},
    {"TruncatedMetafileHeader", [] { return onePen().first(30); },
     "ends inside its metafile header"},
    {"ZeroUnitsPerInch", patched(14, 0), "0 units per inch"},
    {"EmptyFrame", [] { return bytesOf(Writer(0, 0, 0, 100, 1000)); }, "empty picture frame"},
    {"RecordSizeZero", patched(kFirstRecord, 0), "size of 0 words"},
    {"RecordPastTheEnd", patched(kFirstRecord + 2, 0x7FFF), "left in the file"},
    {"NoEndRecord", [] { return onePen().chopped(6); }, "without its end record"},
    {"ObjectIndexOutOfRange", records([](Writer& w) {
         w.createPen(wmf::kPenSolid, 1, {});
         w.selectObject(7);
     }),
     "object table has 1 slots"},
    {"SelectsADeletedObject", records([](Writer& w) {
         const int pen = w.createPen(wmf::kPenSolid, 1, {});
         w.deleteObject(pen);
         w.selectObject(pen);
     }),
     "does not exist"},
    {"MoreObjectsThanAnnounced",
     [] {
         auto b = withRecords([](Writer& w) {
             w.createPen(wmf::kPenSolid, 1, {});
             w.createPen(wmf::kPenSolid, 1, {});
         });
         putWord(b, 32, 1);
         return b;
     },
     "all 1 slots"},
    {"HugeObjectTable", patched(32, 60000), "at most 4096"},
    {"NestingPastTheLimit", recorded(wmf::SaveDC, {}, 65), "more than 64 nested"},
    {"HugePointCount", recorded(wmf::Polyline, {30000, 0, 0}), "too short"},
    {"NegativePointCount", recorded(wmf::Polygon, {0x8000}), "negative point count"},
    {"HugePolygonCount", recorded(wmf::PolyPolygon, {65535}), "too short"},
    {"HugePolygonSizes", recorded(wmf::PolyPolygon, {2, 65535, 65535, 0, 0}), "too short"},
    {"HugeTextLength", recorded(wmf::TextOut, {32767, 0x4241, 0, 0}), "too short"},
    {"ZeroWindowExtent", records([](Writer& w) { w.setWindowExt(0, 100); }),
     "window extent of zero"},
    // Realise palette: a record with nothing to draw.
    {"TooManyRecords", recorded(0x0035, {}, 200'001), "more than 200000 records"},
    {"LongTextRecord", records([](Writer& w) { w.textOut(0, 0, std::string(4097, 'x')); }),
     "at most 4096"},
    {"TooMuchText", records([](Writer& w) {
         for (int i = 0; i < 98; ++i) {
             w.textOut(0, 0, std::string(4096, 'x'));
         }
     }),
     "drawing work past 400000"},
    {"TooManyPoints", records([](Writer& w) {
         const std::vector<Point> line(8000, Point{1, 1});
         for (int i = 0; i < 51; ++i) {
             w.polyline(line);
         }
     }),
     "drawing work past 400000"},
    // The frame is 100 units wide: a window of one unit would magnify it 101 times.
    {"WindowZoomsPastTheLimit", records([](Writer& w) { w.setWindowExt(1, 100); }),
     "scales the 101 x 101 frame more than 64 times"},
    {"WindowShrinksPastTheLimit", records([](Writer& w) { w.setWindowExt(100, -7000); }),
     "more than 64 times"},
    {"FontTallerThanThePicture", records([](Writer& w) { w.createFont(-500, 400, "Arial"); }),
     "out of proportion"},
    // CreateFontIndirect: height, width, escapement, orientation, weight, then bytes.
    {"FontFarWiderThanHigh", records([](Writer& w) {
         w.createObject(0x02FB, {10, 81, 0, 0, 400, 0, 0, 0, 0});
     }),
     "10 units high and 81 wide"},
    {"FontTurnedPastAFullTurn", records([](Writer& w) {
         w.createObject(0x02FB, {10, 0, 3601, 0, 400, 0, 0, 0, 0});
     }),
     "full turn"},
    {"PenWiderThanThePicture", records([](Writer& w) { w.createPen(wmf::kPenSolid, 500, {}); }),
     "wider than the 101-unit picture"},
    {"LargerThan16MiB", [] { return QByteArray(16 * 1024 * 1024 + 1, '\0'); },
     "larger than 16 MiB"}};

INSTANTIATE_TEST_SUITE_P(Cases, MalformedFiles, ::testing::ValuesIn(kMalformed),
                         [](const testing::TestParamInfo<Malformed>& info) {
                             return std::string(info.param.name);
                         });

// Files that once upset the player (found by fuzzing) and the fuzz target's minimised corpus
// load or fail cleanly and draw safely.
TEST(WmfRegressions, ReplayWithoutHarm) {
    for (const QDir& dir : {QDir(QStringLiteral(TEST_DATA_DIR "/fuzz/wmf")),
                            QDir(QStringLiteral(FUZZ_CORPUS_DIR "/wmf"))}) {
        for (const auto& name : dir.entryList(QDir::Files)) {
            QFile file(dir.filePath(name));
            ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
            QString error;
            if (const auto picture = WmfPicture::fromBytes(file.readAll(), &error)) {
                render(*picture, {200, 150});
            } else {
                EXPECT_FALSE(error.isEmpty()) << name.toStdString();
            }
        }
    }
}

// The drawing that crashed the glyph rasteriser (a font 150 times wider than high in a window
// that magnified it 2000 times) and the one that took seconds to play (the same window with
// huge pens and text) are refused before anything reaches the painter.
TEST(WmfRegressions, HostileDrawingsAreRefusedWithAReason) {
    for (const char* name : {"text-record-crash.wmf", "slow-play.wmf"}) {
        QFile file(QStringLiteral(TEST_DATA_DIR "/fuzz/wmf/") + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        QString error;
        EXPECT_FALSE(WmfPicture::fromBytes(file.readAll(), &error)) << name;
        EXPECT_THAT(error.toStdString(), ::testing::HasSubstr("more than 64 times")) << name;
    }
}

} // namespace
} // namespace loopcraft
