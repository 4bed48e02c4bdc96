#include "render/base/PictureOutput.h"

#include "core/base/FileAccess.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QStringList>
#include <QSvgGenerator>
#include <algorithm>
#include <string>
#include <string_view>

namespace loopcraft {

QFont layoutFont(const QFont& font) {
    if (font.pointSizeF() <= 0) {
        return font; // already in pixels
    }
    QFont scaled(font);
    scaled.setPixelSize(std::max(1, qRound(font.pointSizeF() * kLayoutDpi / 72.0)));
    return scaled;
}

std::optional<PictureFormat> pictureFormatFor(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    if (suffix == QLatin1String("png")) {
        return PictureFormat::Png;
    }
    if (suffix == QLatin1String("svg")) {
        return PictureFormat::Svg;
    }
    if (suffix == QLatin1String("pdf")) {
        return PictureFormat::Pdf;
    }
    return std::nullopt;
}

std::optional<QSize> pictureSizeFromText(const QString& text) {
    const QStringList parts =
        text.trimmed().split(QLatin1Char('x'), Qt::KeepEmptyParts, Qt::CaseInsensitive);
    if (parts.size() != 2) {
        return std::nullopt;
    }
    bool okW = false;
    bool okH = false;
    const int w = parts[0].toInt(&okW, 10);
    const int h = parts[1].toInt(&okH, 10);
    if (!okW || !okH || w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide) {
        return std::nullopt;
    }
    return QSize(w, h);
}

void paintScaled(QPainter& painter, const PagePainter& picture, const QSize& layoutSize,
                 const QRectF& target, Qt::Alignment align) {
    if (layoutSize.isEmpty() || target.isEmpty()) {
        return;
    }
    const double scale =
        std::min(target.width() / layoutSize.width(), target.height() / layoutSize.height());
    const double spareX = target.width() - layoutSize.width() * scale;
    const double spareY = target.height() - layoutSize.height() * scale;
    const double dx = target.left() + ((align & Qt::AlignLeft)    ? 0.0
                                       : (align & Qt::AlignRight) ? spareX
                                                                  : spareX / 2.0);
    const double dy = target.top() + ((align & Qt::AlignTop)      ? 0.0
                                      : (align & Qt::AlignBottom) ? spareY
                                                                  : spareY / 2.0);
    painter.save();
    painter.translate(dx, dy);
    painter.scale(scale, scale);
    picture.paint(painter, QRect(QPoint(0, 0), layoutSize));
    painter.restore();
}

QRectF pageArea(const QPagedPaintDevice& page, double left, double top, double width,
                double height) {
    const double w = page.width();
    const double h = page.height();
    return {left * w, top * h, width * w, height * h};
}

bool printPicture(QPagedPaintDevice& page, const PagePainter& picture, const QSize& layoutSize,
                  const QRectF& fractionOfPage, QString& error, Qt::Alignment align) {
    QPainter painter;
    if (!painter.begin(&page)) {
        error = QStringLiteral("The printer could not be opened.");
        return false;
    }
    paintScaled(painter, picture, layoutSize,
                pageArea(page, fractionOfPage.left(), fractionOfPage.top(), fractionOfPage.width(),
                         fractionOfPage.height()),
                align);
    painter.end();
    return true;
}

QSizeF layoutSizeOf(const QPaintDevice& device, const QSizeF& devicePixels) {
    const double dpiX = std::max(1, device.logicalDpiX());
    const double dpiY = std::max(1, device.logicalDpiY());
    return {devicePixels.width() * kLayoutDpi / dpiX, devicePixels.height() * kLayoutDpi / dpiY};
}

QSize pageLayoutSize(const QPagedPaintDevice& page) {
    return layoutSizeOf(page, QSizeF(page.width(), page.height())).toSize();
}

bool printPage(QPagedPaintDevice& page, const PagePainter& picture, QString& error) {
    return printPicture(page, picture, pageLayoutSize(page), QRectF(0, 0, 1, 1), error);
}

namespace {

QString failedTo(const QString& fileName, const char* what) {
    return QStringLiteral("%1: the %2 could not be drawn").arg(fileName, QLatin1String(what));
}

// The PDF of `pages` (each a whole A4 portrait page) in memory.
std::optional<QByteArray> pdfPages(const std::vector<const PagePainter*>& pages,
                                   const QString& fileName, QString& error) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(1200);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageOrientation(QPageLayout::Portrait);
        pdf.setCreator(QStringLiteral("Loopcraft"));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            error = failedTo(fileName, "PDF document");
            return std::nullopt;
        }
        const QSize layout = pageLayoutSize(pdf);
        const QRectF whole(0, 0, pdf.width(), pdf.height());
        for (std::size_t i = 0; i < pages.size(); ++i) {
            if (i > 0 && !pdf.newPage()) {
                error = failedTo(fileName, "PDF document");
                return std::nullopt;
            }
            paintScaled(painter, *pages[i], layout, whole);
        }
        if (!painter.end()) {
            error = failedTo(fileName, "PDF document");
            return std::nullopt;
        }
    }
    return buffer.data();
}

// The SVG generator's output for `picture` at `size`, into `device`.
bool writeSvg(const PagePainter& picture, const QSize& size, QIODevice* device,
              const QString& title) {
    QSvgGenerator svg;
    svg.setOutputDevice(device);
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(0, 0), size));
    svg.setResolution(static_cast<int>(kLayoutDpi));
    svg.setTitle(title);
    QPainter painter;
    if (!painter.begin(&svg)) {
        return false;
    }
    paintScaled(painter, picture, size, QRectF(QPointF(0, 0), QSizeF(size)));
    return painter.end();
}

} // namespace

bool writeFileBytes(const QString& fileName, const QByteArray& bytes, QString& error) {
    std::string why;
    if (!ReplaceFileAtomic(
            QFile::encodeName(fileName).toStdString(),
            std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), &why)) {
        error = QString::fromStdString(why);
        return false;
    }
    return true;
}

QString outputFileProblem(const QString& fileName) {
    const std::string problem = OutputTargetProblem(QFile::encodeName(fileName).toStdString());
    return problem.empty() ? QString()
                           : QStringLiteral("cannot write %1: %2")
                                 .arg(fileName, QString::fromStdString(problem));
}

QString pictureSizeProblem(const QSize& size, PictureFormat format) {
    if (size.isEmpty() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
        return QStringLiteral("a picture size from 1x1 to 20000x20000 pixels is needed");
    }
    if (format != PictureFormat::Png) {
        return {}; // drawn as vectors: the size costs no memory
    }
    const qint64 bytes = qint64(size.width()) * size.height() * kPictureBytesPerPixel;
    if (bytes > kMaxPictureBytes) {
        return QStringLiteral("a picture of %1x%2 pixels would need %3 MiB of memory; at most "
                              "%4 MiB (for example 8000x8000) are allowed")
            .arg(size.width())
            .arg(size.height())
            .arg(bytes >> 20)
            .arg(kMaxPictureBytes >> 20);
    }
    return {};
}

bool exportPage(const PagePainter& picture, const QString& fileName, QString& error) {
    return exportPages({&picture}, fileName, error);
}

std::optional<QByteArray> renderPages(const std::vector<const PagePainter*>& pages,
                                      const QString& fileName, QString& error) {
    return pdfPages(pages, fileName, error);
}

bool exportPages(const std::vector<const PagePainter*>& pages, const QString& fileName,
                 QString& error) {
    if (const QString problem = outputFileProblem(fileName); !problem.isEmpty()) {
        error = problem;
        return false;
    }
    const std::optional<QByteArray> bytes = pdfPages(pages, fileName, error);
    return bytes && writeFileBytes(fileName, *bytes, error);
}

QByteArray svgDocument(const PagePainter& picture, const QSize& size, const QString& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeSvg(picture, size, &buffer, title);
    return buffer.data();
}

std::optional<QByteArray> renderPicture(const PagePainter& picture, const QSize& size,
                                        const QString& fileName, QString& error) {
    const std::optional<PictureFormat> format = pictureFormatFor(fileName);
    if (!format) {
        error = QStringLiteral("%1: the file name must end in .png, .svg or .pdf").arg(fileName);
        return std::nullopt;
    }
    if (const QString problem = pictureSizeProblem(size, *format); !problem.isEmpty()) {
        error = QStringLiteral("%1: %2").arg(fileName, problem);
        return std::nullopt;
    }
    const QRectF whole(QPointF(0, 0), QSizeF(size));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    switch (*format) {
    case PictureFormat::Png: {
        QImage image(size, QImage::Format_RGB32);
        if (image.isNull()) {
            error = QStringLiteral("%1: there is not enough memory for a picture of %2x%3 pixels")
                        .arg(fileName)
                        .arg(size.width())
                        .arg(size.height());
            return std::nullopt;
        }
        image.fill(Qt::white);
        QPainter painter;
        if (!painter.begin(&image)) {
            error = failedTo(fileName, "PNG image");
            return std::nullopt;
        }
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        paintScaled(painter, picture, size, whole);
        if (!painter.end() || !image.save(&buffer, "PNG")) {
            error = failedTo(fileName, "PNG image");
            return std::nullopt;
        }
        break;
    }
    case PictureFormat::Svg:
        if (!writeSvg(picture, size, &buffer, QFileInfo(fileName).completeBaseName())) {
            error = failedTo(fileName, "SVG drawing");
            return std::nullopt;
        }
        break;
    case PictureFormat::Pdf: {
        QPdfWriter pdf(&buffer);
        pdf.setResolution(1200);
        pdf.setPageSize(
            QPageSize(QSizeF(size.width() * 72.0 / kLayoutDpi, size.height() * 72.0 / kLayoutDpi),
                      QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("Loopcraft"));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            error = failedTo(fileName, "PDF document");
            return std::nullopt;
        }
        paintScaled(painter, picture, size, QRectF(0, 0, pdf.width(), pdf.height()));
        if (!painter.end()) {
            error = failedTo(fileName, "PDF document");
            return std::nullopt;
        }
        break;
    }
    }
    return buffer.data();
}

bool exportPicture(const PagePainter& picture, const QSize& size, const QString& fileName,
                   QString& error) {
    // The target is judged before the picture is drawn: a FIFO or a read-only file is refused
    // at once, not after seconds of painting.
    if (const QString problem = outputFileProblem(fileName); !problem.isEmpty()) {
        error = problem;
        return false;
    }
    const std::optional<QByteArray> bytes = renderPicture(picture, size, fileName, error);
    return bytes && writeFileBytes(fileName, *bytes, error);
}

} // namespace loopcraft
