// The About box (Panel3) of the main window: the program's name and purpose, and OK.
#pragma once

#include <QFrame>

namespace loopcraft {

class AboutPanel final : public QFrame {
    Q_OBJECT
public:
    explicit AboutPanel(QWidget* parent);

    // Centres the box in `area` at a third of its size, or larger when its texts need it.
    void place(const QSize& area);

public slots:
    void OkButtonClick();
};

} // namespace loopcraft
