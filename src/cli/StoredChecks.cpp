// The checks every computing command runs before it computes: the windows make them before
// their results are shown, and a command that skipped them would print results of a loop the
// program never accepts.
#include "cli/Cli.h"
#include "core/design/DesignSession.h"

namespace loopcraft::cli {

void checkStoredEntries(const ParameterSet& params) {
    if (std::optional<Message> broken = DesignSession::CheckStoredEntries(params))
        throw UserMessage(*broken);
}

} // namespace loopcraft::cli
