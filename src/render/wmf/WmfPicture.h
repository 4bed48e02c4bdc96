// A Windows metafile (placeable or plain) as a picture that draws itself with QPainter, scaled
// into any rectangle: our schematic drawings and what other editors write. Reading checks the
// whole file first (every record's size, count and object index against the file, hard limits on
// size, records, objects and nesting); a file that fails gives a reason and no picture, so
// nothing half-read is ever drawn.
#pragma once

#include "render/base/PagePainter.h"

#include <QByteArrayView>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace loopcraft {

namespace wmf {
struct Program;
}

class WmfPicture final : public PagePainter {
public:
    // An empty picture: draws nothing.
    WmfPicture();

    // The picture held in `data`, or nothing with the reason in `error` ("The file ends inside
    // record 12 at byte 340 ...").
    static std::optional<WmfPicture> fromBytes(QByteArrayView data, QString* error = nullptr);
    // The same for a file; a file that cannot be opened, is not a regular file or is over the
    // size limit gives a reason.
    static std::optional<WmfPicture> fromFile(const QString& path, QString* error = nullptr);

    bool isEmpty() const;
    // The picture's extent in its own logical units.
    QRectF frame() const;
    // Its size at `dpi` dots per inch (the file's units per inch; 96 logical units to the inch
    // when the file gives none).
    QSizeF sizeAt(double dpi) const;

    // Draws the picture into `target` (the painter's logical coordinates), keeping the aspect
    // ratio centred in the rectangle or stretching it to fill. Nothing is drawn outside `target`.
    void paint(QPainter& painter, const QRectF& target,
               Qt::AspectRatioMode mode = Qt::KeepAspectRatio) const;
    // As a page picture: kept in proportion and centred.
    void paint(QPainter& painter, const QRect& target) const override;

    // The texts the picture writes, in drawing order.
    QStringList texts() const;

private:
    std::shared_ptr<const wmf::Program> mProgram; // shared: copies are cheap and never change
};

} // namespace loopcraft
