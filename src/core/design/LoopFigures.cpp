// Loop figures from the transfer model.
#include "core/design/LoopFigures.h"

#include "core/design/LoopModel.h"

namespace loopcraft {

std::optional<LoopFigures> ComputeLoopFigures(const FilterDesignState& state,
                                              const Configuration& config) {
    const auto fc = FindGainCrossover(state, config);
    if (!fc) {
        return std::nullopt;
    }
    LoopFigures f;
    f.gainCrossover = *fc;
    f.phaseMarginDeg = PhaseMarginDeg(state, config, *fc);
    // The damping reads the natural frequency from the state.
    FilterDesignState s = state;
    s.omegaN = ComputeNaturalFrequency(s, config);
    f.omegaN = s.omegaN;
    f.zeta = ComputeDampingFactor(s, config);
    return f;
}

bool IsUnstable(float phaseMarginDeg) {
    return !(phaseMarginDeg > 0.0F);
}

std::string MarkUnstable(std::string text, float phaseMarginDeg) {
    if (IsUnstable(phaseMarginDeg)) {
        text += ' ';
        text += kUnstableMark;
    }
    return text;
}

} // namespace loopcraft
