// Visibility of the design window's controls and its configuration description.
#include "core/design/DesignPanelRules.h"

#include "core/base/FixedNotation.h"

namespace loopcraft {

DesignPanelVisibility ApplyDesignPanelRules(const Configuration& c, PoleKind selected) {
    DesignPanelVisibility v;
    v.Panel2 = !c.isAdpll();
    v.Panel3 = c.isAdpll();

    if (c.order == 1) {
        v.GroupBox2 = false;
        v.ButtonFiltDesignCalcFilterParams = false;
        v.ButtonFiltDesignCalcADPLLParams = c.isAdpll();
    } else {
        v.GroupBox2 = true;
        v.ButtonFiltDesignCalcFilterParams = true;
        v.ButtonFiltDesignCalcADPLLParams = true;
    }

    if (c.order <= 3) {
        v.GroupBox4 = false;
        v.Tau3 = c.order != 2;
    } else {
        v.GroupBox4 = true;
        if (c.filter == LoopFilter::PassiveLL) {
            v.RadioGroup1 = false;
            v.Tau3 = true;
            v.fs = false;
            v.zeta = false;
            v.Tau4 = true;
            v.Tau5 = c.order == 5;
        } else {
            v.RadioGroup1 = true;
            v.Tau3 = c.order == 5;
            const bool real = selected == PoleKind::Real;
            v.Tau4 = real;
            v.Tau5 = real;
            v.fs = !real;
            v.zeta = !real;
        }
    }

    v.Ka = c.order != 1 && c.filter == LoopFilter::ActiveLL;
    v.damping = c.order != 1;

    if (!c.isAdpll() && c.chargePump()) {
        v.C1 = true;
        v.Tau1 = c.filter == LoopFilter::ActiveLL;
    } else {
        v.C1 = false;
        v.Tau1 = true;
    }
    return v;
}

ConfigurationMemos DescribeConfiguration(const ParameterSet& p, const Configuration& c) {
    ConfigurationMemos m;
    if (c.isAdpll()) {
        m.memo1 = "PLL type: ADPLL\r\n";
        m.memo1 += c.adpllDetector == AdpllDetector::Exor ? "PD type: Exor\r\n"
                                                          : "PD type: JK-Flipflop\r\n";
        m.memo1 += "Loop filter: K counter\r\n";
        m.memo1 += "Divide-by-N ratio N: " + std::to_string(p.FiltDesignN);
        m.memo2 = "Center frequency: " + formatFixed(p.ConfigADPLLf0, 6, 1) + " Hz\r\n";
        return m;
    }
    m.memo1 = "PLL type: Mixed Signal\r\n";
    switch (c.detector) {
    case Detector::Mul:
        m.memo1 += "PD type: Multiplier\r\n";
        break;
    case Detector::Exor:
        m.memo1 += "PD type: Exor\r\n";
        break;
    case Detector::JK:
        m.memo1 += "PD type: JK-Flipflop\r\n";
        break;
    case Detector::PFD:
        m.memo1 += "PD type: PFD\r\n";
        break;
    case Detector::PFD_CP:
        m.memo1 += "PD type: PFD with Charge Pump\r\n";
        break;
    }
    switch (c.filter) {
    case LoopFilter::PassiveLL:
        m.memo1 += "LF type: passive lead-lag\r\n";
        break;
    case LoopFilter::ActiveLL:
        m.memo1 += "LF type: active lead-lag\r\n";
        break;
    case LoopFilter::ActivePI:
        m.memo1 += "LF type: active PI\r\n";
        break;
    }
    m.memo1 += c.oscillator == Oscillator::VCO ? "Oscillator type: VCO\r\n"
                                               : "Oscillator with down counter";
    m.memo2 = "Center frequency: " + formatFixed(p.ConfigLDPLLf0, 6, 1) + " Hz\r\n";
    m.memo2 += "PLL order: " + std::to_string(c.order) + "\r\n";
    if (c.oscillator == Oscillator::VCOScaler) {
        m.memo2 += "Divide-by-N counter scale factor N = " + std::to_string(p.ConfigN);
    }
    return m;
}

} // namespace loopcraft
