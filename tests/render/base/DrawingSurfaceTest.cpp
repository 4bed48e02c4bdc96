#include "render/base/DrawingSurface.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace loopcraft {
namespace {

TEST(DrawingSurface, FontStyleFlagsSurviveTheRoundTrip) {
    const std::array<int, 4> style{1, 0, 1, 0};
    const QFont font = fontFromOptions("Liberation Sans Narrow", 14, style);
    EXPECT_TRUE(font.bold());
    EXPECT_FALSE(font.italic());
    EXPECT_TRUE(font.underline());
    std::string name;
    int size = 0;
    std::array<int, 4> back{};
    fontToOptions(font, name, size, back, 31);
    EXPECT_EQ(name, "Liberation Sans Narrow");
    EXPECT_EQ(size, 14);
    EXPECT_EQ(back, style);
    fontToOptions(fontFromOptions(std::string(40, 'x'), 0, {}), name, size, back, 31);
    EXPECT_EQ(name.size(), 31u);
    EXPECT_GT(size, 0) << "a size of 0 from a hand-edited file falls back to a usable one";
}

TEST(DrawingSurface, StretchDrawFillsTheTargetOrReportsAFileItCannotRead) {
    QTemporaryDir dir;
    QImage source(2, 2, QImage::Format_RGB32);
    source.fill(Qt::red);
    const QString bmp = dir.filePath("pic.bmp");
    ASSERT_TRUE(source.save(bmp, "BMP"));
    QFile junk(dir.filePath("junk.bmp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("BM not really a bitmap");
    junk.close();

    QImage canvas(40, 30, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    QPainter painter(&canvas);
    EXPECT_TRUE(stretchDrawPicture(painter, QRect(10, 5, 20, 20), bmp));
    EXPECT_FALSE(stretchDrawPicture(painter, QRect(0, 0, 40, 30), dir.filePath("none.bmp")));
    EXPECT_FALSE(stretchDrawPicture(painter, QRect(0, 0, 40, 30), junk.fileName()));
    painter.end();
    EXPECT_EQ(canvas.pixelColor(10, 5), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(29, 24), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(9, 5), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(30, 24), QColor(Qt::white));
}

} // namespace
} // namespace loopcraft
