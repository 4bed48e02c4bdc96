// The phase-noise picture: dBc/Hz over a logarithmic offset axis, each source in its own colour
// with a legend, the total bold, the integration band shaded, and the figures beneath. It lays
// itself out for whatever rectangle it is given (fonts in points), so the window, a printed
// page, the report and every export draw the same picture at their own size.
#pragma once

#include "core/noise/PhaseNoiseAnalysis.h"
#include "render/base/PagePainter.h"

#include <QColor>
#include <QString>

namespace loopcraft {

class PhaseNoisePlotPainter final : public PagePainter {
public:
    // Null draws the empty frame with `message` (why there is no result) in it.
    void setResult(const PhaseNoiseResult* result) { mResult = result; }
    void setMessage(const QString& message) { mMessage = message; }
    // Single resistors as thin dotted curves under their sum.
    void setShowResistors(bool show) { mShowResistors = show; }
    void setBackground(const QColor& colour) { mBackground = colour; }

    void paint(QPainter& painter, const QRect& target) const override;

    // The colour of a source's curve and legend entry; the total is black.
    static QColor colourOf(const NoiseContribution& c);

private:
    const PhaseNoiseResult* mResult = nullptr;
    QString mMessage;
    bool mShowResistors = true;
    QColor mBackground{Qt::white};
};

} // namespace loopcraft
