// A help service for tests: remembers what the windows asked for and opens nothing.
#pragma once

#include "gui/base/HelpService.h"

#include <QStringList>

namespace loopcraft::test {

class RecordingHelpService final : public HelpService {
public:
    void openContents() override { requests << QStringLiteral("<contents>"); }
    void jumpToTopic(const QString& topic) override { requests << topic; }

    QStringList requests;
};

} // namespace loopcraft::test
