#include "render/schematic/SchematicPainter.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QSvgGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace loopcraft {
namespace {

// The session of a shown window for the configuration the flags select.
SchematicSession shownSession(ParameterSet& params, std::initializer_list<FlagId> flags) {
    for (FlagId f : flags) {
        params.selectFlag(f);
    }
    SchematicSession session(params);
    EXPECT_TRUE(session.ShowSchematic().ok);
    return session;
}

SchematicPainter painterFor(const SchematicSession& session) {
    SchematicPainter picture;
    picture.setContent(session);
    const QString file = QString::fromStdString(session.layout().file);
    Message error;
    auto drawing =
        loadSchematicDrawing(file, QStringLiteral(LOOPCRAFT_DATA_DIR "/") + file, &error);
    EXPECT_TRUE(drawing) << error.text;
    picture.setDrawing(drawing.value_or(WmfPicture()));
    return picture;
}

// Rows of `image` inside `band` that hold a dark pixel.
QRect inkIn(const QImage& image, const QRect& band) {
    QRect box;
    for (int y = band.top(); y <= band.bottom(); ++y) {
        for (int x = band.left(); x <= band.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 160) {
                box |= QRect(x, y, 1, 1);
            }
        }
    }
    return box;
}

QImage drawingImage(const SchematicPainter& picture, const QRect& pictureRect) {
    QImage image(800, 600, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture.paintDrawing(painter, pictureRect);
    return image;
}

// The drawing fills the picture rectangle's width, sits on its bottom edge, and the title starts
// at its left edge just below it; nothing lands right of it.
TEST(SchematicPainter, DrawingInItsRectangleWithTheTitleUnderIt) {
    ParameterSet params;
    const SchematicSession session = shownSession(params, {});
    const SchematicPainter picture = painterFor(session);
    const QRect rect(80, 60, 500, 400);
    const QImage image = drawingImage(picture, rect);

    const QRect drawing = inkIn(image, rect);
    EXPECT_GT(drawing.width(), 0.8 * rect.width());
    EXPECT_GT(drawing.bottom(), rect.bottom() - 0.1 * rect.height());
    const QRect title = inkIn(image, QRect(0, rect.bottom() + 1, 800, 30));
    EXPECT_LE(title.left(), rect.left() + 3);
    EXPECT_LE(title.top(), rect.bottom() + 8);
    EXPECT_GT(title.width(), 150); // "First-order passive lead-lag filter"
    EXPECT_TRUE(inkIn(image, QRect(rect.right() + 2, 0, 800 - rect.right() - 2, 600)).isEmpty());

    // Before the first Show schematic nothing is drawn at all.
    EXPECT_TRUE(inkIn(drawingImage(SchematicPainter(), rect), image.rect()).isEmpty());
}

QString sheetSvg(const SchematicPainter& picture, QSize size) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    QPainter painter(&svg);
    picture.paint(painter, QRect(QPoint(0, 0), size));
    painter.end();
    return QString::fromUtf8(buffer.data());
}

// The print-out is a shopping list: every visible part with its value, both sections where the
// filter has them, and the figures of the loop designed and built from the rounded parts.
TEST(SchematicPainter, SheetListsThePartsAndTheFigures) {
    ParameterSet params;
    const SchematicSession session = shownSession(
        params, {FlagId::rbConfigPLLOrder4, FlagId::rbConfigActivePI, FlagId::rbConfigDPLLPFD_CP});
    const QString svg = sheetSvg(painterFor(session), kSchematicSheetSize);
    for (const SchematicRow& row : session.rows()) {
        EXPECT_TRUE(svg.contains(QString::fromStdString(row.value).trimmed())) << row.value;
    }
    for (const char* text : {"Third-order active PI filter", "Section 1", "Section 2", "designed",
                             "E24 parts", "phase margin", "from PD", "to VCO"}) {
        EXPECT_TRUE(svg.contains(QString::fromLatin1(text))) << text;
    }

    ParameterSet passive;
    const QString second = sheetSvg(painterFor(shownSession(passive, {})), QSize(570, 400));
    EXPECT_TRUE(second.contains(QStringLiteral("51.0 kOhm")));
    EXPECT_FALSE(second.contains(QStringLiteral("Section 2")));
}

// A portrait page gets the parts under the drawing, so its lower half is used too.
TEST(SchematicPainter, PortraitSheetPutsThePartsUnderTheDrawing) {
    const QSize portrait = SchematicPainter::sheetSizeFor(QSizeF(476, 673));
    EXPECT_EQ(portrait.width(), kPortraitSheetSize.width());
    EXPECT_NEAR(double(portrait.height()) / portrait.width(), 673.0 / 476, 0.01);
    EXPECT_EQ(SchematicPainter::sheetSizeFor(QSizeF(673, 476)).width(),
              kSchematicSheetSize.width());

    ParameterSet params;
    const SchematicPainter picture = painterFor(shownSession(params, {}));
    QImage page(portrait, QImage::Format_RGB32);
    {
        QPainter painter(&page);
        picture.paint(painter, page.rect());
    }
    const QRect upper = inkIn(page, QRect(0, 0, page.width(), page.height() / 2));
    const QRect lower = inkIn(page, QRect(0, page.height() / 2, page.width(), page.height() / 2));
    EXPECT_GT(upper.width(), 0.8 * page.width()); // the drawing across the page
    EXPECT_FALSE(lower.isEmpty());                 // the parts below it
}

TEST(SchematicPainter, UnreadableDrawingNamesTheFileAndWhy) {
    QTemporaryDir dir;
    Message error;
    EXPECT_FALSE(loadSchematicDrawing(QStringLiteral("ActivePI1_U.wmf"),
                                      dir.filePath(QStringLiteral("ActivePI1_U.wmf")), &error));
    EXPECT_EQ(error.title, "Schematic");
    EXPECT_NE(error.text.find("ActivePI1_U.wmf"), std::string::npos);

    // A pipe of that name is refused before it is opened: opening it would wait for a writer.
    ASSERT_EQ(
        ::mkfifo(dir.filePath(QStringLiteral("PassiveLL1_U.wmf")).toLocal8Bit().constData(), 0600),
        0);
    EXPECT_FALSE(loadSchematicDrawing(QStringLiteral("PassiveLL1_U.wmf"),
                                      dir.filePath(QStringLiteral("PassiveLL1_U.wmf")), &error));
    EXPECT_NE(error.text.find("not a regular file"), std::string::npos) << error.text;
}

} // namespace
} // namespace loopcraft
