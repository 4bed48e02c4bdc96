// The desktop program's help service: reads the help file afresh at every request (so a file
// installed while the program runs is found) and shows the page in one help window.
#pragma once

#include "gui/base/HelpService.h"

#include <QPointer>
#include <QStringList>

class QWidget;

namespace loopcraft {

class HelpWindow;

class WindowHelpService final : public HelpService {
public:
    // The help window lives as long as the service; `owner` (the main window, may be null)
    // lends it its icon.
    explicit WindowHelpService(QWidget* owner, QStringList candidates = defaultCandidates());
    ~WindowHelpService() override;

    void openContents() override;
    void jumpToTopic(const QString& topic) override;

    // Where data files are looked for: the working directory first (see DataFiles.h).
    static QStringList defaultCandidates();

    HelpWindow* window() const { return mWindow; }

private:
    HelpWindow* prepareWindow();
    static void bringForward(HelpWindow* w);

    QPointer<QWidget> mOwner;
    QStringList mCandidates;
    QPointer<HelpWindow> mWindow;
};

} // namespace loopcraft
