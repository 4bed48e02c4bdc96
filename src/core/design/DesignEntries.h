// The design window's entries as plain data, and its reading and validation rules. The window
// (or the command-line tool) keeps the typed texts here; the operations read them into the
// parameter set, check them and write designed texts back.
#pragma once

#include "core/base/ParameterSet.h"
#include "core/config/Configuration.h"

#include <array>
#include <optional>
#include <string>

namespace loopcraft {

// The edit fields of the design window, in the order the mixed-signal and ADPLL readings use.
enum class DesignField {
    LDPLLf3db,
    Ka,
    Tau1,
    Tau2,
    Tau3,
    Tau4,
    Tau5,
    fs,
    zeta,
    C1,
    ADPLLfH,
    M,
    K,
    N,
};
inline constexpr int kDesignFieldCount = 14;

// The parameter an entry edits (C1 edits SchemaC1Val).
TextId designFieldText(DesignField field);

// Everything of the design window that the operations read or write.
struct DesignWindowModel {
    std::array<std::string, kDesignFieldCount> entries; // typed texts, by DesignField
    int c1Unit = 0;                                     // selected index of lbFiltDesignC1
    PoleKind poleKind = PoleKind::Complex;              // section-2 radio buttons
    std::string phaseMarginCaption = "(alpha)";         // StaticText3
    std::string zetaCaption = "(zeta)";                 // StaticText6
    std::string adpllF3dbCaption = "(f3dbValue)";       // stFiltDesignADPLLf3dbValue
    std::string memo1;
    std::string memo2;

    std::string& entry(DesignField f) { return entries[static_cast<std::size_t>(f)]; }
    const std::string& entry(DesignField f) const { return entries[static_cast<std::size_t>(f)]; }
};

// Reads the entries of the current category into the parameter set, in the window's order,
// stopping at the first that does not convert (fields read before it keep their new values).
// The mixed-signal reading ends with SchemaC1Unit = the selected unit.
std::optional<Message> ReadDesignEntries(const DesignWindowModel& window, Category category,
                                         ParameterSet& params);

// Codes of the validation table; checked in the order 1, 2, 3, 14, 4, then 5..13, 15.
enum class DesignErrorCode {
    None = 0,
    fH = 1,
    M = 2,
    K = 3,
    N = 4,
    f3db = 5,
    Ka = 6,
    Tau1 = 7,
    Tau2 = 8,
    Tau3 = 9,
    Tau4 = 10,
    Tau5 = 11,
    fs = 12,
    zeta = 13,
    KPowerOfTwo = 14,
    C1 = 15,
};

// The first broken rule of the current category, or None.
DesignErrorCode ValidateDesignEntries(const ParameterSet& params, const Configuration& config);

// The message and focus for a code. Code 15 is silent unless the detector is the charge pump.
Message DesignErrorMessage(DesignErrorCode code, const Configuration& config);

// Section-2 pole kind into the flags (mixed-signal category only).
void StorePoleKind(ParameterSet& params, const Configuration& config, PoleKind selected);

// The typed texts as the window shows them when it opens: the stored parameter texts.
void FillDesignEntries(DesignWindowModel& window, const ParameterSet& params);

} // namespace loopcraft
