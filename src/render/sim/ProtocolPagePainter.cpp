#include "render/sim/ProtocolPagePainter.h"

#include "render/base/PictureOutput.h"

#include <QDateTime>
#include <QPainter>
#include <algorithm>
#include <utility>

namespace loopcraft {

ProtocolPagePainter::ProtocolPagePainter(const PagePainter& plot, int plotWidth,
                                         const QFont& printerFont, const QColor& textColor,
                                         std::vector<std::string> lines)
    : mPlot(plot), mPlotWidth(std::max(1, plotWidth)), mFont(layoutFont(printerFont)),
      mTextColor(textColor), mLines(std::move(lines)) {}

QRect ProtocolPagePainter::printArea(const QRect& page) const {
    const int h7 = 7 * QFontMetrics(mFont).height();
    const int side = std::max(1, std::min(static_cast<int>(0.8 * page.width()),
                                          static_cast<int>(0.8 * page.height() - 1.2 * h7)));
    return {page.left() + static_cast<int>(0.1 * page.width()),
            page.top() + static_cast<int>(0.1 * page.height()), side, side};
}

void ProtocolPagePainter::paint(QPainter& painter, const QRect& page) const {
    const QRect area = printArea(page);
    paintScaled(painter, mPlot, QSize(mPlotWidth, mPlotWidth), area);

    painter.save();
    painter.setFont(mFont);
    painter.setPen(mTextColor);
    const QFontMetrics metrics(mFont);
    const int step = metrics.height();
    int y = area.top() + area.height() + step + 2;
    for (const std::string& line : mLines) {
        // The line ends some texts carry draw nothing: only the line step moves the text.
        QString text = QString::fromStdString(line);
        text.remove(QLatin1Char('\r')).remove(QLatin1Char('\n'));
        painter.drawText(QPoint(area.left(), y + metrics.ascent()), text);
        y += step;
    }
    painter.restore();
}

ProtocolTimestamp currentProtocolTimestamp() {
    const QDateTime t = QDateTime::currentDateTime();
    return {t.date().day(), t.date().month(), t.date().year(), t.time().hour(), t.time().minute()};
}

} // namespace loopcraft
