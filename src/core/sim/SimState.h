// The shared simulation record: everything a time-domain run reads and writes. The reference
// preparation, the detector, filter and oscillator models, the run loop, the plot and the
// protocol all work on one SimState; the models hold a pointer to it and talk to each other only
// through its fields.
//
// Form. SimState *is* a ParameterSet (public base) plus the working values of a run. The run
// copies the user's parameter set into it when it starts (setParameters), so a model reads
// `Sim->ConfigKd` exactly as the formulas name it, and nothing the user edits during or after a
// run can change a run in progress. Values the run itself decides (SimulnSamp = 1 for the
// all-digital loop, the Simulf0 text from the centre frequency) are written into this copy.
//
// Live choices. The simulation panel's stimulus radio buttons, "Add noise" and "Filter" are read
// from widgets while a run goes on. Here they are plain fields, copied in when the run starts:
//   - stimulus: the rbSimulfstep / rbSimulphistep / rbSimulNstep flags of the ParameterSet base
//     are overwritten with the live radio states (exactly one set);
//   - cbSimulAddNoise, cbSimulFilter below.
// The noise seed is a setting of the parameter set's sidecar (sidecar.NoiseSeed).
// The configuration radios are the flags of the base (the dialog stores them on confirm).
//
// Oscillator phase. Theta2Start, Theta2End and the detectors' NextOscEdge are double. A 32-bit
// phase that grows through a run loses resolution (about 4e-3 rad at 2^15 rad, and near 2^25 rad
// it stops advancing), which shifts the settled control voltage of a long run and finally stalls
// the loop. In double the phase stays resolved to better than 1e-8 rad over the longest run the
// run limits allow (2e9 steps), so it is never wrapped. Everything else keeps float: the
// oscillator computes its per-step increment in float exactly as before and only the
// accumulation is double; the detectors take phase *differences* in double and continue in
// float. Short runs therefore agree with a float-phase run to rounding level.
// For the run loop this means: set Theta2Start / Theta2End as doubles (initial phase, the phase
// step, the first step's increment), never rebase them, and never store them through a float.
//
// The same holds for absolute times counted in reference periods since the run start:
// TLastU2Rise, TPrevU2Rise and RefEdgeList are double (a float at 10^6 periods resolves only
// 1/16 period); TRefEdge, TKClock and TIDClock stay float because the run rebases them by one
// period every period.
#pragma once

#include "core/base/ParameterSet.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace loopcraft {

class PD_MUL;
class PD_EXOR;
class PD_JK;
class PD_PFD;
class LF_PassiveLL;
class LF_ActiveLL;
class LF_ActivePI;
class LF_KCounter;
class OSC_VCO;
class OSC_VCO_N;
class OSC_ID_Counter;

// One recorded point of a run.
struct ResultPair {
    float Curve1 = 0; // Ud (Id with a charge pump) / phase error Theta_E in degrees (ADPLL)
    float Curve2 = 0; // Uf / frequency deviation delta_f2 of the DCO in Hz (ADPLL)
    bool operator==(const ResultPair&) const = default;
};

// A run that hands its points over keeps at most this many of them at a time (512 KiB).
inline constexpr std::size_t kResultBlockPoints = std::size_t{1} << 16;

// Takes a run's recorded points block by block, in order; the last block may be shorter.
using ResultBlockSink = std::function<void(const std::vector<ResultPair>& block)>;

// The reference signal of one reference period.
struct RefPeriodRecord {
    std::int32_t EdgeCount = 0;
    // Zero-crossing times in reference periods from the period start; unused entries hold -1.
    std::array<float, 4> EdgeTime{-1.0f, -1.0f, -1.0f, -1.0f};
    // Noise (multiplier) or noise + reference (other detectors), one per quarter period.
    std::array<float, 4> QuarterSample{};
};

class SimState : public ParameterSet {
public:
    SimState();
    ~SimState();
    SimState(const SimState&) = delete;
    SimState& operator=(const SimState&) = delete;

    // Takes the user's parameter set for a run; working values, results and models stay.
    void setParameters(const ParameterSet& params) { ParameterSet::operator=(params); }

    // --- live panel choices (copied in at run start) ---------------------------------------
    bool cbSimulAddNoise = false;
    bool cbSimulFilter = false;

    // --- stimulus and run size ----------------------------------------------------------------
    float SimuldphiRad = 0;          // Simuldphi * (1/180) * 3.14159
    float SimulfRef = 0;             // reference frequency of the run (Hz)
    std::uint32_t SimulNumSteps = 0; // steps (mixed-signal) or reference periods (ADPLL)
    std::uint32_t StepIndex = 0;     // current step / reference period, from 1

    // --- mixed-signal step values -------------------------------------------------------------
    double Theta2Start = 0; // oscillator output phase at step start (rad), see above
    double Theta2End = 0;   // ... and at step end
    float TStepStart = 0;   // step limits within the reference period (periods)
    float TStepEnd = 0;
    float TUp = 0; // PFD UP / DOWN time of the step (reference periods)
    float TDown = 0;
    float Ud = 0;                // detector output voltage (V)
    float Uf = 0;                // loop filter output voltage (V)
    float Id = 0;                // charge-pump current averaged over the step (A)
    float UMid = 0;              // (ConfigUSupP + ConfigUSupN) * 0.5
    float ChargePumpCurrent = 0; // 2*pi*ConfigKp, set by PD_PFD::Init

    // --- all-digital loop ---------------------------------------------------------------------
    std::int32_t U1Bit = 0; // reference level
    std::int32_t U2Bit = 0; // DCO output level
    std::int32_t UdBit = 0; // detector output (PFD state -1/0/+1 in mixed-signal runs)
    bool U1Edge = false;    // reference changed since the detector last ran
    bool U2Edge = false;    // DCO output changed since the detector last ran
    bool KCarry = false;    // K counter outputs
    bool KBorrow = false;
    float TKClock = 0;       // next K clock event within the current period (periods)
    float TIDClock = 0;      // next / current I/D clock event within the period
    bool U2RiseSeen = false; // a rising DCO edge occurred in the current period
    double TLastU2Rise = 0;  // latest / previous rising DCO edge, periods since start
    double TPrevU2Rise = 0;

    // --- reference and noise preparation ------------------------------------------------------
    float SimulSNRLin = 0;
    std::int32_t NumRefPeriods = 0;
    float NoiseScale = 0;
    std::array<float, 257> NoiseBandpass{}; // index i + 128 for i = -128..128
    std::array<float, 65> InterpSinc{};     // index i + 32 for i = -32..32
    std::array<float, 65> InterpWindow{};
    std::array<float, 65> InterpKernel{};
    std::array<float, 9> InterpBuf{};
    std::vector<float> WhiteNoise; // 4 * NumRefPeriods + 265
    std::vector<float> RefSignal;  // 4 * NumRefPeriods + 9
    // One record per reference period; without noise every period is the same and a single
    // record stands for all of them (RefRecordsShared), which saves 36 bytes a period.
    std::vector<RefPeriodRecord> RefPeriodRecords;
    bool RefRecordsShared = false;
    std::vector<double> RefEdgeList; // ADPLL edge times, periods from the run start
    std::int32_t RefEdgeIndex = 0;
    float TRefEdge = 0;
    // Noise generator state: sidecar.NoiseSeed when a run starts to draw its noise.
    std::uint32_t RandState = 1;

    // --- recording ----------------------------------------------------------------------------
    float Curve1Min = 0;
    float Curve1Max = 0;
    float Curve2Min = 0;
    float Curve2Max = 0;
    std::array<float, 4> Curve1Ring{};
    std::array<float, 4> Curve2Ring{};
    std::array<float, 4> IdRing{};
    float Curve1Sum = 0;
    float Curve2Sum = 0;
    float IdSum = 0;
    std::vector<ResultPair> Results;
    bool ResultsValid = false;
    // A caller that writes the points out as the run goes (the command line's CSV) sets a sink:
    // the run then hands Results over whenever it holds kResultBlockPoints and at its end, so
    // its memory no longer grows with its length. Such a run keeps no points to show.
    ResultBlockSink ResultSink;
    std::size_t RecordedPoints = 0; // points of the last run, kept or handed over
    // The first point handed over that was not finite, with its index.
    std::optional<std::pair<std::size_t, ResultPair>> FirstNonFinitePoint;
    // Per reference period of the last run, for its settling figures: the oscillator's mean
    // frequency deviation from its centre (Hz; the ADPLL's delta_f2) and, for the ADPLL, the
    // phase error Theta_E (degrees). Kept even when the points go to a sink.
    std::vector<float> PeriodDeviation;
    std::vector<float> PeriodPhaseError;
    // The screen cursor saved during a run is a window's business and lives in the GUI.

    // --- model slots: empty at start, created by the first run that needs them, then reused ---
    std::unique_ptr<loopcraft::PD_MUL> PdMul;
    std::unique_ptr<loopcraft::PD_EXOR> PdExor;
    std::unique_ptr<loopcraft::PD_JK> PdJk;
    std::unique_ptr<loopcraft::PD_PFD> PdPfd;
    std::unique_ptr<loopcraft::LF_PassiveLL> LfPassiveLL;
    std::unique_ptr<loopcraft::LF_ActiveLL> LfActiveLL;
    std::unique_ptr<loopcraft::LF_ActivePI> LfActivePI;
    std::unique_ptr<loopcraft::LF_KCounter> LfKCounter;
    std::unique_ptr<loopcraft::OSC_VCO> OscVco;
    std::unique_ptr<loopcraft::OSC_VCO_N> OscVcoN;
    std::unique_ptr<loopcraft::OSC_ID_Counter> OscIdCounter;

    // The reference record of a period, or nullptr beyond the prepared reference (a shared
    // record covers every period).
    const RefPeriodRecord* refPeriodRecord(std::size_t period) const {
        const std::size_t index = RefRecordsShared ? 0 : period;
        return index < RefPeriodRecords.size() ? &RefPeriodRecords[index] : nullptr;
    }

    // Creates the model in `slot` bound to this state unless it already exists; returns it.
    template <class Model> Model& ensureModel(std::unique_ptr<Model>& slot) {
        if (!slot) {
            slot = std::make_unique<Model>(this);
        }
        return *slot;
    }
};

} // namespace loopcraft
