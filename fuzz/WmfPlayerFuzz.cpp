// Any bytes as a metafile: either a clear refusal or a picture that draws without harm.
#include "render/wmf/WmfPicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // fonts need it; lives for the whole run
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString error;
    const auto picture = loopcraft::WmfPicture::fromBytes(
        QByteArrayView(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), &error);
    if (!picture) {
        if (error.isEmpty()) {
            std::abort(); // a refusal must say why
        }
        return 0;
    }
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    picture->paint(painter, QRectF(0, 0, 64, 48));
    return 0;
}
