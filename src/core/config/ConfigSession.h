// The configuration dialog without its widgets: the choices and the fourteen entries it holds,
// what it shows for them (with the PFD's move from order 1 to 2), and Done's reading and checks.
//
// The desktop dialog copies its radio buttons and edits into model() before an operation and
// shows the outcome; the rules are the same for anything else that fills the model.
#pragma once

#include "core/base/Message.h"
#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"

#include <array>
#include <optional>
#include <string>

namespace loopcraft {

// The dialog's entries in the order it lists them.
inline constexpr std::array<TextId, 14> kConfigEntryIds = {
    TextId::ConfigLDPLLf0, TextId::ConfigKd,      TextId::ConfigKp,      TextId::ConfigPDSatP,
    TextId::ConfigPDSatN,  TextId::ConfigLFSatP,  TextId::ConfigLFSatN,  TextId::ConfigK0,
    TextId::ConfigN,       TextId::ConfigVCOSatP, TextId::ConfigVCOSatN, TextId::ConfigADPLLf0,
    TextId::ConfigUSupP,   TextId::ConfigUSupN};

// What the dialog's controls hold.
struct ConfigDialogModel {
    ConfigRadioStates radios;
    std::array<std::string, kConfigEntryIds.size()> entries; // as typed, in kConfigEntryIds order

    // The text of one entry; null for a text that is not one of the fourteen.
    std::string* entry(TextId id);
    const std::string* entry(TextId id) const;
};

struct ConfigOutcome {
    bool ok = false;                // Done passed: the dialog closes
    std::optional<Message> message; // why it did not
};

class ConfigSession {
public:
    explicit ConfigSession(ParameterSet& params);

    // The radio states from the flags, the entries from the stored texts.
    void Fill();

    // What the dialog shows for the current choices. A PFD kind cannot work without a filter:
    // with order 1 chosen the order becomes 2 first (model().radios changes), and the rules are
    // evaluated on that.
    ConfigVisibility ApplyRules();

    // Done: the choices go into their flags, then the category's entries are read in the
    // dialog's order, each stored at once; the first that does not convert stops the reading
    // with its format error. The entries of the other category are not read. Then the checks:
    // the first broken rule is the message.
    ConfigOutcome Done();

    ConfigDialogModel& model() { return mModel; }
    const ConfigDialogModel& model() const { return mModel; }

private:
    ParameterSet& mParams;
    ConfigDialogModel mModel;
};

} // namespace loopcraft
