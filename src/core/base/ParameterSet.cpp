// The parameter descriptor tables and the set's operations built on them.
#include "core/base/ParameterSet.h"

#include <algorithm>

namespace loopcraft {
namespace {

// Each slot's value member as the typed pointer its kind needs (or none).
constexpr float ParameterSet::*floatMemberOf(float ParameterSet::*m) {
    return m;
}
constexpr float ParameterSet::*floatMemberOf(int ParameterSet::*) {
    return nullptr;
}
constexpr float ParameterSet::*floatMemberOf(NoValue ParameterSet::*) {
    return nullptr;
}
constexpr int ParameterSet::*intMemberOf(float ParameterSet::*) {
    return nullptr;
}
constexpr int ParameterSet::*intMemberOf(int ParameterSet::*m) {
    return m;
}
constexpr int ParameterSet::*intMemberOf(NoValue ParameterSet::*) {
    return nullptr;
}

const std::array<FlagDescriptor, kFlagCount> kFlags = {{
#define LOOPCRAFT_X(name, def, group) {#name, def, FlagGroup::group, &ParameterSet::name},
    LOOPCRAFT_FLAGS(LOOPCRAFT_X)
#undef LOOPCRAFT_X
}};

const std::array<TextDescriptor, kTextCount> kTexts = {{
#define LOOPCRAFT_X(name, def, kind, type)                                                         \
    {#name, def, ValueKind::kind, floatMemberOf(&ParameterSet::name),                              \
     intMemberOf(&ParameterSet::name)},
    LOOPCRAFT_TEXTS(LOOPCRAFT_X)
#undef LOOPCRAFT_X
}};

EntryKind entryKindOf(ValueKind kind) {
    switch (kind) {
    case ValueKind::Int:
        return EntryKind::Int;
    case ValueKind::IntTruncated:
        return EntryKind::IntTruncated;
    default:
        return EntryKind::Float;
    }
}

} // namespace

const FlagDescriptor& flagDescriptor(FlagId id) {
    return kFlags[static_cast<int>(id)];
}
const TextDescriptor& textDescriptor(TextId id) {
    return kTexts[static_cast<int>(id)];
}
const char* flagName(FlagId id) {
    return flagDescriptor(id).name;
}
const char* textName(TextId id) {
    return textDescriptor(id).name;
}

std::optional<FlagId> findFlag(std::string_view name) {
    for (int i = 0; i < kFlagCount; ++i)
        if (name == kFlags[i].name)
            return static_cast<FlagId>(i);
    return std::nullopt;
}

std::optional<TextId> findText(std::string_view name) {
    for (int i = 0; i < kTextCount; ++i)
        if (kTexts[i].kind != ValueKind::None && name == kTexts[i].name)
            return static_cast<TextId>(i);
    return std::nullopt;
}

const std::array<TextId, 9>& simulationValueOrder() {
    static const std::array<TextId, 9> order = {
        TextId::Simulf0,       TextId::Simuldf,    TextId::Simuldphi,
        TextId::SimuldN,       TextId::SimulnSamp, TextId::SimulT,
        TextId::SimulZoomFact, TextId::SimulSNR,   TextId::SimulNoiseBW};
    return order;
}

const std::array<TextId, 34>& startupValueOrder() {
    static const std::array<TextId, 34> order = {TextId::ConfigUSupP,
                                                 TextId::ConfigUSupN,
                                                 TextId::ConfigKd,
                                                 TextId::ConfigKp,
                                                 TextId::ConfigPDSatP,
                                                 TextId::ConfigPDSatN,
                                                 TextId::ConfigLFSatP,
                                                 TextId::ConfigLFSatN,
                                                 TextId::ConfigVCOSatP,
                                                 TextId::ConfigVCOSatN,
                                                 TextId::ConfigK0,
                                                 TextId::ConfigN,
                                                 TextId::ConfigLDPLLf0,
                                                 TextId::ConfigADPLLf0,
                                                 TextId::FiltDesignTau1,
                                                 TextId::FiltDesignTau2,
                                                 TextId::FiltDesignTau3,
                                                 TextId::FiltDesignTau4,
                                                 TextId::FiltDesignTau5,
                                                 TextId::FiltDesignfs,
                                                 TextId::FiltDesignzeta,
                                                 TextId::FiltDesignKa,
                                                 TextId::FiltDesignLDPLLf3db,
                                                 TextId::FiltDesignK,
                                                 TextId::FiltDesignM,
                                                 TextId::FiltDesignN,
                                                 TextId::FiltDesignADPLLfH,
                                                 TextId::BodefMin,
                                                 TextId::BodefMax,
                                                 TextId::BodeNumPoints,
                                                 TextId::SchemaC1Val,
                                                 TextId::SchemaC1Unit,
                                                 TextId::SchemaC4Val,
                                                 TextId::SchemaC4Unit};
    return order;
}

ParameterSet::ParameterSet() {
    setDefaults();
    recomputeAllValues();
}

void ParameterSet::setTextRaw(TextId id, std::string_view text) {
    mTexts[static_cast<int>(id)] = cutEntryText(text);
}

bool ParameterSet::setEntry(TextId id, std::string_view entry, std::string* message) {
    if (textDescriptor(id).kind == ValueKind::None) {
        if (message)
            *message = std::string(textName(id)) + " holds no value";
        return false;
    }
    // The panel reads its count fields with the integer reader; only texts that come from the
    // file are converted as a float and truncated.
    const ValueKind kind = textDescriptor(id).kind;
    return convert(id, entry, message,
                   kind == ValueKind::IntTruncated ? EntryKind::Int : entryKindOf(kind));
}

bool ParameterSet::convert(TextId id, std::string_view text, std::string* message, EntryKind kind) {
    const TextDescriptor& d = textDescriptor(id);
    EntryResult r = readEntry(text, kind);
    if (!r.ok) {
        if (message)
            *message = r.message;
        return false;
    }
    mTexts[static_cast<int>(id)] = r.text;
    if (d.floatMember)
        this->*d.floatMember = r.floatValue;
    else
        this->*d.intMember = r.intValue;
    return true;
}

int& ParameterSet::flag(FlagId id) {
    return this->*flagDescriptor(id).member;
}
int ParameterSet::flag(FlagId id) const {
    return this->*flagDescriptor(id).member;
}

void ParameterSet::selectFlag(FlagId id) {
    const FlagGroup group = flagDescriptor(id).group;
    for (const FlagDescriptor& d : kFlags)
        if (d.group == group)
            this->*d.member = 0;
    flag(id) = 1;
}

void ParameterSet::setDisplayDefaults() {
    ColorAxisTickLabels = 0xFF0000;
    ColorCurve1 = 0x0000FF;
    ColorCurve2 = 0x008000;
    ColorFrameBackground = 0x00FFFF;
    ColorGrid = 0x808080;
    ColorPrinterFont = 0x000000;
    for (std::size_t i = 0; i < CustomColors.size(); ++i)
        CustomColors[i] = static_cast<std::uint32_t>(i) * 0x101010u;
    PenWidthCurve1 = 2;
    PenWidthCurve2 = 2;
    AxisFontSize = 10;
    PrinterFontSize = 12;
    AxisFontName = "Arial";
    PrinterFontName = "Arial";
    AxisFontStyle = {0, 0, 0, 0};
    PrinterFontStyle = {0, 0, 0, 0};
}

void ParameterSet::setDefaults() {
    for (const FlagDescriptor& d : kFlags)
        this->*d.member = d.defaultValue;
    for (int i = 0; i < kTextCount; ++i) {
        if (static_cast<TextId>(i) == TextId::Unnamed35)
            continue;
        mTexts[i] = kTexts[i].defaultText;
    }
    setDisplayDefaults();
    sidecar.setDefaults();
}

bool ParameterSet::recomputeValue(TextId id, std::string* message) {
    if (textDescriptor(id).kind == ValueKind::None)
        return true;
    const std::string current = text(id);
    return convert(id, current, message, entryKindOf(textDescriptor(id).kind));
}

std::optional<TextId> ParameterSet::recomputeAllValues(std::string* message) {
    for (TextId id : simulationValueOrder())
        if (!recomputeValue(id, message))
            return id;
    for (TextId id : startupValueOrder())
        if (!recomputeValue(id, message))
            return id;
    return std::nullopt;
}

} // namespace loopcraft
