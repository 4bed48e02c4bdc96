// Putting a picture somewhere other than its window: scaled into a rectangle of any device,
// onto a printer page, or into a PNG, SVG or PDF file. Every window's print button, every
// "Save Picture As..." and the command-line exports go through these functions.
#pragma once

#include "render/base/PagePainter.h"

#include <QByteArray>
#include <QRectF>
#include <QSize>
#include <QString>
#include <optional>
#include <string_view>
#include <vector>

class QPagedPaintDevice;
class QPaintDevice;
class QPainter;

namespace loopcraft {

enum class PictureFormat { Png, Svg, Pdf };

// The format a file name asks for by its extension (case-insensitive), if it is one we write.
std::optional<PictureFormat> pictureFormatFor(const QString& fileName);

inline constexpr int kMaxPictureSide = 20000;
// A picture is drawn in memory at 4 bytes a pixel before it is written; the bitmap may take at
// most this much (8000x8000 pixels), so that an export stays inside the program's memory guard.
inline constexpr qint64 kPictureBytesPerPixel = 4;
inline constexpr qint64 kMaxPictureBytes = qint64{256} << 20;

// A picture size typed as "WIDTHxHEIGHT" (for example "800x600"), each from 1 to 20000 pixels.
std::optional<QSize> pictureSizeFromText(const QString& text);

// Why a picture of `size` cannot be written in `format` (a side outside 1..20000, or a bitmap
// larger than the memory guard allows), or empty.
QString pictureSizeProblem(const QSize& size, PictureFormat format);

// Why `fileName` cannot take a file we write (a FIFO, device or folder, a read-only file), with
// the system's reason, or empty. Nothing is opened that could block.
QString outputFileProblem(const QString& fileName);

// The bytes of `data` for the writers of core.
inline std::string_view bytesOf(const QByteArray& data) {
    return {data.constData(), static_cast<std::size_t>(data.size())};
}

// Replaces `fileName` with `bytes` through the atomic writer: a temporary file beside it, renamed
// over it only when every byte is written; on any failure the old file is untouched and `error`
// gives the system's reason.
bool writeFileBytes(const QString& fileName, const QByteArray& bytes, QString& error);

// Draws `picture` laid out at `layoutSize` (the window's own pixels) scaled into `target`, the
// aspect ratio kept and the picture placed by `align` in what is left over. Text, pen widths and
// lines scale together.
void paintScaled(QPainter& painter, const PagePainter& picture, const QSize& layoutSize,
                 const QRectF& target, Qt::Alignment align = Qt::AlignCenter);

// The part of a page given as fractions of its width and height, in device pixels.
QRectF pageArea(const QPagedPaintDevice& page, double left, double top, double width,
                double height);

// Paints one page: `picture` at `layoutSize` scaled into `pageArea(...)` of the page. False
// with a reason when the device cannot be painted on.
bool printPicture(QPagedPaintDevice& page, const PagePainter& picture, const QSize& layoutSize,
                  const QRectF& fractionOfPage, QString& error,
                  Qt::Alignment align = Qt::AlignCenter);

// A size in `device`'s pixels as layout pixels: a picture laid out at this size and painted into
// that area keeps its point sizes on the device.
QSizeF layoutSizeOf(const QPaintDevice& device, const QSizeF& devicePixels);

// The printable area of `page` in layout pixels: a page picture laid out at this size fills it.
QSize pageLayoutSize(const QPagedPaintDevice& page);

// Paints one page with a picture of a whole page (a protocol), laid out at the page's own size.
bool printPage(QPagedPaintDevice& page, const PagePainter& picture, QString& error);

// Writes a picture of a whole page into a one-page PDF of A4 size, portrait.
bool exportPage(const PagePainter& picture, const QString& fileName, QString& error);

// Writes whole-page pictures as the pages of one A4 portrait PDF, in order.
bool exportPages(const std::vector<const PagePainter*>& pages, const QString& fileName,
                 QString& error);

// `picture` laid out at `size` as an SVG document (what an exported .svg file holds).
QByteArray svgDocument(const PagePainter& picture, const QSize& size, const QString& title);

// The bytes of the file that exportPicture writes, drawn in memory: nothing, with a reason, when
// the extension or size is refused or a painter cannot finish.
std::optional<QByteArray> renderPicture(const PagePainter& picture, const QSize& size,
                                        const QString& fileName, QString& error);

// The bytes of the PDF that exportPages writes.
std::optional<QByteArray> renderPages(const std::vector<const PagePainter*>& pages,
                                      const QString& fileName, QString& error);

// Writes `picture` laid out at `size` into `fileName` in the format its extension names: PNG at
// `size` pixels, SVG with a `size` view box, PDF as one page of the picture's size at the layout
// resolution. False with a reason (unknown extension, file not writable).
bool exportPicture(const PagePainter& picture, const QSize& size, const QString& fileName,
                   QString& error);

} // namespace loopcraft
