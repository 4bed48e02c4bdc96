// The one way a window asks for help: open the help file at its contents page, or at the page
// of a topic identifier. Windows get a HelpService reference from their owner, so tests can
// record the topics asked for instead of opening a window.
#pragma once

#include <QString>

namespace loopcraft {

class HelpService {
public:
    virtual ~HelpService() = default;
    // The contents page with its search.
    virtual void openContents() = 0;
    // The page of `topic` ("PLLConfiguration", "Bode", ...). Never waits for the user.
    virtual void jumpToTopic(const QString& topic) = 0;
};

} // namespace loopcraft
