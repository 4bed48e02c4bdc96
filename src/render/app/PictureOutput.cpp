#include "render/app/PictureOutput.h"

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

namespace {

constexpr int kMaxPictureSide = 20000;

} // namespace

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

bool writable(const QString& fileName, QString& error) {
    QFile probe(fileName);
    if (!probe.open(QIODevice::WriteOnly)) {
        error = QStringLiteral("%1: %2").arg(fileName, probe.errorString());
        return false;
    }
    return true;
}

} // namespace

bool exportPage(const PagePainter& picture, const QString& fileName, QString& error) {
    return exportPages({&picture}, fileName, error);
}

bool exportPages(const std::vector<const PagePainter*>& pages, const QString& fileName,
                 QString& error) {
    if (!writable(fileName, error)) {
        return false;
    }
    QPdfWriter pdf(fileName);
    pdf.setResolution(1200);
    pdf.setPageSize(QPageSize(QPageSize::A4));
    pdf.setPageOrientation(QPageLayout::Portrait);
    pdf.setCreator(QStringLiteral("Loopcraft"));
    QPainter painter;
    if (!painter.begin(&pdf)) {
        error = QStringLiteral("%1: the PDF file could not be written").arg(fileName);
        return false;
    }
    const QSize layout = pageLayoutSize(pdf);
    const QRectF whole(0, 0, pdf.width(), pdf.height());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        if (i > 0 && !pdf.newPage()) {
            error = QStringLiteral("%1: the PDF file could not be written").arg(fileName);
            return false;
        }
        paintScaled(painter, *pages[i], layout, whole);
    }
    painter.end();
    return true;
}

namespace {

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
    painter.end();
    return true;
}

} // namespace

QByteArray svgDocument(const PagePainter& picture, const QSize& size, const QString& title) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    writeSvg(picture, size, &buffer, title);
    return buffer.data();
}

bool exportPicture(const PagePainter& picture, const QSize& size, const QString& fileName,
                   QString& error) {
    const std::optional<PictureFormat> format = pictureFormatFor(fileName);
    if (!format) {
        error = QStringLiteral("%1: the file name must end in .png, .svg or .pdf").arg(fileName);
        return false;
    }
    if (size.isEmpty() || size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
        error = QStringLiteral("%1: a picture size from 1x1 to 20000x20000 pixels is needed")
                    .arg(fileName);
        return false;
    }
    if (!writable(fileName, error)) {
        return false;
    }
    const QRectF whole(QPointF(0, 0), QSizeF(size));
    switch (*format) {
    case PictureFormat::Png: {
        QImage image(size, QImage::Format_RGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing);
            painter.setRenderHint(QPainter::TextAntialiasing);
            paintScaled(painter, picture, size, whole);
        }
        if (!image.save(fileName, "PNG")) {
            error = QStringLiteral("%1: the PNG file could not be written").arg(fileName);
            return false;
        }
        return true;
    }
    case PictureFormat::Svg: {
        QFile file(fileName);
        if (!file.open(QIODevice::WriteOnly) ||
            !writeSvg(picture, size, &file, QFileInfo(fileName).completeBaseName()) ||
            !file.flush()) {
            error = QStringLiteral("%1: the SVG file could not be written").arg(fileName);
            return false;
        }
        return true;
    }
    case PictureFormat::Pdf: {
        QPdfWriter pdf(fileName);
        pdf.setResolution(1200);
        pdf.setPageSize(
            QPageSize(QSizeF(size.width() * 72.0 / kLayoutDpi, size.height() * 72.0 / kLayoutDpi),
                      QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        pdf.setCreator(QStringLiteral("Loopcraft"));
        QPainter painter;
        if (!painter.begin(&pdf)) {
            error = QStringLiteral("%1: the PDF file could not be written").arg(fileName);
            return false;
        }
        paintScaled(painter, picture, size, QRectF(0, 0, pdf.width(), pdf.height()));
        painter.end();
        return true;
    }
    }
    return false;
}

} // namespace loopcraft
