// The Bode plot picture: gain above and phase below over one logarithmic frequency axis, the
// open loop in red and the closed loop in green, the grid and labels of BodeAxes, and the two
// configuration texts under the plots. It is laid out for a Bode window of a given client size
// and covers the left 79 % of it (the controls on the right are not part of the picture). The
// window, its print-out and every export draw this one picture.
#pragma once

#include "core/bode/BodeConfigText.h"
#include "core/bode/FrequencyResponse.h"
#include "render/base/PagePainter.h"

#include <QColor>
#include <QSize>

namespace loopcraft {

class BodePlotPainter final : public PagePainter {
public:
    // The layout of a window with client size `window`, every value rounded down.
    static PlotFrame frameFor(const QSize& window);
    static QRect memoRect(const QSize& window, int index); // 0: Memo1, 1: Memo2
    static QSize pictureSizeFor(const QSize& window);
    // A window whose picture has about the size `picture` (exact up to rounding).
    static QSize windowSizeFor(const QSize& picture);

    // The response must have been mapped onto frameFor(window) (FrequencyResponse::compute or
    // mapOnto); the painter only draws what it finds there.
    void setWindowSize(const QSize& window) { mWindow = window; }
    QSize windowSize() const { return mWindow; }
    QSize pictureSize() const { return pictureSizeFor(mWindow); }
    // Null, or a response without curves, draws the empty frame.
    void setResponse(const FrequencyResponse* response) { mResponse = response; }
    const FrequencyResponse* response() const { return mResponse; }
    void setConfigText(const BodeConfigText& text) { mText = text; }
    const BodeConfigText& configText() const { return mText; }
    // Colour of the picture around the plot (the window's background).
    void setBackground(const QColor& colour) { mBackground = colour; }

    // Draws the picture into `target`, scaled from pictureSize() when the sizes differ.
    void paint(QPainter& painter, const QRect& target) const override;

private:
    void draw(QPainter& painter) const;
    void drawGrid(QPainter& painter, const PlotFrame& frame) const;
    void drawCurves(QPainter& painter) const;
    void drawMemo(QPainter& painter, const QRect& box, const std::string& text) const;

    QSize mWindow{1000, 700};
    const FrequencyResponse* mResponse = nullptr;
    BodeConfigText mText;
    QColor mBackground{240, 240, 240};
};

// The same picture laid out afresh for the rectangle it is given, on white, instead of the
// window's picture scaled into it: a print-out or a report page gets its frame, curves and
// captions at the page's own size, so an 8-point label is 8 points on paper whatever the
// window's size was. Reads the response and texts of `picture` at every paint.
class BodeSheetPainter final : public PagePainter {
public:
    explicit BodeSheetPainter(const BodePlotPainter& picture) : mPicture(picture) {}

    void paint(QPainter& painter, const QRect& target) const override;

private:
    const BodePlotPainter& mPicture;
};

} // namespace loopcraft
