#include "core/report/ReportSession.h"

#include "core/base/E24.h"
#include "core/base/FixedNotation.h"
#include "core/design/DesignPanelRules.h"
#include "core/design/LoopFigures.h"
#include "core/noise/NoisePlotAxes.h"

#include <cmath>
#include <cstdio>
#include <sstream>

namespace loopcraft {
namespace {

std::string figureText(const std::optional<float>& v, int decimals, const char* unit) {
    if (!v) {
        return "-";
    }
    std::string text = formatFixed(*v, 12, decimals);
    const auto first = text.find_first_not_of(' ');
    text = first == std::string::npos ? text : text.substr(first);
    return unit[0] != '\0' ? text + " " + unit : text;
}

void appendLines(std::vector<std::string>& lines, const std::string& text) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
}

} // namespace

ReportSession::ReportSession(ParameterSet& params)
    : mParams(params), mConfig(Configuration::fromFlags(params)), mBode(mParams) {}

std::optional<Message> ReportSession::Prepare(const SimulationProgress& progress) {
    mDesign = std::make_unique<DesignSession>(mParams);
    const DesignOutcome opened = mDesign->PrepareDesignWindow();
    if (!opened.ok) {
        return opened.message.value_or(Message{});
    }
    mConfig = mDesign->configuration();
    collectTexts(opened);

    // The stored loop, the one the design window opened on.
    if (const BodeRun bode = mBode.ComputeStored(); bode.error) {
        return bode.error;
    }

    mSchematic = std::make_unique<SchematicSession>(mParams);
    if (const SchematicOutcome s = mSchematic->ShowSchematic(); !s.ok) {
        return s.message.value_or(Message{});
    }

    // The panel as it opens, but for the run length the user stored.
    mState = std::make_unique<SimState>();
    mSimulation = std::make_unique<SimulationSession>(mParams, *mState);
    mSimulation->OpenWithStoredT();
    if (const SimulationOutcome run = mSimulation->Run(progress); !run.ok) {
        return run.message.value_or(
            Message{"", "The simulation did not start.", std::nullopt, false, false});
    }
    analyzeNoise(phaseNoiseSettingsFrom(mParams.sidecar));
    return std::nullopt;
}

void ReportSession::analyzeNoise(const PhaseNoiseSettings& settings) {
    mNoiseSettings = settings;
    mNoise = {};
    const PhaseNoiseLoopBuild build = phaseNoiseLoopFrom(mParams, settings.e24Values);
    if (!build.loop) {
        mNoise.error = build.error;
        return;
    }
    mNoise = analyzePhaseNoise(*build.loop, settings);
}

std::vector<ReportItem> ReportSession::noiseFigures() const {
    std::vector<ReportItem> items;
    if (!mNoise.result)
        return {{"Phase noise", mNoise.error.empty() ? std::string("-") : mNoise.error}};
    for (const std::string& line : noiseFigureLines(mNoise.result->figures)) {
        const auto colon = line.find(": ");
        if (colon == std::string::npos)
            items.push_back({line, ""});
        else
            items.push_back({line.substr(0, colon), line.substr(colon + 2)});
    }
    return items;
}

std::vector<ReportItem> ReportSession::noiseSources() const {
    const PhaseNoiseSettings& s = mNoiseSettings;
    const auto table = [](const NoiseTable& t) {
        std::string text;
        for (const NoisePoint& p : t) {
            if (!text.empty())
                text += ", ";
            text += engineeringText(p.offset, "Hz") + ": " + std::to_string(std::lround(p.dbc));
        }
        return text + " dBc/Hz";
    };
    const auto db = [](double v, const char* unit) {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "%g %s", v, unit);
        return std::string(buffer);
    };
    std::vector<ReportItem> items = {{"Reference", table(s.reference)},
                                     {"Free-running oscillator", table(s.oscillator)}};
    if (s.detectorFromFom)
        items.push_back({"Charge pump figure of merit", db(s.detectorFom, "dBc/Hz")});
    else
        items.push_back({"Detector floor", db(s.detectorFloor, "dBc/Hz")});
    items.push_back({"Detector 1/f corner", db(s.detectorCorner, "Hz")});
    items.push_back({"Divider floor", db(s.dividerFloor, "dBc/Hz")});
    items.push_back({"Filter resistors", db(s.temperature, "K") +
                                             (s.e24Values ? ", E24 values" : ", designed values")});
    items.push_back({"Op-amp input noise", db(s.opAmpNoise, "nV/sqrt(Hz)")});
    return items;
}

void ReportSession::collectTexts(const DesignOutcome& opened) {
    const DesignFigures& f = opened.figures;
    mFigures.clear();
    mEntries.clear();
    const DesignWindowModel& w = mDesign->window();
    const auto entry = [&](const char* name, DesignField field, const std::string& unit) {
        std::string text = w.entry(field);
        const auto first = text.find_first_not_of(' ');
        text = first == std::string::npos ? std::string() : text.substr(first);
        mEntries.push_back({name, unit.empty() || text.empty() ? text : text + " " + unit});
    };
    if (mConfig.isAdpll()) {
        mFigures = {{"Hold range fH", figureText(f.fH, 1, "Hz")},
                    {"3-dB frequency f3db", figureText(f.adpllF3db, 1, "Hz")}};
        entry("Hold range fH", DesignField::ADPLLfH, "Hz");
        entry("M (reference divider)", DesignField::M, "");
        entry("K (K counter)", DesignField::K, "");
        entry("N (divider)", DesignField::N, "");
        return;
    }
    std::string margin = figureText(f.phaseMarginDeg, 1, "deg");
    if (f.phaseMarginDeg) {
        margin = MarkUnstable(margin, *f.phaseMarginDeg);
    }
    mFigures = {{"3-dB frequency f3db", figureText(f.f3db, 1, "Hz")},
                {"Gain crossover", figureText(f.gainCrossover, 1, "Hz")},
                {"Phase margin", margin},
                {"Natural frequency omegaN", figureText(f.omegaN, 1, "rad/s")},
                {"Damping zeta", figureText(f.zeta, 3, "")}};
    const DesignPanelVisibility v = mDesign->ApplyDesignPanelRules();
    if (v.Ka) {
        entry("Gain Ka", DesignField::Ka, "");
    }
    const std::pair<bool, std::pair<const char*, DesignField>> taus[] = {
        {v.Tau1, {"tau1", DesignField::Tau1}},
        {true, {"tau2", DesignField::Tau2}},
        {v.Tau3, {"tau3", DesignField::Tau3}},
        {v.Tau4, {"tau4", DesignField::Tau4}},
        {v.Tau5, {"tau5", DesignField::Tau5}}};
    for (const auto& [shown, tau] : taus) {
        if (shown) {
            entry(tau.first, tau.second, "s");
        }
    }
    if (v.fs) {
        entry("Section 2 fs", DesignField::fs, "Hz");
    }
    if (v.zeta) {
        entry("Section 2 zeta", DesignField::zeta, "");
    }
    if (v.C1) {
        entry("C1", DesignField::C1, std::string(capacitorUnitName(w.c1Unit)));
    }
}

std::vector<std::string> ReportSession::configurationLines() const {
    std::vector<std::string> lines;
    if (mDesign) {
        appendLines(lines, mDesign->window().memo1);
        appendLines(lines, mDesign->window().memo2);
    }
    return lines;
}

std::vector<std::string> ReportSession::protocolLines(const ProtocolTimestamp& when) const {
    return mSimulation ? mSimulation->ProtocolLines(when) : std::vector<std::string>{};
}

} // namespace loopcraft
