// The filter design window without its widgets: the entries, the loop state it owns, and the
// operations behind its buttons. Each operation reads the entries, checks them, computes, writes
// the designed texts back into the entries (and, where the window does, into the parameter set)
// and returns what to show: figures, the message for a modal box and where the focus goes.
//
// The desktop dialog copies its edits into window() before an operation and back afterwards;
// the command-line tool fills window() from the parameter set.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"
#include "core/design/DesignEntries.h"
#include "core/design/DesignPanelRules.h"
#include "core/design/FilterDesignState.h"

#include <optional>
#include <vector>

namespace loopcraft {

// Figures an operation computed; the ones it did not compute stay empty.
struct DesignFigures {
    std::optional<float> f3db; // measured (mixed-signal) 3-dB frequency, Hz
    std::optional<float> gainCrossover;
    std::optional<float> phaseMarginDeg;
    std::optional<float> omegaN;
    std::optional<float> zeta;
    std::optional<float> fH;        // ADPLL hold range, Hz
    std::optional<float> adpllF3db; // ADPLL 3-dB frequency, Hz
};

struct DesignOutcome {
    bool ok = false;                  // the operation ran to its end
    std::optional<Message> message;   // to show (unless silent) when it stopped
    std::vector<DesignField> written; // entries whose text the operation wrote
    bool c1UnitWritten = false;       // lbFiltDesignC1 got a new selection
    bool bandwidthWarning = false;    // stopped by the maximum-f3db notice
    DesignFigures figures;
};

class DesignSession {
public:
    explicit DesignSession(ParameterSet& params);

    // The checks of the configuration dialog's Done and of the design window, run on the stored
    // parameters with their messages: the first broken rule, or nothing. Changes nothing. What a
    // command computes from the stored loop must pass them first.
    static std::optional<Message> CheckStoredEntries(const ParameterSet& params);

    // Opening the window: entries from the stored texts, the loop state from the parameter set
    // and the configuration, then the figures of the current category and the description.
    DesignOutcome PrepareDesignWindow();

    // Visibility for the configuration and the section-2 choice currently shown.
    DesignPanelVisibility ApplyDesignPanelRules() const;

    DesignOutcome CalcFrequencyParams();      // mixed-signal "Calc frequency params"
    DesignOutcome CalcFilterParams();         // "Calc filter params"
    DesignOutcome CalcAdpllFrequencyParams(); // ADPLL "Calc frequency params"
    DesignOutcome CalcAdpllParams();          // "Calc ADPLL params"
    // C1 chosen in the schematic window: its text and unit (when it is one of the list) into the
    // entry. The figures follow with CalcFrequencyParams.
    void TakeC1(const std::string& text, int unit);
    // "Done": stores the pole kind and reads and checks the entries; ok means the window closes.
    DesignOutcome Done();

    DesignWindowModel& window() { return mWindow; }
    const DesignWindowModel& window() const { return mWindow; }
    FilterDesignState& state() { return mState; }
    const FilterDesignState& state() const { return mState; }
    ParameterSet& params() { return mParams; }
    // The stored configuration with the section-2 choice currently shown.
    Configuration configuration() const;

private:
    std::optional<Message> readAndValidate(const Configuration& config);
    void writeEntry(DesignField field, float value, const std::string& text);

    ParameterSet& mParams;
    FilterDesignState mState;
    DesignWindowModel mWindow;
};

} // namespace loopcraft
