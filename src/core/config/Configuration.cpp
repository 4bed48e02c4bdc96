// Configuration choices from flags and radio buttons, and the configuration dialog's rules.
#include "core/config/Configuration.h"

#include <array>

namespace loopcraft {
namespace {

// The index of the first set flag of a group, or `fallback` when none is set. A hand-edited
// file may set no flag or several; this reading is deterministic and matches the order in
// which the radio buttons are listed.
template <std::size_t N>
int firstSet(const ParameterSet& p, const std::array<FlagId, N>& group, int fallback) {
    for (std::size_t i = 0; i < N; ++i)
        if (p.flag(group[i]) != 0)
            return static_cast<int>(i);
    return fallback;
}

template <std::size_t N> int firstChecked(const std::array<bool, N>& group, int fallback) {
    for (std::size_t i = 0; i < N; ++i)
        if (group[i])
            return static_cast<int>(i);
    return fallback;
}

} // namespace

Configuration Configuration::fromFlags(const ParameterSet& p) {
    Configuration c;
    c.category = firstSet(p, std::array{FlagId::rbConfigDPLL, FlagId::rbConfigADPLL}, 0) == 1
                     ? Category::Adpll
                     : Category::MixedSignal;
    c.order = 1 + firstSet(p,
                           std::array{FlagId::rbConfigPLLOrder1, FlagId::rbConfigPLLOrder2,
                                      FlagId::rbConfigPLLOrder3, FlagId::rbConfigPLLOrder4,
                                      FlagId::rbConfigPLLOrder5},
                           1);
    c.detector = static_cast<Detector>(firstSet(
        p,
        std::array{FlagId::rbConfigLPLLMul, FlagId::rbConfigDPLLExor, FlagId::rbConfigDPLLJK,
                   FlagId::rbConfigDPLLPFD, FlagId::rbConfigDPLLPFD_CP},
        1));
    c.filter = static_cast<LoopFilter>(firstSet(
        p,
        std::array{FlagId::rbConfigPassiveLL, FlagId::rbConfigActiveLL, FlagId::rbConfigActivePI},
        0));
    c.oscillator = static_cast<Oscillator>(
        firstSet(p, std::array{FlagId::rbConfigVCO, FlagId::rbConfigVCOScaler}, 0));
    c.adpllDetector = static_cast<AdpllDetector>(
        firstSet(p, std::array{FlagId::rbConfigADPLLExor, FlagId::rbConfigADPLLJK}, 0));
    c.poleKind = static_cast<PoleKind>(firstSet(
        p, std::array{FlagId::rbFiltDesignRealPoles, FlagId::rbFiltDesignComplexPoles}, 1));
    return c;
}

Configuration Configuration::fromRadioStates(const ConfigRadioStates& r, PoleKind poleKind) {
    Configuration c;
    c.category = firstChecked(std::array{r.rbConfigDPLL, r.rbConfigADPLL}, 0) == 1
                     ? Category::Adpll
                     : Category::MixedSignal;
    c.order =
        1 + firstChecked(std::array{r.rbConfigPLLOrder1, r.rbConfigPLLOrder2, r.rbConfigPLLOrder3,
                                    r.rbConfigPLLOrder4, r.rbConfigPLLOrder5},
                         1);
    c.detector = static_cast<Detector>(
        firstChecked(std::array{r.rbConfigLPLLMul, r.rbConfigDPLLExor, r.rbConfigDPLLJK,
                                r.rbConfigDPLLPFD, r.rbConfigDPLLPFD_CP},
                     1));
    c.filter = static_cast<LoopFilter>(
        firstChecked(std::array{r.rbConfigPassiveLL, r.rbConfigActiveLL, r.rbConfigActivePI}, 0));
    c.oscillator =
        static_cast<Oscillator>(firstChecked(std::array{r.rbConfigVCO, r.rbConfigVCOScaler}, 0));
    c.adpllDetector = static_cast<AdpllDetector>(
        firstChecked(std::array{r.rbConfigADPLLExor, r.rbConfigADPLLJK}, 0));
    c.poleKind = poleKind;
    return c;
}

#define LOOPCRAFT_CONFIG_RADIOS(X)                                                                 \
    X(rbConfigDPLL)                                                                                \
    X(rbConfigADPLL)                                                                               \
    X(rbConfigPLLOrder1)                                                                           \
    X(rbConfigPLLOrder2)                                                                           \
    X(rbConfigPLLOrder3)                                                                           \
    X(rbConfigPLLOrder4)                                                                           \
    X(rbConfigPLLOrder5)                                                                           \
    X(rbConfigLPLLMul)                                                                             \
    X(rbConfigDPLLExor)                                                                            \
    X(rbConfigDPLLJK)                                                                              \
    X(rbConfigDPLLPFD)                                                                             \
    X(rbConfigDPLLPFD_CP)                                                                          \
    X(rbConfigPassiveLL)                                                                           \
    X(rbConfigActiveLL)                                                                            \
    X(rbConfigActivePI)                                                                            \
    X(rbConfigVCO)                                                                                 \
    X(rbConfigVCOScaler)                                                                           \
    X(rbConfigADPLLExor)                                                                           \
    X(rbConfigADPLLJK)

ConfigRadioStates LoadConfigFlags(const ParameterSet& p) {
    ConfigRadioStates r;
#define LOOPCRAFT_X(name) r.name = p.name != 0;
    LOOPCRAFT_CONFIG_RADIOS(LOOPCRAFT_X)
#undef LOOPCRAFT_X
    return r;
}

void StoreConfigFlags(const ConfigRadioStates& r, ParameterSet& p) {
#define LOOPCRAFT_X(name) p.name = r.name ? 1 : 0;
    LOOPCRAFT_CONFIG_RADIOS(LOOPCRAFT_X)
#undef LOOPCRAFT_X
}

ConfigVisibility ApplyConfigRules(const ConfigRadioStates& r) {
    ConfigVisibility v;
    // 1. category
    v.Panel2 = !r.rbConfigADPLL;
    v.Panel3 = r.rbConfigADPLL;
    // 2.-4. detector gain and saturation fields
    if (r.rbConfigLPLLMul) {
        v.Kd = true;
        v.Kp = false;
    }
    if (r.rbConfigDPLLExor || r.rbConfigDPLLJK || r.rbConfigDPLLPFD) {
        v.Kd = false;
        v.Kp = false;
    }
    if (r.rbConfigDPLLPFD_CP) {
        v.Kd = false;
        v.Kp = true;
        v.PDSat = false;
    } else {
        v.PDSat = true;
    }
    // 5. the PFD kinds have no first-order loop
    if (r.rbConfigDPLLPFD || r.rbConfigDPLLPFD_CP) {
        v.switchOrder1To2 = r.rbConfigPLLOrder1;
        v.rbConfigPLLOrder1 = false;
    } else {
        v.rbConfigPLLOrder1 = true;
    }
    // 6.-8.
    v.LFSat = !r.rbConfigPassiveLL;
    v.N = !r.rbConfigVCO;
    // A first-order loop has no filter; after a forced switch the order is 2.
    v.GroupBox4 = !(r.rbConfigPLLOrder1 && !v.switchOrder1To2);
    return v;
}

std::vector<std::pair<std::string, bool>> ConfigVisibility::byObjectName() const {
    std::vector<std::pair<std::string, bool>> out = {
        {"Panel2", Panel2},
        {"Panel3", Panel3},
        {"EditConfigKd", Kd},
        {"stConfigKd", Kd},
        {"EditConfigKp", Kp},
        {"stConfigKp", Kp},
        {"EditConfigPDSatP", PDSat},
        {"stConfigPDSatP", PDSat},
        {"EditConfigPDSatN", PDSat},
        {"stConfigPDSatN", PDSat},
        {"EditConfigLFSatP", LFSat},
        {"stConfigLFSatP", LFSat},
        {"EditConfigLFSatN", LFSat},
        {"stConfigLFSatN", LFSat},
        {"EditConfigN", N},
        {"stConfigN", N},
        {"rbConfigPLLOrder1", rbConfigPLLOrder1},
        {"GroupBox4", GroupBox4},
    };
    return out;
}

std::optional<Message> ValidateConfiguration(const ParameterSet& p) {
    auto broken = [](const char* message, const char* field) {
        Message v;
        v.title = kIllegalEntryTitle;
        v.text = message;
        v.focusField = std::string("Edit") + field;
        v.labelField = std::string("st") + field;
        return std::optional<Message>(v);
    };
    if (Configuration::fromFlags(p).isAdpll()) {
        if (!(p.ConfigADPLLf0 > 0))
            return broken("f0 must be positive", "ConfigADPLLf0");
        return std::nullopt;
    }
    // Written as "passes when" so that a NaN value, should one ever reach here, fails.
    if (!(p.ConfigUSupP >= p.ConfigUSupN))
        return broken("U+ must be larger than U-", "ConfigUSupP");
    if (!(p.ConfigLDPLLf0 > 0))
        return broken("f0 must be positive", "ConfigLDPLLf0");
    if (!(p.ConfigKd > 0))
        return broken("Kd must be positive", "ConfigKd");
    if (!(p.ConfigKp > 0))
        return broken("Kp must bne positive", "ConfigKp");
    if (!(p.ConfigPDSatP >= p.ConfigPDSatN))
        return broken("USat+ must be larger than USat-", "ConfigPDSatP");
    if (!(p.ConfigPDSatP <= p.ConfigUSupP))
        return broken("USat+ must be smaller than U+", "ConfigPDSatP");
    if (!(p.ConfigPDSatN >= p.ConfigUSupN))
        return broken("USat- must be larger than U-", "ConfigPDSatN");
    if (!(p.ConfigLFSatP >= p.ConfigLFSatN))
        return broken("USat+ must be larger than USat-", "ConfigLFSatP");
    if (!(p.ConfigLFSatP <= p.ConfigUSupP))
        return broken("USat+ must be smaller than U+", "ConfigLFSatP");
    if (!(p.ConfigLFSatN >= p.ConfigUSupN))
        return broken("USat- must be larger than U-", "ConfigLFSatN");
    if (!(p.ConfigVCOSatP >= p.ConfigVCOSatN))
        return broken("USat+ must be larger than USat-", "ConfigVCOSatP");
    if (!(p.ConfigVCOSatP <= p.ConfigUSupP))
        return broken("USat+ must be smaller than U+", "ConfigVCOSatP");
    if (!(p.ConfigVCOSatN >= p.ConfigUSupN))
        return broken("USat- must be larger than U-", "ConfigVCOSatN");
    if (!(p.ConfigK0 > 0))
        return broken("K0 must be positive", "ConfigK0");
    if (!(p.ConfigN >= 1))
        return broken("N must be positive", "ConfigN");
    return std::nullopt;
}

} // namespace loopcraft
