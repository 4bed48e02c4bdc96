// The design window's operations.
#include "core/design/DesignSession.h"

#include "core/base/E24.h"
#include "core/base/FixedNotation.h"
#include "core/base/NonFinite.h"
#include "core/design/AdpllDesign.h"
#include "core/design/FilterDesign.h"
#include "core/design/LoopFigures.h"
#include "core/design/LoopModel.h"

#include <cmath>
#include <string>
#include <utility>

namespace loopcraft {

namespace {

DesignOutcome stopped(Message message) {
    DesignOutcome o;
    o.message = std::move(message);
    return o;
}

Message noCrossing() {
    return {kNoCrossingTitle, kNoCrossingMessage, std::nullopt, false, false};
}

// Gain crossover, phase margin, ωn and ζ of the loop in `s`; nothing when there is no crossover.
bool loopFigures(FilterDesignState& s, const Configuration& c, DesignFigures& out) {
    const auto f = ComputeLoopFigures(s, c);
    if (!f) {
        return false;
    }
    out.gainCrossover = f->gainCrossover;
    out.phaseMarginDeg = f->phaseMarginDeg;
    s.omegaN = f->omegaN;
    s.zeta = f->zeta;
    out.omegaN = s.omegaN;
    out.zeta = s.zeta;
    return true;
}

// The first figure, or designed value, that came out infinite or not-a-number: such a value is
// never shown, nor written into an entry (where it could not even be read back).
std::optional<Message> nonFinite(const DesignFigures& f, const FilterDesignState* designed) {
    const std::pair<const char*, std::optional<float>> values[] = {
        {"the 3-dB frequency f3db", f.f3db},
        {"the gain crossover frequency", f.gainCrossover},
        {"the phase margin", f.phaseMarginDeg},
        {"the natural frequency omegaN", f.omegaN},
        {"the damping factor zeta", f.zeta},
        {"the hold range fH", f.fH},
        {"the 3-dB frequency of the ADPLL", f.adpllF3db},
        {"the designed Ka", designed ? std::optional(designed->Ka) : std::nullopt},
        {"the designed t1", designed ? std::optional(designed->tau1) : std::nullopt},
        {"the designed t2", designed ? std::optional(designed->tau2) : std::nullopt},
        {"the designed t3", designed ? std::optional(designed->tau3) : std::nullopt},
        {"the designed t4", designed ? std::optional(designed->tau4) : std::nullopt},
        {"the designed t5", designed ? std::optional(designed->tau5) : std::nullopt},
        {"the designed fs", designed ? std::optional(designed->fs) : std::nullopt},
        {"the designed zeta", designed ? std::optional(designed->zeta2) : std::nullopt},
        {"the designed C1", designed ? std::optional(designed->C1) : std::nullopt},
    };
    for (const auto& [what, value] : values) {
        if (value && !std::isfinite(*value)) {
            return NonFiniteMessage(what, *value);
        }
    }
    return std::nullopt;
}

} // namespace

DesignSession::DesignSession(ParameterSet& params) : mParams(params) {
    FillDesignEntries(mWindow, mParams);
    mState = FilterDesignState::fromParameters(mParams, configuration());
}

void DesignSession::TakeC1(const std::string& text, int unit) {
    mWindow.entry(DesignField::C1) = text;
    if (unit >= 0 && unit <= kLastCapacitorUnit) {
        mWindow.c1Unit = unit;
    }
}

std::optional<Message> DesignSession::CheckStoredEntries(const ParameterSet& params) {
    if (std::optional<Message> broken = ValidateConfiguration(params))
        return broken;
    // Reading the entries stores them: the check works on a copy.
    ParameterSet scratch = params;
    DesignSession session(scratch);
    return session.readAndValidate(Configuration::fromFlags(scratch));
}

Configuration DesignSession::configuration() const {
    Configuration c = Configuration::fromFlags(mParams);
    c.poleKind = mWindow.poleKind;
    return c;
}

DesignPanelVisibility DesignSession::ApplyDesignPanelRules() const {
    return loopcraft::ApplyDesignPanelRules(configuration(), mWindow.poleKind);
}

void DesignSession::writeEntry(DesignField field, float value, const std::string& text) {
    mWindow.entry(field) = text;
    const TextId id = designFieldText(field);
    mParams.setTextRaw(id, text);
    const TextDescriptor& d = textDescriptor(id);
    if (d.floatMember != nullptr) {
        mParams.*d.floatMember = value;
    }
}

std::optional<Message> DesignSession::readAndValidate(const Configuration& c) {
    if (auto m = ReadDesignEntries(mWindow, c.category, mParams)) {
        return m;
    }
    const DesignErrorCode code = ValidateDesignEntries(mParams, c);
    if (code != DesignErrorCode::None) {
        return DesignErrorMessage(code, c);
    }
    return std::nullopt;
}

DesignOutcome DesignSession::PrepareDesignWindow() {
    FillDesignEntries(mWindow, mParams);
    const Configuration c = configuration();
    mState = FilterDesignState::fromParameters(mParams, c);
    DesignOutcome o = c.isAdpll() ? CalcAdpllFrequencyParams() : CalcFrequencyParams();
    const ConfigurationMemos memos = DescribeConfiguration(mParams, c);
    mWindow.memo1 = memos.memo1;
    mWindow.memo2 = memos.memo2;
    return o;
}

DesignOutcome DesignSession::CalcFrequencyParams() {
    const Configuration c = configuration();
    StorePoleKind(mParams, c, mWindow.poleKind);
    if (auto m = readAndValidate(c)) {
        return stopped(*m);
    }
    mState.copyFilterValues(mParams);

    // Both searches run before anything is written, so a loop without a crossing changes
    // nothing but the values just read.
    DesignOutcome o;
    const auto f3db = Find3dBFrequency(mState, c);
    FilterDesignState figuresState = mState;
    if (!f3db || !loopFigures(figuresState, c, o.figures)) {
        return stopped(noCrossing());
    }
    o.figures.f3db = f3db;
    if (auto bad = nonFinite(o.figures, nullptr)) {
        return stopped(*bad);
    }
    mState = figuresState;
    writeEntry(DesignField::LDPLLf3db, *f3db, formatGeneral(*f3db, 6));
    o.written.push_back(DesignField::LDPLLf3db);
    mWindow.phaseMarginCaption =
        MarkUnstable(formatFixed(*o.figures.phaseMarginDeg, 4, 1), *o.figures.phaseMarginDeg);
    mWindow.zetaCaption = formatFixed(mState.zeta, 5, 3);
    o.ok = true;
    return o;
}

DesignOutcome DesignSession::CalcFilterParams() {
    const Configuration c = configuration();
    StorePoleKind(mParams, c, mWindow.poleKind);
    if (auto m = readAndValidate(c)) {
        return stopped(*m);
    }
    mState.copyFilterValues(mParams);
    const float fT = mParams.FiltDesignLDPLLf3db;

    if (HasMaximumF3db(c)) {
        const float fmax = MaximumF3db(mState);
        if (!(fmax >= fT)) {
            DesignOutcome o = stopped({kWarningTitle, MaximumF3dbWarning(fmax),
                                       TextId::FiltDesignLDPLLf3db, false, false});
            o.bandwidthWarning = true;
            return o;
        }
    }

    // The design runs on a copy and replaces the state only when every search succeeded.
    FilterDesignState designed = mState;
    DesignOutcome o;
    const auto result = DesignForBandwidth(designed, c, fT);
    if (!result || !loopFigures(designed, c, o.figures)) {
        return stopped(noCrossing());
    }
    o.figures.f3db = result->achievedF3db;
    if (auto bad = nonFinite(o.figures, &designed)) {
        return stopped(*bad);
    }
    mState = designed;

    const auto write = [&](DesignField f, float v, int precision, int decimals) {
        writeEntry(f, v, formatFixed(v, precision, decimals));
        o.written.push_back(f);
    };
    write(DesignField::Ka, mState.Ka, 4, 2);
    write(DesignField::Tau1, mState.tau1, 3, 9);
    write(DesignField::Tau2, mState.tau2, 3, 9);
    write(DesignField::Tau3, mState.tau3, 3, 9);
    write(DesignField::Tau4, mState.tau4, 3, 9);
    write(DesignField::Tau5, mState.tau5, 3, 9);
    write(DesignField::fs, mState.fs, 6, 2);
    write(DesignField::zeta, mState.zeta2, 4, 3);

    // C1 in the largest unit where it is at least 1, rounded to the series.
    if (const auto c1 = normaliseCapacitor(mState.C1)) {
        write(DesignField::C1, c1->value, 4, 1);
        mWindow.c1Unit = c1->unit;
        mParams.setEntry(TextId::SchemaC1Unit, std::to_string(c1->unit));
        mParams.SchemaC1Unit = c1->unit;
        o.c1UnitWritten = true;
    }

    mWindow.phaseMarginCaption =
        MarkUnstable(formatFixed(*o.figures.phaseMarginDeg, 4, 1), *o.figures.phaseMarginDeg);
    mWindow.zetaCaption = formatFixed(mState.zeta, 5, 3);
    o.ok = true;
    return o;
}

DesignOutcome DesignSession::CalcAdpllFrequencyParams() {
    const Configuration c = configuration();
    if (auto m = readAndValidate(c)) {
        return stopped(*m);
    }
    mState.M = static_cast<std::uint32_t>(mParams.FiltDesignM);
    mState.K = static_cast<std::uint32_t>(mParams.FiltDesignK);
    mState.Nadpll = static_cast<std::uint32_t>(mParams.FiltDesignN);

    DesignOutcome o;
    const float fH = AdpllHoldRange(mState.M, mState.K, mState.Nadpll, mState.f0adpll);
    const float f3db =
        AdpllF3db(mState.M, mState.K, mState.Nadpll, mState.f0adpll, c.adpllDetector);
    o.figures.fH = fH;
    o.figures.adpllF3db = f3db;
    if (auto bad = nonFinite(o.figures, nullptr)) {
        return stopped(*bad);
    }
    writeEntry(DesignField::ADPLLfH, fH, formatFixed(fH, 9, 1));
    o.written.push_back(DesignField::ADPLLfH);
    mParams.FiltDesignADPLLf3db = f3db;
    mWindow.adpllF3dbCaption = formatFixed(f3db, 9, 1);
    o.ok = true;
    return o;
}

DesignOutcome DesignSession::CalcAdpllParams() {
    const Configuration c = configuration();
    if (auto m = readAndValidate(c)) {
        return stopped(*m);
    }
    const float fH = mParams.FiltDesignADPLLfH;
    const auto m = AdpllCounterM(fH, mState.f0adpll);
    if (!m) {
        return stopped({kIllegalEntryTitle, "fH is too large for the K counter",
                        TextId::FiltDesignADPLLfH, false, false});
    }
    const float f3db = AdpllF3db(static_cast<std::uint32_t>(*m), kAdpllDesignK, kAdpllDesignN,
                                 mState.f0adpll, c.adpllDetector);
    DesignFigures figures;
    figures.fH = fH;
    figures.adpllF3db = f3db;
    if (auto bad = nonFinite(figures, nullptr)) {
        return stopped(*bad);
    }
    mState.fHadpll = fH;
    mState.K = kAdpllDesignK;
    mState.Nadpll = kAdpllDesignN;
    mState.M = static_cast<std::uint32_t>(*m);
    mState.adpllF3db = f3db;

    // The entries change; the parameter set takes them when they are next read.
    DesignOutcome o;
    mWindow.entry(DesignField::M) = std::to_string(mState.M);
    mWindow.entry(DesignField::K) = std::to_string(mState.K);
    mWindow.entry(DesignField::N) = std::to_string(mState.Nadpll);
    mWindow.entry(DesignField::ADPLLfH) = formatFixed(mState.fHadpll, 9, 1);
    mWindow.adpllF3dbCaption = formatFixed(mState.adpllF3db, 9, 1);
    o.written = {DesignField::M, DesignField::K, DesignField::N, DesignField::ADPLLfH};
    o.figures.fH = mState.fHadpll;
    o.figures.adpllF3db = mState.adpllF3db;
    o.ok = true;
    return o;
}

DesignOutcome DesignSession::Done() {
    const Configuration c = configuration();
    StorePoleKind(mParams, c, mWindow.poleKind);
    if (auto m = readAndValidate(c)) {
        return stopped(*m);
    }
    DesignOutcome o;
    o.ok = true;
    return o;
}

} // namespace loopcraft
