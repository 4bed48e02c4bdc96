// The design report without its pages: the windows' sessions run one after the other on the
// stored parameters (design figures, Bode response, schematic values, simulation of the stored
// stimulus), and the texts the report prints beside their pictures.
#pragma once

#include "core/base/Message.h"
#include "core/base/ParameterSet.h"
#include "core/bode/BodeSession.h"
#include "core/design/DesignSession.h"
#include "core/noise/PhaseNoiseAnalysis.h"
#include "core/schematic/SchematicSession.h"
#include "core/sim/SimState.h"
#include "core/sim/SimulationSession.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace loopcraft {

// One line of a table of the report: "Phase margin", "52.3 deg".
struct ReportItem {
    std::string name;
    std::string value;
    bool operator==(const ReportItem&) const = default;
};

class ReportSession {
public:
    explicit ReportSession(ParameterSet& params);

    // Runs every window's computation as its window would on opening. The first refusal stops
    // the report with the window's own message; nothing is stored in the parameter set that a
    // save would keep (the simulation panel's proposals stay in this session's copy).
    std::optional<Message> Prepare(const SimulationProgress& progress = {});

    // The design window's two description boxes, line by line.
    std::vector<std::string> configurationLines() const;
    // f3db, gain crossover, phase margin, natural frequency and damping; for the all-digital
    // loop the hold range and f3db. Figures the design could not compute read "-".
    const std::vector<ReportItem>& figures() const { return mFigures; }
    // The entries the design window shows for this configuration, as typed: gain, time
    // constants, C1 (ADPLL: hold range and the counters M, K, N).
    const std::vector<ReportItem>& entries() const { return mEntries; }
    std::vector<std::string> protocolLines(const ProtocolTimestamp& when) const;

    // The phase noise of the loop with `settings`; a loop the analysis refuses leaves the reason
    // in the run and does not stop the report.
    void analyzeNoise(const PhaseNoiseSettings& settings);
    const PhaseNoiseRun& noise() const { return mNoise; }
    const PhaseNoiseSettings& noiseSettings() const { return mNoiseSettings; }
    // RMS phase error, jitter, output frequency and band ("Jitter", "126 ps").
    std::vector<ReportItem> noiseFigures() const;
    // The sources' settings the figures came from.
    std::vector<ReportItem> noiseSources() const;

    const ParameterSet& params() const { return mParams; }
    const Configuration& configuration() const { return mConfig; }
    FrequencyResponse& response() { return mBode.response(); }
    const SchematicSession& schematic() const { return *mSchematic; }
    const SimulationSession& simulation() const { return *mSimulation; }

private:
    void collectTexts(const DesignOutcome& opened);

    ParameterSet mParams; // a copy: the report changes nothing the user keeps
    Configuration mConfig;
    BodeSession mBode;
    std::unique_ptr<DesignSession> mDesign;
    std::unique_ptr<SchematicSession> mSchematic;
    std::unique_ptr<SimState> mState; // large: kept off the stack
    std::unique_ptr<SimulationSession> mSimulation;
    std::vector<ReportItem> mFigures;
    std::vector<ReportItem> mEntries;
    PhaseNoiseSettings mNoiseSettings;
    PhaseNoiseRun mNoise;
};

} // namespace loopcraft
