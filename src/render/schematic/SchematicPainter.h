// The schematic picture: the filter's drawing scaled into a rectangle with its title under it,
// and, for the print-out and the exported picture, the parts of both sections with their values
// and the figures of the loop built from the rounded parts beside it, so that the page is a
// usable shopping list. The window draws the drawing and title; print and export draw the lot.
#pragma once

#include "core/base/Message.h"
#include "core/schematic/RoundedParts.h"
#include "core/schematic/SchematicSession.h"
#include "render/base/PagePainter.h"
#include "render/wmf/WmfPicture.h"

#include <QFont>
#include <QString>
#include <optional>
#include <vector>

namespace loopcraft {

// The sizes the print-out is laid out at before it is scaled: the window's proportions for a
// wide target, and a tall sheet for a portrait page.
inline constexpr QSize kSchematicSheetSize{1140, 675};
inline constexpr QSize kPortraitSheetSize{800, 1040};

class SchematicPainter final : public PagePainter {
public:
    // Takes the title, the rows and the figures the session shows now. The drawing stays.
    void setContent(const SchematicSession& session);
    void setDrawing(WmfPicture drawing) { mDrawing = std::move(drawing); }
    const WmfPicture& drawing() const { return mDrawing; }
    const QString& title() const { return mTitle; }

    // The window's picture: the drawing kept in proportion at the bottom of `pictureRect`, and
    // the title with its top-left corner at (left, bottom + 2). Nothing before the first
    // Show schematic.
    void paintDrawing(QPainter& painter, const QRect& pictureRect) const;

    // The figures of the rounded parts as a small table fitted into `rect`: a header line that
    // starts with `heading`, and a line per figure, the designed figure beside the one of the
    // rounded parts. Columns take the width of their texts; a table wider than `rect` is drawn
    // in a smaller font.
    void paintFigures(QPainter& painter, const QRect& rect, const QString& heading) const;

    // A layout size of the proportions of `area` (a printed page area, say) at which the
    // print-out's text reads well.
    static QSize sheetSizeFor(const QSizeF& area);

    // The print-out on white: drawing and title, and the sections and the figures beside them
    // in a wide `target`, under them in a tall one. Text and lines scale with the target.
    void paint(QPainter& painter, const QRect& target) const override;

    // A heavy sans face, 12 points, for the title; the bold sans of the captions, 13 pixels.
    static QFont titleFont();
    static QFont captionFont();
    static QFont valueFont();

private:
    // Both sections and the figures in `column`, top down; returns the y below them.
    int paintParts(QPainter& painter, const QRect& column) const;

    bool mShown = false;
    QString mTitle;
    std::vector<SchematicRow> mRows;
    std::vector<PartsFigureRow> mFigures;
    WmfPicture mDrawing;
};

// Reads the drawing `name` from `path` (see findDataFile). Nothing, with the message to show,
// when it cannot be read as a drawing.
std::optional<WmfPicture> loadSchematicDrawing(const QString& name, const QString& path,
                                               Message* error);

} // namespace loopcraft
