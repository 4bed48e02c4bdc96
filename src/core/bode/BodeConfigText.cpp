// Configuration texts of the Bode window.
#include "core/bode/BodeConfigText.h"

#include "core/base/FixedNotation.h"

namespace loopcraft {

namespace {

std::string centreFrequencyLine(float f0) {
    return "Center frequency: " + formatFixed(f0, 6, 1) + " Hz\r\n";
}

const char* detectorLine(Detector detector) {
    switch (detector) {
    case Detector::Exor:
        return "PD type: Exor\r\n";
    case Detector::JK:
        return "PD type: JK-Flipflop\r\n";
    case Detector::PFD:
        return "PD type: PFD\r\n";
    case Detector::Mul:
        return "PD type: Multiplier\r\n";
    case Detector::PFD_CP:
        break;
    }
    return ""; // the charge-pump detector has no line of its own
}

const char* filterLine(LoopFilter filter) {
    switch (filter) {
    case LoopFilter::ActiveLL:
        return "LF type: active lead-lag\r\n";
    case LoopFilter::ActivePI:
        return "LF type: active PI\r\n";
    case LoopFilter::PassiveLL:
        break;
    }
    return "LF type: passive lead-lag\r\n";
}

} // namespace

BodeConfigText MakeBodeConfigText(const ParameterSet& params, const Configuration& config) {
    BodeConfigText text;
    if (config.isAdpll()) {
        text.memo1 = "PLL type: ADPLL\r\n";
        text.memo1 += config.adpllDetector == AdpllDetector::JK ? "PD type: JK-Flipflop\r\n"
                                                                : "PD type: Exor\r\n";
        text.memo1 += "Loop filter: K counter\r\n";
        text.memo1 += "Divide-by-N ratio N: " + std::to_string(params.FiltDesignN);
        // The all-digital loop has a centre frequency of its own.
        text.memo2 = centreFrequencyLine(params.ConfigADPLLf0);
        return text;
    }
    text.memo1 = config.detector == Detector::Mul ? "PLL type: LPLL\r\n" : "PLL type: DPLL\r\n";
    text.memo1 += detectorLine(config.detector);
    text.memo1 += filterLine(config.filter);
    text.memo1 += config.oscillator == Oscillator::VCOScaler ? "Oscillator with down counter"
                                                             : "Oscillator type: VCO\r\n";
    text.memo2 = centreFrequencyLine(params.ConfigLDPLLf0);
    text.memo2 += "PLL order: " + std::to_string(config.order) + "\r\n";
    if (config.oscillator == Oscillator::VCOScaler) {
        text.memo2 += "Divide-by-N counter scale factor N = " + std::to_string(params.ConfigN);
    }
    return text;
}

} // namespace loopcraft
