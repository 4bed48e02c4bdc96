#include "core/config/ConfigSession.h"

#include <algorithm>

namespace loopcraft {

std::string* ConfigDialogModel::entry(TextId id) {
    const auto it = std::find(kConfigEntryIds.begin(), kConfigEntryIds.end(), id);
    return it == kConfigEntryIds.end() ? nullptr : &entries[it - kConfigEntryIds.begin()];
}

const std::string* ConfigDialogModel::entry(TextId id) const {
    return const_cast<ConfigDialogModel*>(this)->entry(id);
}

ConfigSession::ConfigSession(ParameterSet& params) : mParams(params) {
    Fill();
}

void ConfigSession::Fill() {
    mModel.radios = LoadConfigFlags(mParams);
    for (std::size_t i = 0; i < kConfigEntryIds.size(); ++i)
        mModel.entries[i] = mParams.text(kConfigEntryIds[i]);
}

ConfigVisibility ConfigSession::ApplyRules() {
    ConfigVisibility v = ApplyConfigRules(mModel.radios);
    if (v.switchOrder1To2) {
        // The new choice cannot ask for the switch again.
        mModel.radios.rbConfigPLLOrder1 = false;
        mModel.radios.rbConfigPLLOrder2 = true;
        v = ApplyConfigRules(mModel.radios);
    }
    return v;
}

ConfigOutcome ConfigSession::Done() {
    ConfigOutcome outcome;
    StoreConfigFlags(mModel.radios, mParams);

    // Hidden entries of the category are read too, so a bad text in one of them is brought into
    // view rather than kept.
    const auto read = [&](TextId id) {
        std::string message;
        if (mParams.setEntry(id, *mModel.entry(id), &message))
            return true;
        outcome.message = Message{kFormatErrorTitle, message, id, true, false};
        return false;
    };
    if (mModel.radios.rbConfigADPLL) {
        if (!read(TextId::ConfigADPLLf0))
            return outcome;
    } else {
        for (const TextId id : kConfigEntryIds)
            if (id != TextId::ConfigADPLLf0 && !read(id))
                return outcome;
    }

    if ((outcome.message = ValidateConfiguration(mParams)))
        return outcome;
    outcome.ok = true;
    return outcome;
}

} // namespace loopcraft
