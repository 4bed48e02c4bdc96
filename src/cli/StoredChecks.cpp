// The checks every computing command runs before it computes: the windows make them before
// their results are shown, and a command that skipped them would print results of a loop the
// program never accepts.
#include "cli/Cli.h"
#include "core/config/Configuration.h"
#include "core/design/DesignEntries.h"

namespace loopcraft::cli {

void checkStoredEntries(const ParameterSet& params) {
    if (std::optional<Message> broken = ValidateConfiguration(params))
        throw UserMessage(*broken);
    // Reading the entries stores them; the check works on a copy and changes nothing.
    ParameterSet scratch = params;
    DesignWindowModel window;
    FillDesignEntries(window, scratch);
    const Configuration config = Configuration::fromFlags(scratch);
    if (std::optional<Message> broken = ReadDesignEntries(window, config.category, scratch))
        throw UserMessage(*broken);
    if (const DesignErrorCode code = ValidateDesignEntries(scratch, config);
        code != DesignErrorCode::None)
        throw UserMessage(DesignErrorMessage(code, config));
}

} // namespace loopcraft::cli
