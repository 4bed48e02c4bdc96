// The configuration model: what kind of PLL is designed and simulated, as enums built from the
// choice flags, and the pure rules of the configuration dialog (what it shows, what it refuses).
#pragma once

#include "core/base/Message.h"
#include "core/base/ParameterSet.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

enum class Category { MixedSignal, Adpll };
enum class Detector { Mul, Exor, JK, PFD, PFD_CP };
enum class LoopFilter { PassiveLL, ActiveLL, ActivePI };
enum class Oscillator { VCO, VCOScaler };
enum class AdpllDetector { Exor, JK };
enum class PoleKind { Real, Complex };

// Checked states of the 19 configuration radio buttons, in the flags' order.
struct ConfigRadioStates {
    bool rbConfigDPLL = true;
    bool rbConfigADPLL = false;
    bool rbConfigPLLOrder1 = false;
    bool rbConfigPLLOrder2 = true;
    bool rbConfigPLLOrder3 = false;
    bool rbConfigPLLOrder4 = false;
    bool rbConfigPLLOrder5 = false;
    bool rbConfigLPLLMul = false;
    bool rbConfigDPLLExor = true;
    bool rbConfigDPLLJK = false;
    bool rbConfigDPLLPFD = false;
    bool rbConfigDPLLPFD_CP = false;
    bool rbConfigPassiveLL = true;
    bool rbConfigActiveLL = false;
    bool rbConfigActivePI = false;
    bool rbConfigVCO = true;
    bool rbConfigVCOScaler = false;
    bool rbConfigADPLLExor = true;
    bool rbConfigADPLLJK = false;

    bool operator==(const ConfigRadioStates&) const = default;
};

struct Configuration {
    Category category = Category::MixedSignal;
    int order = 2; // 1..5
    Detector detector = Detector::Exor;
    LoopFilter filter = LoopFilter::PassiveLL;
    Oscillator oscillator = Oscillator::VCO;
    AdpllDetector adpllDetector = AdpllDetector::Exor;
    PoleKind poleKind = PoleKind::Complex;

    // Reads the flags. A group whose flags a hand-edited file left all 0 takes its default;
    // a group with several flags set takes the first one set, in the flags' order.
    static Configuration fromFlags(const ParameterSet& params);
    static Configuration fromRadioStates(const ConfigRadioStates& radios, PoleKind poleKind);

    bool isAdpll() const { return category == Category::Adpll; }
    bool chargePump() const { return detector == Detector::PFD_CP; }

    bool operator==(const Configuration&) const = default;
};

// The 19 configuration radio buttons in the flags' order: each one's flag (named like the button)
// and its member in ConfigRadioStates. Flags, states and the dialog's buttons are matched by this
// one list.
struct ConfigRadio {
    FlagId flag;
    bool ConfigRadioStates::*state;
};
const std::array<ConfigRadio, 19>& configRadios();

// Radio buttons from the flags (a button is checked when its flag is non-zero).
ConfigRadioStates LoadConfigFlags(const ParameterSet& params);
// Flags from the radio buttons: 1 when checked, 0 otherwise.
void StoreConfigFlags(const ConfigRadioStates& radios, ParameterSet& params);

// What the configuration dialog shows. Each field flag covers the edit and its "st" label.
struct ConfigVisibility {
    bool Panel2 = true;  // mixed-signal part
    bool Panel3 = false; // ADPLL part
    bool Kd = false;
    bool Kp = false;
    bool PDSat = true; // ConfigPDSatP and ConfigPDSatN
    bool LFSat = true; // ConfigLFSatP and ConfigLFSatN
    bool N = false;
    bool rbConfigPLLOrder1 = true;
    bool GroupBox4 = true;
    // The one choice the rules change: a PFD kind with order 1 moves to order 2.
    bool switchOrder1To2 = false;

    bool operator==(const ConfigVisibility&) const = default;
};

// The dialog's rules, evaluated in order on the current radio states. If the result asks for
// switchOrder1To2, the caller checks order 2 and evaluates again.
ConfigVisibility ApplyConfigRules(const ConfigRadioStates& radios);

// The configuration dialog's validation table: the first broken rule, or nothing. The category
// is taken from the flags (stored before validation).
std::optional<Message> ValidateConfiguration(const ParameterSet& params);

} // namespace loopcraft
