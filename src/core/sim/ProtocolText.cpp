#include "core/sim/ProtocolText.h"

namespace loopcraft {

std::vector<std::string> ProtocolLines(const ParameterSet& params, const Configuration& config,
                                       Stimulus stimulus, bool addNoise, std::uint32_t noiseSeed,
                                       const ProtocolTimestamp& when) {
    std::vector<std::string> lines;
    if (params.rbConfigDPLL != 0)
        lines.emplace_back("Mixed Signal PLL Simulation\n\r");
    if (params.rbConfigADPLL != 0)
        lines.emplace_back("ADPLL Simulation\n\r");

    lines.push_back(std::to_string(when.day) + "-" + std::to_string(when.month) + "-" +
                    std::to_string(when.year) + "  " + std::to_string(when.hour) + ":" +
                    std::to_string(when.minute) + "\r\n");

    const bool adpll = config.isAdpll();
    if (adpll) {
        lines.emplace_back(config.adpllDetector == AdpllDetector::Exor ? "PD = EXOR\r\n"
                                                                       : "PD = JK-Flipflop\r\n");
        lines.emplace_back("LF = K-Counter\r\n");
        lines.emplace_back("OSC = I/D-Counter\r\n");
    } else {
        switch (config.detector) {
        case Detector::Mul:
            lines.emplace_back("PD = Multiplier\r\n");
            break;
        case Detector::Exor:
            lines.emplace_back("PD = EXOR\r\n");
            break;
        case Detector::JK:
            lines.emplace_back("PD = JK-Flipflop\r\n");
            break;
        case Detector::PFD:
            lines.emplace_back("PD = Phase-Frequency Detector\r\n");
            break;
        case Detector::PFD_CP:
            lines.emplace_back("PD = Phase-Frequency Detector with Charge Pump\r\n");
            break;
        }
        switch (config.filter) {
        case LoopFilter::PassiveLL:
            lines.emplace_back("LF = passive lag\r\n");
            break;
        case LoopFilter::ActiveLL:
            lines.emplace_back("LF = active lag\r\n");
            break;
        case LoopFilter::ActivePI:
            lines.emplace_back("LF = active PI\r\n");
            break;
        }
        if (config.oscillator == Oscillator::VCO)
            lines.emplace_back("OSC = VCO\r\n");
        else
            lines.push_back("OSC = VCO + prescaler, division ratio = " +
                            std::to_string(params.ConfigN) + "\r\n");
    }

    lines.push_back("Center frequency = " + params.text(TextId::Simulf0) + " Hz\r\n");
    switch (stimulus) {
    case Stimulus::FStep:
        lines.push_back("Response on frequency step " + params.text(TextId::Simuldf) + " Hz\r\n");
        break;
    case Stimulus::PhiStep:
        lines.push_back("Response on phase step " + params.text(TextId::Simuldphi) + " deg");
        break;
    case Stimulus::NStep:
        lines.push_back("Response on change of divider ratio dN = " + params.text(TextId::SimuldN) +
                        "\r\n");
        break;
    }
    if (addNoise) {
        lines.push_back("SNR(db) = " + params.text(TextId::SimulSNR) + " db");
        lines.push_back("NoiseBW(rel) = " + params.text(TextId::SimulNoiseBW));
        lines.push_back("Noise seed = " + std::to_string(noiseSeed));
    } else {
        lines.emplace_back("No noise added");
    }
    return lines;
}

} // namespace loopcraft
