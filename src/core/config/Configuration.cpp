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

const std::array<ConfigRadio, 19>& configRadios() {
#define LOOPCRAFT_RADIO(name)                                                                      \
    ConfigRadio {                                                                                  \
        FlagId::name, &ConfigRadioStates::name                                                     \
    }
    static const std::array<ConfigRadio, 19> radios = {
        LOOPCRAFT_RADIO(rbConfigDPLL),      LOOPCRAFT_RADIO(rbConfigADPLL),
        LOOPCRAFT_RADIO(rbConfigPLLOrder1), LOOPCRAFT_RADIO(rbConfigPLLOrder2),
        LOOPCRAFT_RADIO(rbConfigPLLOrder3), LOOPCRAFT_RADIO(rbConfigPLLOrder4),
        LOOPCRAFT_RADIO(rbConfigPLLOrder5), LOOPCRAFT_RADIO(rbConfigLPLLMul),
        LOOPCRAFT_RADIO(rbConfigDPLLExor),  LOOPCRAFT_RADIO(rbConfigDPLLJK),
        LOOPCRAFT_RADIO(rbConfigDPLLPFD),   LOOPCRAFT_RADIO(rbConfigDPLLPFD_CP),
        LOOPCRAFT_RADIO(rbConfigPassiveLL), LOOPCRAFT_RADIO(rbConfigActiveLL),
        LOOPCRAFT_RADIO(rbConfigActivePI),  LOOPCRAFT_RADIO(rbConfigVCO),
        LOOPCRAFT_RADIO(rbConfigVCOScaler), LOOPCRAFT_RADIO(rbConfigADPLLExor),
        LOOPCRAFT_RADIO(rbConfigADPLLJK),
    };
#undef LOOPCRAFT_RADIO
    return radios;
}

ConfigRadioStates LoadConfigFlags(const ParameterSet& p) {
    ConfigRadioStates r;
    for (const ConfigRadio& radio : configRadios())
        r.*radio.state = p.flag(radio.flag) != 0;
    return r;
}

void StoreConfigFlags(const ConfigRadioStates& r, ParameterSet& p) {
    for (const ConfigRadio& radio : configRadios())
        p.flag(radio.flag) = r.*radio.state ? 1 : 0;
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

std::optional<Message> ValidateConfiguration(const ParameterSet& p) {
    auto broken = [](const char* message, TextId field) {
        Message v;
        v.title = kIllegalEntryTitle;
        v.text = message;
        v.field = field;
        return std::optional<Message>(v);
    };
    if (Configuration::fromFlags(p).isAdpll()) {
        if (!(p.ConfigADPLLf0 > 0))
            return broken("f0 must be positive", TextId::ConfigADPLLf0);
        return std::nullopt;
    }
    // Written as "passes when" so that a NaN value, should one ever reach here, fails.
    if (!(p.ConfigUSupP >= p.ConfigUSupN))
        return broken("U+ must be larger than U-", TextId::ConfigUSupP);
    if (!(p.ConfigLDPLLf0 > 0))
        return broken("f0 must be positive", TextId::ConfigLDPLLf0);
    if (!(p.ConfigKd > 0))
        return broken("Kd must be positive", TextId::ConfigKd);
    if (!(p.ConfigKp > 0))
        return broken("Kp must bne positive", TextId::ConfigKp);
    if (!(p.ConfigPDSatP >= p.ConfigPDSatN))
        return broken("USat+ must be larger than USat-", TextId::ConfigPDSatP);
    if (!(p.ConfigPDSatP <= p.ConfigUSupP))
        return broken("USat+ must be smaller than U+", TextId::ConfigPDSatP);
    if (!(p.ConfigPDSatN >= p.ConfigUSupN))
        return broken("USat- must be larger than U-", TextId::ConfigPDSatN);
    if (!(p.ConfigLFSatP >= p.ConfigLFSatN))
        return broken("USat+ must be larger than USat-", TextId::ConfigLFSatP);
    if (!(p.ConfigLFSatP <= p.ConfigUSupP))
        return broken("USat+ must be smaller than U+", TextId::ConfigLFSatP);
    if (!(p.ConfigLFSatN >= p.ConfigUSupN))
        return broken("USat- must be larger than U-", TextId::ConfigLFSatN);
    if (!(p.ConfigVCOSatP >= p.ConfigVCOSatN))
        return broken("USat+ must be larger than USat-", TextId::ConfigVCOSatP);
    if (!(p.ConfigVCOSatP <= p.ConfigUSupP))
        return broken("USat+ must be smaller than U+", TextId::ConfigVCOSatP);
    if (!(p.ConfigVCOSatN >= p.ConfigUSupN))
        return broken("USat- must be larger than U-", TextId::ConfigVCOSatN);
    if (!(p.ConfigK0 > 0))
        return broken("K0 must be positive", TextId::ConfigK0);
    if (!(p.ConfigN >= 1))
        return broken("N must be positive", TextId::ConfigN);
    return std::nullopt;
}

} // namespace loopcraft
