// The printed simulation protocol: the plot as the window shows it, scaled into a square, and
// below it the lines that say what was simulated and when. Laid out on a page of any size in
// layout pixels; "Print Prot" and `loopcraft-cli simulate --protocol-pdf` scale it onto paper.
#pragma once

#include "core/sim/ProtocolText.h"
#include "render/base/PagePainter.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QSize>
#include <string>
#include <vector>

namespace loopcraft {

class ProtocolPagePainter final : public PagePainter {
public:
    // `plot` is drawn as it is laid out at `plotWidth` pixels square, so its labels keep the
    // size they have next to the plot on screen.
    ProtocolPagePainter(const PagePainter& plot, int plotWidth, const QFont& printerFont,
                        const QColor& textColor, std::vector<std::string> lines);

    void paint(QPainter& painter, const QRect& page) const override;

    // The square that receives the plot on `page`.
    QRect printArea(const QRect& page) const;

private:
    const PagePainter& mPlot;
    int mPlotWidth;
    QFont mFont;
    QColor mTextColor;
    std::vector<std::string> mLines;
};

// The local date and time to the minute, as the protocol prints it.
ProtocolTimestamp currentProtocolTimestamp();

} // namespace loopcraft
