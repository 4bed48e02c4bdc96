// The parameter set: the one record that holds the whole state of Loopcraft between windows
// and between runs. Choice flags, the typed texts with their values, and the display options.
//
// Every fact about a parameter (name, default text, how its value follows from its text) is
// written once, in the two lists below; defaults, file reading and writing, value
// recomputation and name look-up are all driven from them.
#pragma once

#include "core/base/EntryReading.h"
#include "core/base/SidecarSettings.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace loopcraft {

// Radio-button groups; within a group at most one flag is 1.
enum class FlagGroup {
    Stimulus,
    Category,
    Order,
    Detector,
    Filter,
    Oscillator,
    AdpllDetector,
    PoleKind,
};

// X(name, default, group), in file order.
#define LOOPCRAFT_FLAGS(X)                                                                         \
    X(rbSimulfstep, 1, Stimulus)                                                                   \
    X(rbSimulphistep, 0, Stimulus)                                                                 \
    X(rbSimulNstep, 0, Stimulus)                                                                   \
    X(rbConfigDPLL, 1, Category)                                                                   \
    X(rbConfigADPLL, 0, Category)                                                                  \
    X(rbConfigPLLOrder1, 0, Order)                                                                 \
    X(rbConfigPLLOrder2, 1, Order)                                                                 \
    X(rbConfigPLLOrder3, 0, Order)                                                                 \
    X(rbConfigPLLOrder4, 0, Order)                                                                 \
    X(rbConfigPLLOrder5, 0, Order)                                                                 \
    X(rbConfigLPLLMul, 0, Detector)                                                                \
    X(rbConfigDPLLExor, 1, Detector)                                                               \
    X(rbConfigDPLLJK, 0, Detector)                                                                 \
    X(rbConfigDPLLPFD, 0, Detector)                                                                \
    X(rbConfigDPLLPFD_CP, 0, Detector)                                                             \
    X(rbConfigPassiveLL, 1, Filter)                                                                \
    X(rbConfigActiveLL, 0, Filter)                                                                 \
    X(rbConfigActivePI, 0, Filter)                                                                 \
    X(rbConfigVCO, 1, Oscillator)                                                                  \
    X(rbConfigVCOScaler, 0, Oscillator)                                                            \
    X(rbConfigADPLLExor, 1, AdpllDetector)                                                         \
    X(rbConfigADPLLJK, 0, AdpllDetector)                                                           \
    X(rbFiltDesignRealPoles, 0, PoleKind)                                                          \
    X(rbFiltDesignComplexPoles, 1, PoleKind)

// Value kinds of text slots; None marks slots that only carry text.
enum class ValueKind { None, Float, Int, IntTruncated };

struct NoValue {
    bool operator==(const NoValue&) const = default;
};

// X(name, default text, value kind, C++ type of the value), in slot order 1..46.
#define LOOPCRAFT_TEXTS(X)                                                                         \
    X(Simulf0, "100000", Float, float)                                                             \
    X(Simuldf, "2000", Float, float)                                                               \
    X(Simuldphi, "90", Float, float)                                                               \
    X(SimuldN, "1", Int, int)                                                                      \
    X(SimulnSamp, "4", IntTruncated, int)                                                          \
    X(SimulT, "0.001", Float, float)                                                               \
    X(SimulZoomFact, "1", IntTruncated, int)                                                       \
    X(SimulSNR, "20", Float, float)                                                                \
    X(SimulNoiseBW, "0.5", Float, float)                                                           \
    X(ConfigLDPLLf0, "100000", Float, float)                                                       \
    X(Reserved1, "5000", None, NoValue)                                                            \
    X(ConfigKd, "1", Float, float)                                                                 \
    X(ConfigKp, "0.00016", Float, float)                                                           \
    X(ConfigPDSatP, "4.5", Float, float)                                                           \
    X(ConfigPDSatN, "0.5", Float, float)                                                           \
    X(ConfigLFSatP, "4.5", Float, float)                                                           \
    X(ConfigLFSatN, "0.5", Float, float)                                                           \
    X(ConfigK0, "130000", Float, float)                                                            \
    X(ConfigN, "1", Int, int)                                                                      \
    X(ConfigVCOSatP, "4.5", Float, float)                                                          \
    X(ConfigVCOSatN, "0.5", Float, float)                                                          \
    X(ConfigADPLLf0, "100000", Float, float)                                                       \
    X(Reserved2, "10000", None, NoValue)                                                           \
    X(ConfigUSupP, "5.0", Float, float)                                                            \
    X(ConfigUSupN, "0", Float, float)                                                              \
    X(FiltDesignLDPLLf3db, "5000", Float, float)                                                   \
    X(FiltDesignKa, "10", Float, float)                                                            \
    X(FiltDesignTau1, "0.000500", Float, float)                                                    \
    X(FiltDesignTau2, "0.000050", Float, float)                                                    \
    X(FiltDesignTau3, "0.000005", Float, float)                                                    \
    X(FiltDesignTau4, "0.000001", Float, float)                                                    \
    X(FiltDesignTau5, "0.000001", Float, float)                                                    \
    X(FiltDesignfs, "20000", Float, float)                                                         \
    X(FiltDesignzeta, "0.707", Float, float)                                                       \
    X(Unnamed35, "", None, NoValue)                                                                \
    X(FiltDesignM, "64", Int, int)                                                                 \
    X(FiltDesignK, "8", Int, int)                                                                  \
    X(FiltDesignN, "16", Int, int)                                                                 \
    X(FiltDesignADPLLfH, "10000", Float, float)                                                    \
    X(BodefMin, "1000", Float, float)                                                              \
    X(BodefMax, "1000000", Float, float)                                                           \
    X(BodeNumPoints, "50", Int, int)                                                               \
    X(SchemaC1Val, "10", Float, float)                                                             \
    X(SchemaC1Unit, "3", Int, int)                                                                 \
    X(SchemaC4Val, "10", Float, float)                                                             \
    X(SchemaC4Unit, "3", Int, int)

enum class FlagId : int {
#define LOOPCRAFT_X(name, def, group) name,
    LOOPCRAFT_FLAGS(LOOPCRAFT_X)
#undef LOOPCRAFT_X
};

enum class TextId : int {
#define LOOPCRAFT_X(name, def, kind, type) name,
    LOOPCRAFT_TEXTS(LOOPCRAFT_X)
#undef LOOPCRAFT_X
};

inline constexpr int kFlagCount = 24;
inline constexpr int kTextCount = 46;
inline constexpr std::size_t kMaxFontNameChars = 31;
inline constexpr const char* kParamsFileName = "PARAMS.TXT";

class ParameterSet;

struct FlagDescriptor {
    const char* name;
    int defaultValue;
    FlagGroup group;
    int ParameterSet::*member;
};

struct TextDescriptor {
    const char* name;
    const char* defaultText;
    ValueKind kind;
    float ParameterSet::*floatMember; // set for Float
    int ParameterSet::*intMember;     // set for Int and IntTruncated
};

class ParameterSet {
public:
    ParameterSet(); // the defaults, values included

    // Block 1: choice flags, each 0 or 1, named after their radio buttons.
#define LOOPCRAFT_X(name, def, group) int name = def;
    LOOPCRAFT_FLAGS(LOOPCRAFT_X)
#undef LOOPCRAFT_X

    // Block 3: the value of every text parameter (`ConfigKd` is the value; text(TextId::ConfigKd)
    // is the text the user typed).
#define LOOPCRAFT_X(name, def, kind, type) type name{};
    LOOPCRAFT_TEXTS(LOOPCRAFT_X)
#undef LOOPCRAFT_X

    // Working values kept in the set but never persisted.
    float FiltDesignADPLLf3db = 0;

    // Block 4: display options, their defaults set by setDisplayDefaults(). Colours are
    // 0x00BBGGRR.
    std::uint32_t ColorAxisTickLabels = 0;
    std::uint32_t ColorCurve1 = 0;
    std::uint32_t ColorCurve2 = 0;
    std::uint32_t ColorFrameBackground = 0;
    std::uint32_t ColorGrid = 0;
    std::uint32_t ColorPrinterFont = 0;
    std::array<std::uint32_t, 16> CustomColors{};
    int PenWidthCurve1 = 0;
    int PenWidthCurve2 = 0;
    int AxisFontSize = 0;
    int PrinterFontSize = 0;
    std::string AxisFontName;
    std::string PrinterFontName;
    std::array<int, 4> AxisFontStyle{};    // bold, italic, underline, strike-out
    std::array<int, 4> PrinterFontStyle{}; // bold, italic, underline, strike-out

    // Settings PARAMS.TXT has no line for, kept in LOOPCRAFT.JSON beside it.
    SidecarSettings sidecar;

    // Block 2: the texts, by slot.
    const std::string& text(TextId id) const {
        return mTexts[static_cast<int>(id)];
    }
    // Stores a text without converting it (file reading, defaults). Cut to 11 characters.
    void setTextRaw(TextId id, std::string_view text);

    // Reads `entry` as an edit field would: on success text and value are both stored and
    // true is returned; on failure nothing changes and `message` gets the format error.
    // Typed counts ("int, truncated" slots) take the integer reader.
    bool setEntry(TextId id, std::string_view entry, std::string* message = nullptr);

    int& flag(FlagId id);
    int flag(FlagId id) const;
    // Like clicking a radio button: this flag becomes 1, the others of its group 0.
    void selectFlag(FlagId id);

    // Every flag, text, display option and sidecar setting back to its default (slot 35 and
    // the sidecar's unknown keys keep their content).
    void setDefaults();
    void setDisplayDefaults();

    // Recomputes one value from its text; false with the format message if it does not convert.
    bool recomputeValue(TextId id, std::string* message = nullptr);
    // Recomputes every value: the simulation slots first, then the rest in the fixed start-up
    // order. Stops at the first text that does not convert and returns that slot.
    std::optional<TextId> recomputeAllValues(std::string* message = nullptr);

    // Copies exactly the persisted content (flags, texts, display options) and values.
    bool operator==(const ParameterSet& other) const = default;

private:
    // Converts `text` as `kind`; on success stores the cut text and the value.
    bool convert(TextId id, std::string_view text, std::string* message, EntryKind kind);

    std::array<std::string, kTextCount> mTexts;
};

const FlagDescriptor& flagDescriptor(FlagId id);
const TextDescriptor& textDescriptor(TextId id);
std::optional<FlagId> findFlag(std::string_view name);
std::optional<TextId> findText(std::string_view name);
const char* flagName(FlagId id);
const char* textName(TextId id);

// The order in which start-up recomputes values after the nine simulation slots.
const std::array<TextId, 34>& startupValueOrder();
const std::array<TextId, 9>& simulationValueOrder();

} // namespace loopcraft
