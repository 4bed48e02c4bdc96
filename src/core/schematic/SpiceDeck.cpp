// ngspice decks of the loop filter and of the whole loop.
#include "core/schematic/SpiceDeck.h"

#include "core/base/E24.h"
#include "core/sim/RunStimulus.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <functional>
#include <sstream>

namespace loopcraft {

namespace {

// Gain of the ideal op-amps: high enough that the loop gain of every filter stays above 10^4
// across the swept band, low enough to keep the matrix well conditioned.
constexpr const char* kOpAmpGain = "1e8";
// In the loop's transient the op-amps see the detector's edges; a gain this high still keeps
// their inputs within microvolts, and higher gains make the solver's steps collapse there.
constexpr const char* kLoopOpAmpGain = "1e6";
// The limited op-amp's gain as transconductance (S) times resistance (ohm): kLoopOpAmpGain.
constexpr const char* kLimitedOpAmpGm = "1e-3";
constexpr const char* kLimitedOpAmpR = "1e9";
// Every node gets this resistance to ground: it gives the nodes that only capacitors, a
// current source or an op-amp input hold a DC path for the operating point, and is too large to
// change any response within the band.
constexpr const char* kShunt = "1e12";
// ngspice in batch mode reports a deck without analyses of its own as a failure; the control
// block ends the batch run itself and leaves an interactive session open for plotting.
constexpr const char* kBatchQuit = "if $?batchmode\n  quit 0\nend\n";

// Shortest text that reads back as the same number; SPICE reads exponent notation, and a bare
// number never picks up a scale suffix (a trailing "M" would mean milli).
std::string num(double v) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v,
                                      std::chars_format::general, 9);
    return std::string(buffer.data(), result.ptr);
}
std::string num(float v) {
    std::array<char, 32> buffer{};
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), v);
    return std::string(buffer.data(), result.ptr);
}

const char* filterName(LoopFilter f) {
    switch (f) {
    case LoopFilter::PassiveLL:
        return "passive lead-lag";
    case LoopFilter::ActiveLL:
        return "active lead-lag";
    case LoopFilter::ActivePI:
        return "active PI";
    }
    return "";
}

const char* detectorName(Detector d) {
    switch (d) {
    case Detector::Mul:
        return "multiplier";
    case Detector::Exor:
        return "EXOR";
    case Detector::JK:
        return "JK flip-flop";
    case Detector::PFD:
        return "PFD";
    case Detector::PFD_CP:
        return "PFD with charge pump";
    }
    return "";
}

std::string circuitLine(const FilterCircuit& c) {
    return std::string("Loop filter: ") + filterName(c.filter) + ", PLL order " +
           std::to_string(c.filterOrder + 1) + ", " +
           (c.chargePump ? "driven by the charge pump's current" : "driven by a voltage") + " (" +
           c.file + ")";
}

const char* roundingLine(DeckValues rounding) {
    return rounding == DeckValues::E24 ? "* Values: rounded to the E24 series\n"
                                       : "* Values: as designed (not rounded)\n";
}

// The resistors and capacitors, with the nets `node` gives them; `ic` appends an initial
// condition of 0 V to every capacitor.
void writePassiveParts(std::ostream& out, const FilterCircuit& c, const DeckPartValues& values,
                       const std::function<std::string(const std::string&)>& node, bool ic) {
    for (const auto& p : c.parts) {
        if (p.kind != PartKind::Resistor && p.kind != PartKind::Capacitor) {
            continue;
        }
        out << p.name << ' ' << node(p.nodes[0]) << ' ' << node(p.nodes[1]) << ' '
            << num(values.at(p.name));
        if (ic && p.kind == PartKind::Capacitor) {
            out << " ic=0";
        }
        out << '\n';
    }
}

} // namespace

std::optional<DeckPartValues> deckPartValues(const FilterCircuit& circuit,
                                             const ComponentInputs& inputs,
                                             const std::vector<ComponentValue>& values,
                                             DeckValues rounding, std::string* why) {
    DeckPartValues result;
    for (const auto& p : circuit.parts) {
        if (p.kind != PartKind::Resistor && p.kind != PartKind::Capacitor) {
            continue;
        }
        std::optional<float> v = partValue(p, inputs, values);
        if (v && rounding == DeckValues::E24) {
            v = roundToE24(*v);
        }
        if (!v || !std::isfinite(*v) || !(*v > 0.0F)) {
            if (why != nullptr) {
                *why = p.designator + " has no positive value: design the filter first";
            }
            return std::nullopt;
        }
        result[p.name] = *v;
    }
    return result;
}

std::string writeAcDeck(const FilterCircuit& c, const DeckPartValues& values,
                        const AcDeckOptions& options) {
    std::ostringstream out;
    out << "* " << (options.title.empty() ? circuitLine(c) : options.title) << '\n';
    if (!options.title.empty()) {
        out << "* " << circuitLine(c) << '\n';
    }
    out << roundingLine(options.rounding);
    const std::string source = c.chargePump ? "I(Icp)" : "V(in)";
    out << "* AC analysis of the transfer function V(out)/" << source
        << (c.chargePump ? " in V/A" : " in V/V") << ": the source is 1 "
        << (c.chargePump ? "A" : "V") << ", so V(out) is the transfer function.\n";
    if (c.inverting) {
        out << "* The circuit inverts (one inverting stage): the loop's filter function is "
               "-V(out).\n";
    }
    const bool opAmps = std::any_of(c.parts.begin(), c.parts.end(),
                                    [](const CircuitPart& p) { return p.kind == PartKind::OpAmp; });
    if (opAmps) {
        out << "* Ideal op-amps are voltage-controlled voltage sources of gain " << kOpAmpGain
            << ": E<name> output 0 non-inverting inverting.\n";
    }
    out << "* Run: ngspice -b FILE (writes " << options.dataFile
        << "), or ngspice FILE and then: plot db(v(out))\n\n";

    const auto same = [](const std::string& n) { return n; };
    for (const auto& p : c.parts) {
        if (p.kind == PartKind::VoltageSource) {
            out << p.name << ' ' << p.nodes[0] << ' ' << p.nodes[1] << " DC 0 AC 1\n";
        } else if (p.kind == PartKind::CurrentSource) {
            // SPICE pushes a source's current out of its second node.
            out << p.name << ' ' << p.nodes[1] << ' ' << p.nodes[0] << " DC 0 AC 1\n";
        }
    }
    writePassiveParts(out, c, values, same, false);
    for (const auto& p : c.parts) {
        if (p.kind == PartKind::OpAmp) {
            out << 'E' << p.name << ' ' << p.nodes[2] << " 0 " << p.nodes[0] << ' ' << p.nodes[1]
                << ' ' << kOpAmpGain << '\n';
        }
    }
    out << ".options rshunt=" << kShunt << "\n\n";

    out << ".control\n"
           "set wr_singlescale\n"
           "set wr_vecnames\n"
           "option numdgt=10\n";
    out << "ac dec " << std::max(1, options.pointsPerDecade) << ' ' << num(options.fStart) << ' '
        << num(options.fStop) << '\n';
    out << "let gain = abs(v(out))\n"
           "let phase_deg = cph(v(out)) * 180 / pi\n";
    out << "wrdata " << options.dataFile << " gain phase_deg\n";
    out << "echo \"frequency, gain and phase of V(out) written to " << options.dataFile << "\"\n";
    out << kBatchQuit << ".endc\n.end\n";
    return out.str();
}

SettledWindow settledWindow(double runTime, double fRef) {
    const double periods = std::max(1.0, std::floor(0.1 * runTime * fRef));
    return {std::max(0.0, runTime - periods / fRef), runTime};
}

std::optional<std::string> writeLoopDeck(const FilterCircuit& c, const DeckPartValues& values,
                                         const ParameterSet& params, const Configuration& config,
                                         const LoopDeckOptions& options, std::string* why) {
    const auto fail = [why](const std::string& text) -> std::optional<std::string> {
        if (why != nullptr) {
            *why = text;
        }
        return std::nullopt;
    };
    if (config.isAdpll() || config.order < 2) {
        return fail("this loop has no filter");
    }
    // The same stimulus and starting state the simulation run sets up from the panel.
    const RunStimulus start = MakeRunStimulus(params, config, options.stimulus);
    const double f0 = start.f0;
    const double fRef = start.fRef;
    const bool scaler = start.scaler;
    const auto nVco = static_cast<double>(start.nVco);
    const auto nDiv = static_cast<double>(start.nDivider);
    const double runTime = params.SimulT;
    if (!(f0 > 0) || !(fRef > 0) || !(nDiv > 0) || !(nVco > 0)) {
        return fail("the reference, oscillator and divider need positive frequencies and ratios");
    }
    if (!(runTime > 0) || !std::isfinite(runTime) || runTime * fRef > 1.0e6) {
        return fail("T must be > 0 and at most a million reference periods");
    }
    const double theta20 = start.theta2;
    const double uMid = start.uMid;
    const bool pulsed = config.detector == Detector::PFD || config.detector == Detector::PFD_CP;
    const SettledWindow window = settledWindow(runTime, fRef);

    std::ostringstream out;
    out << "* " << (options.title.empty() ? "Loopcraft PLL, behavioural" : options.title) << '\n';
    out << "* " << circuitLine(c) << '\n';
    out << roundingLine(options.rounding);
    out << "* Detector: " << detectorName(config.detector)
        << "; oscillator: " << (scaler ? "VCO with divide-by-N" : "VCO") << '\n';
    switch (options.stimulus) {
    case Stimulus::FStep:
        out << "* Stimulus: f-step, the reference runs at f0 + df = " << num(fRef)
            << " Hz from t = 0 while the VCO starts at f0 = " << num(f0) << " Hz\n";
        break;
    case Stimulus::PhiStep:
        out << "* Stimulus: phi-step, the oscillator starts " << num(params.Simuldphi)
            << " degrees behind the reference\n";
        break;
    case Stimulus::NStep:
        out << "* Stimulus: N-step, the divider counts to N + dN = " << num(nDiv)
            << " from t = 0\n";
        break;
    }
    out << "* Transient analysis over T = " << num(runTime)
        << " s. Written: time, the detector output (" << (c.chargePump ? "i(pump) in A" : "V")
        << ") and the control voltage uf; printed: " << kSettledMeasure
        << ", the mean control voltage over the last tenth of the run.\n";
    out << "* Every part the drawing returns to ground returns to the mid-supply node here, the "
           "level the detector swings about, so the filter starts at rest.\n";
    out << "* Run: ngspice -b FILE (writes " << options.dataFile
        << "), or ngspice FILE and then: plot v(uf)\n\n";

    out << ".param f0=" << num(f0) << " fref=" << num(fRef) << " k0=" << num(params.ConfigK0)
        << " umid=" << num(uMid) << '\n';
    out << ".param nvco=" << num(nVco) << " ndiv=" << num(nDiv) << " th20=" << num(theta20) << '\n';
    out << ".param pdsatp=" << num(params.ConfigPDSatP) << " pdsatn=" << num(params.ConfigPDSatN)
        << " vcosatp=" << num(params.ConfigVCOSatP) << " vcosatn=" << num(params.ConfigVCOSatN)
        << '\n';
    if (config.detector == Detector::Mul) {
        out << ".param kd=" << num(params.ConfigKd) << '\n';
    }
    if (c.filter != LoopFilter::PassiveLL) {
        out << ".param lfsatp=" << num(params.ConfigLFSatP)
            << " lfsatn=" << num(params.ConfigLFSatN) << '\n';
    }
    if (c.chargePump) {
        out << ".param ipump=" << num(params.ConfigKp * 2.0 * 3.141592653589793) << '\n';
    }
    out << "\nVmid mid 0 DC {umid}\n";

    out << "\n* Reference phase th1 (rad): rising edges at multiples of 2*pi\n"
           "Bref th1 0 V = 2*pi*fref*time\n";
    out << "* VCO: phi integrates the deviation of its angular frequency from N*2*pi*f0 "
           "(the control voltage clamped to its range, never below 1 % of the centre "
           "frequency)\n"
           "Bvco 0 phi I = max(k0*(min(max(v(uf), vcosatn), vcosatp) - umid), "
           "-0.98*nvco*2*pi*f0)\n"
           "Cvco phi 0 1 ic=0\n";
    out << "* Divider: output phase th2 (rad)\n"
           "Bdiv th2 0 V = (nvco*2*pi*f0*time + v(phi))/ndiv + th20\n";

    const std::string input = c.input;
    const auto loopNode = [&](const std::string& n) -> std::string {
        if (n == c.ground) {
            return "mid";
        }
        if (!pulsed && n == input) {
            return "ud";
        }
        return n;
    };

    out << "\n* Detector\n";
    if (config.detector == Detector::Exor) {
        out << "Bpd ud 0 V = sin(v(th1))*sin(v(th2)) > 0 ? pdsatn : pdsatp\n";
    } else if (config.detector == Detector::Mul) {
        out << "Bpd ud 0 V = min(max(kd*pi/2*sin(v(th1))*sgn(sin(v(th2))) + umid, pdsatn), "
               "pdsatp)\n";
    } else {
        // Edge-triggered: the square waves become logic signals for flip-flops.
        out << "Bsq1 sq1 0 V = sin(v(th1)) > 0 ? 1 : 0\n"
               "Bsq2 sq2 0 V = sin(v(th2)) > 0 ? 1 : 0\n"
               "Vone one 0 DC 1\n"
               "Aadc [sq1 sq2 one] [dref dosc dhigh] adcbridge\n"
               ".model adcbridge adc_bridge(in_low=0.5 in_high=0.5)\n"
               "Alow dlow pulldown\n"
               ".model pulldown d_pulldown\n"
               ".model dff d_dff\n";
        if (config.detector == Detector::JK) {
            out << "* JK flip-flop: set by the reference's rising edge, reset by the "
                   "oscillator's (a 1 ns pulse)\n"
                   "Adly dosc doscn inv1n\n"
                   ".model inv1n d_inverter(rise_delay=1e-9 fall_delay=1e-9)\n"
                   "Akpulse [dosc doscn] dreset and1n\n"
                   ".model and1n d_and(rise_delay=1e-12 fall_delay=1e-12)\n"
                   "Ajk dhigh dref dlow dreset dq dqn dff\n"
                   "Adac [dq] [aq] dacbridge\n"
                   ".model dacbridge dac_bridge(out_low=0 out_high=1)\n"
                   "Bpd ud 0 V = pdsatn + (pdsatp - pdsatn)*v(aq)\n";
        } else {
            out << "* Tri-state PFD: UP set by the reference's rising edge, DOWN by the "
                   "oscillator's; both together reset the pair\n"
                   "Aup dhigh dref dlow drst dup dupn dff\n"
                   "Adn dhigh dosc dlow drst ddn ddnn dff\n"
                   "Arst [dup ddn] drst and1n\n"
                   ".model and1n d_and(rise_delay=1e-9 fall_delay=1e-12)\n"
                   "Adac [dup ddn] [aup adn] dacbridge\n"
                   ".model dacbridge dac_bridge(out_low=0 out_high=1)\n";
            if (c.chargePump) {
                out << "* Charge pump: +ipump while UP, -ipump while DOWN\n"
                       "Bpump 0 "
                    << input
                    << " I = ipump*(v(aup) - v(adn))\n"
                       "Bid id 0 V = ipump*(v(aup) - v(adn))\n";
            } else {
                out << "* The output drives pdsatp while UP, pdsatn while DOWN, and is open "
                       "otherwise\n"
                       "Bpd 0 "
                    << input << " I = 1e3*(v(aup)*(pdsatp - v(" << input
                    << ")) + v(adn)*(pdsatn - v(" << input
                    << ")))\n"
                       "Bud ud 0 V = umid + v(aup)*(pdsatp - umid) + v(adn)*(pdsatn - umid)\n";
            }
        }
    }

    out << "\n* Loop filter\n";
    writePassiveParts(out, c, values, loopNode, true);
    // The active filters' op-amps stop at the filter's output limits, as the simulation's do;
    // the passive filters' unity-gain buffers stay ideal. A limited op-amp is a transconductance
    // into a high resistance (together the gain), clamped at the limits by two diodes of almost
    // no forward voltage, behind a unity buffer: the diodes give the solver a smooth path into
    // and out of the limits where a clamp in a source's expression stalls its iterations at the
    // detector's edges.
    const bool limited = c.filter != LoopFilter::PassiveLL;
    if (limited) {
        out << "* Op-amps: ideal, stopped at the filter's output limits (a transconductance into a "
               "high resistance, clamped by diodes, behind a unity buffer)\n"
               "Vlfhi lfhi 0 DC {lfsatp}\n"
               "Vlflo lflo 0 DC {lfsatn}\n"
               ".model dclamp D(is=1e-15 n=0.002)\n";
    }
    for (const auto& p : c.parts) {
        if (p.kind != PartKind::OpAmp) {
            continue;
        }
        const std::string nonInverting = loopNode(p.nodes[0]);
        const std::string inverting = loopNode(p.nodes[1]);
        const std::string output = loopNode(p.nodes[2]);
        if (limited) {
            const std::string y = "y" + p.name;
            out << 'G' << p.name << " 0 " << y << ' ' << nonInverting << ' ' << inverting << ' '
                << kLimitedOpAmpGm << '\n'
                << "Ro" << p.name << ' ' << y << " 0 " << kLimitedOpAmpR << '\n'
                << "Dh" << p.name << ' ' << y << " lfhi dclamp\n"
                << "Dl" << p.name << " lflo " << y << " dclamp\n"
                << 'E' << p.name << ' ' << output << " 0 " << y << " 0 1\n";
        } else {
            out << 'E' << p.name << ' ' << output << " 0 " << nonInverting << ' ' << inverting
                << ' ' << kLoopOpAmpGain << '\n';
        }
    }
    if (c.inverting) {
        out << "* The filter inverts; in hardware the detector's inputs would be swapped. Here "
               "the control voltage is its output mirrored about mid-supply.\n"
               "Buf uf 0 V = 2*umid - v("
            << loopNode(c.output) << ")\n";
    } else {
        out << "Buf uf 0 V = v(" << loopNode(c.output) << ")\n";
    }
    out << ".options rshunt=" << kShunt << "\n\n";

    // The detector's edges fall between time points and are resolved to one step: 2048 steps a
    // reference period keep that quantisation of the pulse widths to a few per cent of what a
    // frequency step of 1 % makes them.
    const double maxStep = 1.0 / (fRef * 2048.0);
    out << ".control\n"
           "set wr_singlescale\n"
           "set wr_vecnames\n"
           "option numdgt=10\n";
    out << "tran " << num(maxStep) << ' ' << num(runTime) << " 0 " << num(maxStep) << " uic\n";
    out << "meas tran " << kSettledMeasure << " avg v(uf) from=" << num(window.from)
        << " to=" << num(window.to) << '\n';
    out << "wrdata " << options.dataFile << ' ' << (c.chargePump ? "v(id)" : "v(ud)") << " v(uf)\n";
    out << "echo \"time, detector output and control voltage written to " << options.dataFile
        << "\"\n";
    out << kBatchQuit << ".endc\n.end\n";
    return out.str();
}

} // namespace loopcraft
