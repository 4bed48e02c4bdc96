// Reading and validating the design window's entries.
#include "core/design/DesignEntries.h"

#include "core/base/E24.h"
#include "core/base/EntryReading.h"

#include <algorithm>
#include <initializer_list>

namespace loopcraft {

namespace {

// The parameter each entry edits, by DesignField (C1 edits SchemaC1Val).
constexpr std::array<TextId, kDesignFieldCount> kFieldTexts{
    TextId::FiltDesignLDPLLf3db, TextId::FiltDesignKa,      TextId::FiltDesignTau1,
    TextId::FiltDesignTau2,      TextId::FiltDesignTau3,    TextId::FiltDesignTau4,
    TextId::FiltDesignTau5,      TextId::FiltDesignfs,      TextId::FiltDesignzeta,
    TextId::SchemaC1Val,         TextId::FiltDesignADPLLfH, TextId::FiltDesignM,
    TextId::FiltDesignK,         TextId::FiltDesignN,
};

TextId textOf(DesignField f) {
    return kFieldTexts[static_cast<std::size_t>(f)];
}

constexpr std::initializer_list<DesignField> kMixedSignalOrder{
    DesignField::LDPLLf3db, DesignField::Ka,   DesignField::Tau1, DesignField::Tau2,
    DesignField::Tau3,      DesignField::Tau4, DesignField::Tau5, DesignField::fs,
    DesignField::zeta,      DesignField::C1};
constexpr std::initializer_list<DesignField> kAdpllOrder{DesignField::ADPLLfH, DesignField::M,
                                                         DesignField::K, DesignField::N};

Message illegal(const char* text, DesignField focus) {
    return {kIllegalEntryTitle, text, textOf(focus), false, false};
}

bool isAllowedK(int k) {
    for (int p = 8; p <= 131072; p *= 2) {
        if (k == p) {
            return true;
        }
    }
    return false;
}

} // namespace

TextId designFieldText(DesignField field) {
    return textOf(field);
}

std::optional<Message> ReadDesignEntries(const DesignWindowModel& window, Category category,
                                         ParameterSet& params) {
    const auto& order = category == Category::Adpll ? kAdpllOrder : kMixedSignalOrder;
    for (DesignField f : order) {
        std::string message;
        if (!params.setEntry(textOf(f), window.entry(f), &message)) {
            return Message{kFormatErrorTitle, message, textOf(f), true, false};
        }
    }
    if (category == Category::MixedSignal) {
        params.setEntry(TextId::SchemaC1Unit, std::to_string(window.c1Unit));
        params.SchemaC1Unit = window.c1Unit;
    }
    return std::nullopt;
}

DesignErrorCode ValidateDesignEntries(const ParameterSet& p, const Configuration& config) {
    if (config.isAdpll()) {
        if (!(p.FiltDesignADPLLfH > 0)) {
            return DesignErrorCode::fH;
        }
        if (p.FiltDesignM <= 0) {
            return DesignErrorCode::M;
        }
        if (p.FiltDesignK <= 0) {
            return DesignErrorCode::K;
        }
        if (!isAllowedK(p.FiltDesignK)) {
            return DesignErrorCode::KPowerOfTwo;
        }
        if (p.FiltDesignN <= 0) {
            return DesignErrorCode::N;
        }
        return DesignErrorCode::None;
    }
    const std::pair<float, DesignErrorCode> rules[] = {
        {p.FiltDesignLDPLLf3db, DesignErrorCode::f3db}, {p.FiltDesignKa, DesignErrorCode::Ka},
        {p.FiltDesignTau1, DesignErrorCode::Tau1},      {p.FiltDesignTau2, DesignErrorCode::Tau2},
        {p.FiltDesignTau3, DesignErrorCode::Tau3},      {p.FiltDesignTau4, DesignErrorCode::Tau4},
        {p.FiltDesignTau5, DesignErrorCode::Tau5},      {p.FiltDesignfs, DesignErrorCode::fs},
        {p.FiltDesignzeta, DesignErrorCode::zeta},      {p.SchemaC1Val, DesignErrorCode::C1},
    };
    for (const auto& [value, code] : rules) {
        if (!(value > 0)) {
            return code;
        }
    }
    return DesignErrorCode::None;
}

Message DesignErrorMessage(DesignErrorCode code, const Configuration& config) {
    switch (code) {
    case DesignErrorCode::None:
        return {};
    case DesignErrorCode::fH:
        return illegal("fH must be positive", DesignField::ADPLLfH);
    case DesignErrorCode::M:
        return illegal("M must be positive", DesignField::M);
    case DesignErrorCode::K:
        return illegal("K must be positive", DesignField::K);
    case DesignErrorCode::KPowerOfTwo:
        return illegal("K must be integer power of 2 in range 2^3..2^17", DesignField::K);
    case DesignErrorCode::N:
        return illegal("N must be positive", DesignField::N);
    case DesignErrorCode::f3db:
        return illegal("f3db must be positive", DesignField::LDPLLf3db);
    case DesignErrorCode::Ka:
        return illegal("Ka must be positive", DesignField::Ka);
    case DesignErrorCode::Tau1:
        return illegal("Tau1 must be positive", DesignField::Tau1);
    case DesignErrorCode::Tau2:
        return illegal("Tau2 must be positive", DesignField::Tau2);
    case DesignErrorCode::Tau3:
        return illegal("Tau3 must be positive", DesignField::Tau3);
    case DesignErrorCode::Tau4:
        return illegal("Tau4 must be positive", DesignField::Tau4);
    case DesignErrorCode::Tau5:
        return illegal("Tau5 must be positive", DesignField::Tau5);
    case DesignErrorCode::fs:
        return illegal("fs must be positive", DesignField::fs);
    case DesignErrorCode::zeta:
        return illegal("zeta must be positive", DesignField::zeta);
    case DesignErrorCode::C1: {
        Message m = illegal("C1 must be positive", DesignField::C1);
        m.silent = !config.chargePump();
        return m;
    }
    }
    return {};
}

void StorePoleKind(ParameterSet& params, const Configuration& config, PoleKind selected) {
    if (config.isAdpll()) {
        return;
    }
    const bool real = selected == PoleKind::Real;
    params.rbFiltDesignRealPoles = real ? 1 : 0;
    params.rbFiltDesignComplexPoles = real ? 0 : 1;
}

void FillDesignEntries(DesignWindowModel& window, const ParameterSet& params) {
    for (int i = 0; i < kDesignFieldCount; ++i) {
        const auto f = static_cast<DesignField>(i);
        window.entry(f) = params.text(textOf(f));
    }
    // A hand-edited unit index outside the list would scale C1 by a unit that does not exist.
    window.c1Unit = std::clamp(params.SchemaC1Unit, 0, kLastCapacitorUnit);
    window.poleKind = params.rbFiltDesignRealPoles != 0 ? PoleKind::Real : PoleKind::Complex;
}

} // namespace loopcraft
